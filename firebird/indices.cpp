#include "firebird/indices.h"

#include "firebird/session.h"

namespace {
constexpr char kUserIndices[] =
    "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE,\n"
    " i.RDB$EXPRESSION_SOURCE, i.RDB$INDEX_INACTIVE, i.RDB$STATISTICS\n"
    "FROM RDB$INDICES i\n"
    "WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0\n"
    "ORDER BY i.RDB$RELATION_NAME, i.RDB$INDEX_NAME";
constexpr char kSegments[] =
    "SELECT RDB$INDEX_NAME, RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS\n"
    "ORDER BY RDB$INDEX_NAME, RDB$FIELD_POSITION";
// The few constraints' indices, matched by name on this side: a join would look each of the
// many indices up in RDB$RELATION_CONSTRAINTS, the larger part of the whole read.
constexpr char kConstraints[] =
    "SELECT RDB$INDEX_NAME, RDB$CONSTRAINT_TYPE, RDB$CONSTRAINT_NAME FROM RDB$RELATION_CONSTRAINTS\n"
    "WHERE RDB$INDEX_NAME IS NOT NULL";
constexpr char kDropIndex[] = "DROP INDEX %s;";
constexpr char kActivateIndex[] = "ALTER INDEX %s ACTIVE;";
constexpr char kDeactivateIndex[] = "ALTER INDEX %s INACTIVE;";
constexpr char kIndexStatistics[] = "SET STATISTICS INDEX %s;";

}  // namespace

TIndexList::TIndexList(QObject *owner) : TCatalogList(owner, kUserIndices) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$INDEX_NAME"), 31), QStringLiteral("NAME"), 0);
  Relation =
      DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("RELATION"), 0);
  UniqueText = CalculatedText("UNIQUE_TEXT", 6, "UNIQUE");
  DescendingText = CalculatedText("ORDER_TEXT", 10, "ORDER");
  Columns = CalculatedText("COLUMNS", 4000, "SEGMENTS OR EXPRESSION");
  ActiveText = CalculatedText("ACTIVE_TEXT", 8, "STATE");
  Statistics = DeclareField(new TFloatField(this, QStringLiteral("RDB$STATISTICS")), QStringLiteral("SELECTIVITY"), 0);
  ConstraintType = CalculatedText("CONSTRAINT_TYPE", 11, "CONSTRAINT");
  ConstraintName = Hidden(CalculatedText("CONSTRAINT_NAME", 31));
  Unique = Hidden(new TSmallintField(this, QStringLiteral("RDB$UNIQUE_FLAG")));
  Descending = Hidden(new TSmallintField(this, QStringLiteral("RDB$INDEX_TYPE")));
  Expression = Hidden(new TMemoField(this, QStringLiteral("RDB$EXPRESSION_SOURCE")));
  Inactive = Hidden(new TSmallintField(this, QStringLiteral("RDB$INDEX_INACTIVE")));
  OnCalcFields = [this](TDataSet *) {
    UniqueText->SetAsString(Unique->AsInteger() == 1 ? QStringLiteral("UNIQUE") : QString());
    DescendingText->SetAsString(Descending->AsInteger() == 1 ? QStringLiteral("DESCENDING")
                                                             : QStringLiteral("ASCENDING"));
    const QString expression = Expression->AsString().trimmed();
    Columns->SetAsString(expression.isEmpty() ? FSegments.value(Name()) : QStringLiteral("COMPUTED BY ") + expression);
    ActiveText->SetAsString(Inactive->AsInteger() == 1 ? QStringLiteral("INACTIVE") : QStringLiteral("ACTIVE"));
    const auto constraint = FConstraints.constFind(Name());
    if (constraint != FConstraints.cend()) {
      ConstraintType->SetAsString(constraint->first);
      ConstraintName->SetAsString(constraint->second);
    } else {
      ConstraintType->Clear();
      ConstraintName->Clear();
    }
  };
  Filtered = true;
  OnFilterRecord = [this](TDataSet *, bool &accept) {
    accept = FRelation.isEmpty() || Relation->AsString() == FRelation;
  };
}

std::unique_ptr<TCursor> TIndexList::CreateCursor(TDriverConnection &conn) {
  FSegments.clear();
  QVector<TRow> rows;
  conn.OpenQuery(QString::fromLatin1(kSegments), {})->Fetch(rows, -1);
  for (const TRow &row : rows) {
    QString &columns = FSegments[row.at(0).toString()];
    columns += (columns.isEmpty() ? QString() : QStringLiteral(", ")) + row.at(1).toString();
  }
  FConstraints.clear();
  rows.clear();
  conn.OpenQuery(QString::fromLatin1(kConstraints), {})->Fetch(rows, -1);
  for (const TRow &row : rows)
    FConstraints.insert(row.at(0).toString(), {row.at(1).toString(), row.at(2).toString()});
  return TCatalogList::CreateCursor(conn);
}

void TIndexList::ShowRelation(const QString &relation) {
  FRelation = relation;
  Refilter();
}

QString TIndexList::DropRefusal() const {
  if (ConstraintName->AsString().isEmpty()) return {};
  return QStringLiteral(
             "Index %1 belongs to the %2 constraint %3 of %4: drop the constraint instead "
             "(ALTER TABLE ... DROP CONSTRAINT), and the index goes with it")
      .arg(Name(), ConstraintType->AsString(), ConstraintName->AsString(), Relation->AsString());
}

void DropIndex(const QString &name) { FbSession()->ExecuteFor(kDropIndex, name); }

void SetIndexActive(const QString &name, bool active) {
  FbSession()->ExecuteFor(active ? kActivateIndex : kDeactivateIndex, name);
}

void RecomputeIndexStatistics(const QString &name) { FbSession()->ExecuteFor(kIndexStatistics, name); }
