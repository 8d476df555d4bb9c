#pragma once
// Indices: the user's indices with their segments or expression, state and statistics, and
// the commands on one index.
#include "firebird/cataloglist.h"

#include <QHash>
#include <utility>

// The user's indices, all or those of one relation: name, relation, unique, descending,
// segments (the column names in their order, ", " between; calculated) or the expression, active state,
// selectivity, and the constraint an index belongs to (type and name; empty for none).
class TIndexList : public TCatalogList {
  Q_OBJECT
public:
  explicit TIndexList(QObject *owner);
  // Shows the indices of that relation only, or all for an empty name. The rows read are
  // filtered again; nothing is read from the server.
  void ShowRelation(const QString &relation);

  TField *Relation, *Unique, *Descending, *Expression, *Inactive, *Statistics, *ConstraintType, *ConstraintName,
      *UniqueText, *DescendingText, *ActiveText, *Columns;

  // Why the current index cannot be dropped on its own (it belongs to a constraint); empty
  // when it can.
  QString DropRefusal() const;

protected:
  // Reads every index's segments first, in one statement: a calculated field joins them.
  std::unique_ptr<TCursor> CreateCursor(TDriverConnection &conn) override;

private:
  QString FRelation;
  QHash<QString, QString> FSegments;                         // index name: its columns, ", " between
  QHash<QString, std::pair<QString, QString>> FConstraints;  // index name: its constraint's type, name
};

// The commands on one index (a catalog name), under the session's auto-commit policy.
void DropIndex(const QString &name);
void SetIndexActive(const QString &name, bool active);
void RecomputeIndexStatistics(const QString &name);
