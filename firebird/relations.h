#pragma once
// Relations (tables and views): the columns of one, the catalog objects that depend on it,
// and a view's stored source.
#include "firebird/cataloglist.h"

// The object type of an RDB$DEPENDENT_TYPE (RDB$OBJECT_TYPE codes 0..19); "N/A" for others.
QString DependencyTypeName(const QVariant &dependentType);

// A list about one relation, chosen before it opens.
class TRelationList : public TCatalogList {
  Q_OBJECT
public:
  using TCatalogList::TCatalogList;
  // The relation the next open reads (the list is closed first).
  void SetRelation(const QString &relation);
};

// The user columns of one relation in their order: position, name, declared type, user domain
// (empty for the engine's own), "NOT NULL", default and computed expression; the catalog's
// codes they are made from are hidden.
class TRelationFields : public TRelationList {
  Q_OBJECT
public:
  explicit TRelationFields(QObject *owner);
  TField *Position, *TypeText, *Domain, *NotNull, *Default, *Computed;
};

// The objects that depend on one relation, by field: field, object type (calculated), object
// name.
class TRelationDependencies : public TRelationList {
  Q_OBJECT
public:
  explicit TRelationDependencies(QObject *owner);
  TField *FieldName, *TypeName;
};

// The stored source of one view (null for a table).
class TViewSource : public TCatalogList {
  Q_OBJECT
public:
  explicit TViewSource(QObject *owner);
  // Reads the source of that relation.
  void Read(const QString &relation);
  TField *Source;
};
