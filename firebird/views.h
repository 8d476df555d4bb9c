#pragma once
// Views: the user's views as a list with their stored source, what one view reads, and the
// commands on one view. (Its columns and what reads it: the relation lists.)
#include "firebird/relations.h"

// The user's views: name, source (the query after AS), description.
class TViewList : public TCatalogList {
  Q_OBJECT
public:
  explicit TViewList(QObject *owner);
  TField *Source, *Description;
};

// The objects one view reads (tables, views, procedures...), by field: object name, object
// type (calculated), field.
class TViewReads : public TRelationList {
  Q_OBJECT
public:
  explicit TViewReads(QObject *owner);
  TField *TypeName, *FieldName;
};

// The commands on one view (a catalog name), under the session's auto-commit policy.
void DropView(const QString &name);
// The statements that re-create a view (a catalog name) as it is now, its CREATE VIEW made a
// CREATE OR ALTER VIEW: what its Edit offers.
QString CreateOrAlterViewDDL(const QString &name);
