#include "firebird/indices.h"

#include "base/errors.h"
#include "firebird/names.h"
#include "firebird/session.h"

namespace {
// The segments come joined in their order; a name keeps a leading blank (trailing padding
// goes).
constexpr char kUserIndices[] =
    "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE,\n"
    " (SELECT LIST(s.SEGMENT, ', ') FROM (SELECT TRIM(TRAILING FROM s.RDB$FIELD_NAME) AS SEGMENT\n"
    "   FROM RDB$INDEX_SEGMENTS s WHERE s.RDB$INDEX_NAME = i.RDB$INDEX_NAME\n"
    "   ORDER BY s.RDB$FIELD_POSITION) s) AS SEGMENTS,\n"
    " i.RDB$EXPRESSION_SOURCE, i.RDB$INDEX_INACTIVE, i.RDB$STATISTICS,\n"
    " c.RDB$CONSTRAINT_TYPE, c.RDB$CONSTRAINT_NAME\n"
    "FROM RDB$INDICES i\n"
    "LEFT JOIN RDB$RELATION_CONSTRAINTS c ON c.RDB$INDEX_NAME = i.RDB$INDEX_NAME\n"
    "WHERE COALESCE(i.RDB$SYSTEM_FLAG, 0) = 0\n"
    "ORDER BY i.RDB$RELATION_NAME, i.RDB$INDEX_NAME";
constexpr char kIndex[] =
    "SELECT i.RDB$INDEX_NAME, i.RDB$RELATION_NAME, i.RDB$UNIQUE_FLAG, i.RDB$INDEX_TYPE, i.RDB$EXPRESSION_SOURCE,\n"
    " i.RDB$FOREIGN_KEY, c.RDB$CONSTRAINT_TYPE, c.RDB$CONSTRAINT_NAME, rc.RDB$UPDATE_RULE, rc.RDB$DELETE_RULE,\n"
    " fi.RDB$RELATION_NAME AS REF_RELATION\n"
    "FROM RDB$INDICES i\n"
    "LEFT JOIN RDB$RELATION_CONSTRAINTS c ON c.RDB$INDEX_NAME = i.RDB$INDEX_NAME\n"
    "LEFT JOIN RDB$REF_CONSTRAINTS rc ON rc.RDB$CONSTRAINT_NAME = c.RDB$CONSTRAINT_NAME\n"
    "LEFT JOIN RDB$INDICES fi ON fi.RDB$INDEX_NAME = i.RDB$FOREIGN_KEY\n"
    "WHERE i.RDB$INDEX_NAME = :\"INDEXNAME\"";
constexpr char kSegments[] =
    "SELECT RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = :\"INDEXNAME\"\n"
    "ORDER BY RDB$FIELD_POSITION";
constexpr char kDropIndex[] = "DROP INDEX %s;";
constexpr char kActivateIndex[] = "ALTER INDEX %s ACTIVE;";
constexpr char kDeactivateIndex[] = "ALTER INDEX %s INACTIVE;";
constexpr char kIndexStatistics[] = "SET STATISTICS INDEX %s;";

QVariant ReadValue(const TDataSet &rows, const char *field) { return rows.FieldByName(QLatin1String(field))->Value(); }

// The index's columns, each quoted, ", " between.
QString SegmentList(const QString &index) {
  TCatalogList rows(nullptr, kSegments);
  rows.ParamByName(QStringLiteral("INDEXNAME"), index);
  rows.Open();
  QStringList names;
  for (; !rows.Eof(); rows.Next())
    names << FbSession()->SQLName(ReadValue(rows, "RDB$FIELD_NAME").toString());
  return names.join(QStringLiteral(", "));
}

QString Rule(const QVariant &rule, const char *event) {
  const QString r = rule.toString().trimmed();
  if (r.isEmpty() || r == QLatin1String("RESTRICT")) return {};
  return QStringLiteral(" ON %1 %2").arg(QLatin1String(event), r);
}
}  // namespace

TIndexList::TIndexList(QObject *owner) : TCatalogList(owner, kUserIndices) {
  const auto hidden = [this](TField *f) { return DeclareField(f, QString(), 0, false); };
  const auto shown = [this](const char *name, const char *label, int size) {
    TField *f = DeclareField(new TStringField(this, QLatin1String(name), size), QLatin1String(label), 0);
    f->Calculated = true;
    return f;
  };
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$INDEX_NAME"), 31), QStringLiteral("NAME"), 0);
  Relation =
      DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("RELATION"), 0);
  UniqueText = shown("UNIQUE_TEXT", "UNIQUE", 6);
  DescendingText = shown("ORDER_TEXT", "ORDER", 10);
  Columns = shown("COLUMNS", "SEGMENTS OR EXPRESSION", 4000);
  ActiveText = shown("ACTIVE_TEXT", "STATE", 8);
  Statistics = DeclareField(new TFloatField(this, QStringLiteral("RDB$STATISTICS")), QStringLiteral("SELECTIVITY"), 0);
  ConstraintType =
      DeclareField(new TStringField(this, QStringLiteral("RDB$CONSTRAINT_TYPE"), 11), QStringLiteral("CONSTRAINT"), 0);
  ConstraintName = hidden(new TStringField(this, QStringLiteral("RDB$CONSTRAINT_NAME"), 31));
  Unique = hidden(new TSmallintField(this, QStringLiteral("RDB$UNIQUE_FLAG")));
  Descending = hidden(new TSmallintField(this, QStringLiteral("RDB$INDEX_TYPE")));
  Segments = hidden(new TMemoField(this, QStringLiteral("SEGMENTS")));
  Expression = hidden(new TMemoField(this, QStringLiteral("RDB$EXPRESSION_SOURCE")));
  Inactive = hidden(new TSmallintField(this, QStringLiteral("RDB$INDEX_INACTIVE")));
  OnCalcFields = [this](TDataSet *) {
    UniqueText->SetAsString(Unique->AsInteger() == 1 ? QStringLiteral("UNIQUE") : QString());
    DescendingText->SetAsString(Descending->AsInteger() == 1 ? QStringLiteral("DESCENDING")
                                                             : QStringLiteral("ASCENDING"));
    const QString expression = Expression->AsString().trimmed();
    Columns->SetAsString(expression.isEmpty() ? Segments->AsString() : QStringLiteral("COMPUTED BY ") + expression);
    ActiveText->SetAsString(Inactive->AsInteger() == 1 ? QStringLiteral("INACTIVE") : QStringLiteral("ACTIVE"));
  };
  Filtered = true;
  OnFilterRecord = [this](TDataSet *, bool &accept) {
    accept = FRelation.isEmpty() || Relation->AsString() == FRelation;
  };
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

TStringList IndexDDL(const QString &name) {
  TCatalogList index(nullptr, kIndex);
  index.ParamByName(QStringLiteral("INDEXNAME"), name);
  index.Open();
  if (index.IsEmpty()) throw EDatabaseError(QStringLiteral("Index %1 is not in the database").arg(name));
  TFbSession *session = FbSession();
  const QString relation = session->SQLName(ReadValue(index, "RDB$RELATION_NAME").toString());
  const bool descending = ReadValue(index, "RDB$INDEX_TYPE").toInt() == 1;
  const QString constraint = ReadValue(index, "RDB$CONSTRAINT_TYPE").toString().trimmed();
  QString text;
  if (constraint.isEmpty()) {
    text = QStringLiteral("CREATE %1%2INDEX %3 ON %4")
               .arg(ReadValue(index, "RDB$UNIQUE_FLAG").toInt() == 1 ? QStringLiteral("UNIQUE ") : QString(),
                    descending ? QStringLiteral("DESCENDING ") : QString(), session->SQLName(name), relation);
    const QString expression = ReadValue(index, "RDB$EXPRESSION_SOURCE").toString().trimmed();
    text += expression.isEmpty() ? QStringLiteral(" (%1)").arg(SegmentList(name))
                                 : QStringLiteral(" COMPUTED BY %1").arg(expression);
  } else {
    text = QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3 (%4)")
               .arg(relation, session->SQLName(ReadValue(index, "RDB$CONSTRAINT_NAME").toString()), constraint,
                    SegmentList(name));
    if (constraint == QLatin1String("FOREIGN KEY"))
      text += QStringLiteral(" REFERENCES %1 (%2)%3%4")
                  .arg(session->SQLName(ReadValue(index, "REF_RELATION").toString()),
                       SegmentList(ReadValue(index, "RDB$FOREIGN_KEY").toString()),
                       Rule(ReadValue(index, "RDB$UPDATE_RULE"), "UPDATE"),
                       Rule(ReadValue(index, "RDB$DELETE_RULE"), "DELETE"));
    text += QStringLiteral(" USING %1INDEX %2")
                .arg(descending ? QStringLiteral("DESCENDING ") : QString(), session->SQLName(name));
  }
  TStringList lines;
  lines.SetText(text + QLatin1Char(';'));
  return lines;
}
