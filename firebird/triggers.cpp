#include "firebird/triggers.h"

#include "firebird/names.h"
#include "firebird/session.h"

#include "base/errors.h"

#include <QRegularExpression>
#include <algorithm>
#include <iterator>

namespace {
// The engine's CHECK triggers (flag 3) stay in view; its other own triggers (flag 1) do not.
constexpr char kUserTriggers[] =
    "SELECT RDB$TRIGGER_NAME, RDB$RELATION_NAME, RDB$TRIGGER_SEQUENCE, RDB$TRIGGER_TYPE,\n"
    " RDB$TRIGGER_SOURCE, RDB$DESCRIPTION, RDB$TRIGGER_INACTIVE\n"
    "FROM RDB$TRIGGERS\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) <> 1";
constexpr char kDropTrigger[] = "DROP TRIGGER %s;";
constexpr char kDeactivateTrigger[] = "ALTER TRIGGER %s INACTIVE;";
constexpr char kActivateTrigger[] = "ALTER TRIGGER %s ACTIVE;";
constexpr char kAlterTriggerHead[] = "ALTER TRIGGER %s";
constexpr char kCreateTriggerHead[] = "CREATE TRIGGER %s";
constexpr char kTriggerFor[] = "FOR %s ACTIVE";
constexpr char kTriggerActive[] = "ACTIVE";
constexpr char kTriggerPosition[] = "POSITION %d";
// The width the list gives an event: "BEFORE INSERT OR UPDATE OR DELETE". A DDL trigger on
// several statements reads longer, and is kept whole.
constexpr int kEventTextLength = 33;
constexpr int kEventTextRoom = 4096;

constexpr qint64 kDatabaseTrigger = 8192, kDdlTrigger = 16384;
const char *const kDatabaseEvents[] = {"ON CONNECT", "ON DISCONNECT", "ON TRANSACTION START", "ON TRANSACTION COMMIT",
                                       "ON TRANSACTION ROLLBACK"};
// The statements a DDL trigger fires on, by the bit of the type that stands for each (bits 13
// to 15 are the trigger's kind, never a statement).
const char *const kDdlEvents[] = {nullptr,
                                  "CREATE TABLE",
                                  "ALTER TABLE",
                                  "DROP TABLE",
                                  "CREATE PROCEDURE",
                                  "ALTER PROCEDURE",
                                  "DROP PROCEDURE",
                                  "CREATE FUNCTION",
                                  "ALTER FUNCTION",
                                  "DROP FUNCTION",
                                  "CREATE TRIGGER",
                                  "ALTER TRIGGER",
                                  "DROP TRIGGER",
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  "CREATE EXCEPTION",
                                  "ALTER EXCEPTION",
                                  "DROP EXCEPTION",
                                  "CREATE VIEW",
                                  "ALTER VIEW",
                                  "DROP VIEW",
                                  "CREATE DOMAIN",
                                  "ALTER DOMAIN",
                                  "DROP DOMAIN",
                                  "CREATE ROLE",
                                  "ALTER ROLE",
                                  "DROP ROLE",
                                  "CREATE INDEX",
                                  "ALTER INDEX",
                                  "DROP INDEX",
                                  "CREATE SEQUENCE",
                                  "ALTER SEQUENCE",
                                  "DROP SEQUENCE",
                                  "CREATE USER",
                                  "ALTER USER",
                                  "DROP USER",
                                  "CREATE COLLATION",
                                  "DROP COLLATION",
                                  "ALTER CHARACTER SET",
                                  "CREATE PACKAGE",
                                  "ALTER PACKAGE",
                                  "DROP PACKAGE",
                                  "CREATE PACKAGE BODY",
                                  "DROP PACKAGE BODY",
                                  "CREATE MAPPING",
                                  "ALTER MAPPING",
                                  "DROP MAPPING"};
// Every statement bit at once: "ANY DDL STATEMENT".
constexpr quint64 kAnyDdlStatement = 0x7FFFFFFFFFFFFFFFULL & ~quint64(0x6000) & ~quint64(1);

// A DDL trigger's statements, each with its bit; the moment comes from the lowest bit.
QString DdlTriggerName(qint64 type) {
  const QString moment = (type & 1) ? QStringLiteral("AFTER ") : QStringLiteral("BEFORE ");
  const quint64 events = quint64(type) & ~quint64(kDdlTrigger) & ~quint64(1);
  if (events == kAnyDdlStatement) return moment + QStringLiteral("ANY DDL STATEMENT");
  QStringList names;
  for (int bit = 1; bit < 64; ++bit) {
    if (!(events & (quint64(1) << bit))) continue;
    if (bit >= int(std::size(kDdlEvents)) || !kDdlEvents[bit]) return {};
    names << QString::fromLatin1(kDdlEvents[bit]);
  }
  return names.isEmpty() ? QString() : moment + names.join(QStringLiteral(" OR "));
}

// Row events of one slot of a trigger type: 1 insert, 2 update, 3 delete.
QString RowEvent(int slot) {
  switch (slot) {
  case 1: return QStringLiteral("INSERT");
  case 2: return QStringLiteral("UPDATE");
  case 3: return QStringLiteral("DELETE");
  default: return {};
  }
}

// A row trigger's type holds up to three events in two-bit slots after its BEFORE/AFTER bit,
// all of it counted from one (type 1 is BEFORE INSERT).
QString RowTriggerName(qint64 type) {
  const qint64 v = type + 1;
  QStringList events;
  for (int slot = 1; slot <= 3; ++slot) {
    const QString e = RowEvent(int((v >> (slot * 2 - 1)) & 3));
    if (e.isEmpty()) break;
    events << e;
  }
  if (events.isEmpty() || (v >> 7) != 0) return {};
  return ((v & 1) ? QStringLiteral("AFTER ") : QStringLiteral("BEFORE ")) + events.join(QStringLiteral(" OR "));
}
}  // namespace

const QStringList &TriggerEventNames() {
  static const QStringList names{QStringLiteral("BEFORE INSERT"), QStringLiteral("AFTER INSERT"),
                                 QStringLiteral("BEFORE UPDATE"), QStringLiteral("AFTER UPDATE"),
                                 QStringLiteral("BEFORE DELETE"), QStringLiteral("AFTER DELETE")};
  return names;
}

QString TriggerTypeName(const QVariant &triggerType) {
  const qint64 type = triggerType.isNull() ? 0 : triggerType.toLongLong();
  if (type <= 0) return {};
  if (type <= 6) return TriggerEventNames().at(int(type - 1));
  if (type >= kDatabaseTrigger && type < kDatabaseTrigger + qint64(std::size(kDatabaseEvents)))
    return QString::fromLatin1(kDatabaseEvents[type - kDatabaseTrigger]);
  if ((type & 0x6000) == kDdlTrigger) return DdlTriggerName(type);
  return RowTriggerName(type);
}

const QStringList &AllTriggerEvents() {
  static const QStringList events = [] {
    QStringList out = TriggerEventNames();
    for (const char *moment : {"BEFORE ", "AFTER "})
      for (const char *rows :
           {"INSERT OR UPDATE", "INSERT OR DELETE", "UPDATE OR DELETE", "INSERT OR UPDATE OR DELETE"})
        out << QString::fromLatin1(moment) + QLatin1String(rows);
    for (const char *e : kDatabaseEvents)
      out << QString::fromLatin1(e);
    for (const char *moment : {"BEFORE ", "AFTER "}) {
      out << QString::fromLatin1(moment) + QLatin1String("ANY DDL STATEMENT");
      for (const char *e : kDdlEvents)
        if (e) out << QString::fromLatin1(moment) + QLatin1String(e);
    }
    return out;
  }();
  return events;
}

bool IsTableEvent(const QString &event) {
  static const QRegularExpression row(QStringLiteral("^\\s*(BEFORE|AFTER)\\s+(INSERT|UPDATE|DELETE)\\b"),
                                      QRegularExpression::CaseInsensitiveOption);
  return event.trimmed().isEmpty() || row.match(event).hasMatch();
}

QString TriggerActiveName(const QVariant &inactive) {
  return inactive.toInt() == 1 ? QStringLiteral("INACTIVE") : QStringLiteral("ACTIVE");
}

QString TriggerEventText(qint64 type) {
  constexpr qint64 kDdlTrigger = 0x4000, kAnyDdl = 0x7FFFFFFFFFFFDFFELL;
  if ((type & 0x6000) != kDdlTrigger) return TriggerTypeName(type);
  const QString when = (type & 1) ? QStringLiteral("AFTER ") : QStringLiteral("BEFORE ");
  if ((type & ~qint64(1)) == kAnyDdl) return when + QStringLiteral("ANY DDL STATEMENT");
  // Events 1 to 12 take bits 1 to 12, the others bits 16 and up.
  static const char *const events[] = {
      "CREATE TABLE",        "ALTER TABLE",     "DROP TABLE",       "CREATE PROCEDURE", "ALTER PROCEDURE",
      "DROP PROCEDURE",      "CREATE FUNCTION", "ALTER FUNCTION",   "DROP FUNCTION",    "CREATE TRIGGER",
      "ALTER TRIGGER",       "DROP TRIGGER",    "CREATE EXCEPTION", "ALTER EXCEPTION",  "DROP EXCEPTION",
      "CREATE VIEW",         "ALTER VIEW",      "DROP VIEW",        "CREATE DOMAIN",    "ALTER DOMAIN",
      "DROP DOMAIN",         "CREATE ROLE",     "ALTER ROLE",       "DROP ROLE",        "CREATE INDEX",
      "ALTER INDEX",         "DROP INDEX",      "CREATE SEQUENCE",  "ALTER SEQUENCE",   "DROP SEQUENCE",
      "CREATE USER",         "ALTER USER",      "DROP USER",        "CREATE COLLATION", "DROP COLLATION",
      "ALTER CHARACTER SET", "CREATE PACKAGE",  "ALTER PACKAGE",    "DROP PACKAGE",     "CREATE PACKAGE BODY",
      "DROP PACKAGE BODY",   "CREATE MAPPING",  "ALTER MAPPING",    "DROP MAPPING"};
  QStringList names;
  for (int i = 0; i < int(std::size(events)); ++i) {
    const int bit = i < 12 ? i + 1 : i + 4;
    if (type & (qint64(1) << bit)) names << QLatin1String(events[i]);
  }
  return when + names.join(QStringLiteral(" OR "));
}

TTriggerList::TTriggerList(QObject *owner) : TCatalogList(owner, kUserTriggers) {
  NameField = DeclareField(new TStringField(this, QStringLiteral("RDB$TRIGGER_NAME"), 31), QStringLiteral("NAME"), 0);
  Relation =
      DeclareField(new TStringField(this, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("RDB$RELATION"), 0);
  Sequence =
      DeclareField(new TSmallintField(this, QStringLiteral("RDB$TRIGGER_SEQUENCE")), QStringLiteral("RDB$TRIGGER"), 0);
  Type = DeclareField(new TSmallintField(this, QStringLiteral("RDB$TRIGGER_TYPE")), QStringLiteral("TYPE"), 0);
  Source = DeclareField(new TMemoField(this, QStringLiteral("RDB$TRIGGER_SOURCE")), QStringLiteral("SOURCE"), 0);
  Description = DeclareField(new TMemoField(this, QStringLiteral("RDB$DESCRIPTION")), QStringLiteral("DESCRIPTION"), 0);
  Inactive =
      DeclareField(new TSmallintField(this, QStringLiteral("RDB$TRIGGER_INACTIVE")), QStringLiteral("INACTIVE"), 0);
  TypeName = CalculatedText("TYPENAME", kEventTextRoom, "", kEventTextLength);
  ActiveName = CalculatedText("ACT", 10);
  OnCalcFields = [this](TDataSet *) {
    TypeName->SetAsString(TriggerTypeName(Type->Value()));
    ActiveName->SetAsString(TriggerActiveName(Inactive->Value()));
  };
  Filtered = true;
  OnFilterRecord = [this](TDataSet *, bool &accept) {
    accept = FRelation.isEmpty() || Relation->AsString() == FRelation;
  };
}

void TTriggerList::ShowRelation(const QString &relation) {
  FRelation = relation;
  Refilter();
}

void DropTrigger(const QString &name) { FbSession()->ExecuteFor(kDropTrigger, name); }

void SetTriggerActive(const QString &name, bool active) {
  FbSession()->ExecuteFor(active ? kActivateTrigger : kDeactivateTrigger, name);
}

namespace {
constexpr char kIsView[] =
    "SELECT CASE WHEN RDB$VIEW_BLR IS NULL THEN 0 ELSE 1 END AS IS_VIEW FROM RDB$RELATIONS\n"
    "WHERE RDB$RELATION_NAME = :NAME";
// The view's columns that show a table's column, with that table, in the view's order.
constexpr char kViewColumns[] =
    "SELECT rf.RDB$FIELD_NAME, rf.RDB$BASE_FIELD, vr.RDB$RELATION_NAME AS BASE_RELATION\n"
    "FROM RDB$RELATION_FIELDS rf\n"
    "JOIN RDB$VIEW_RELATIONS vr ON vr.RDB$VIEW_NAME = rf.RDB$RELATION_NAME AND vr.RDB$VIEW_CONTEXT = "
    "rf.RDB$VIEW_CONTEXT\n"
    "JOIN RDB$RELATIONS r ON r.RDB$RELATION_NAME = vr.RDB$RELATION_NAME AND r.RDB$VIEW_BLR IS NULL\n"
    "WHERE rf.RDB$RELATION_NAME = :NAME AND rf.RDB$BASE_FIELD IS NOT NULL\n"
    "ORDER BY rf.RDB$FIELD_POSITION";
constexpr char kPrimaryKey[] =
    "SELECT s.RDB$FIELD_NAME FROM RDB$RELATION_CONSTRAINTS c\n"
    "JOIN RDB$INDEX_SEGMENTS s ON s.RDB$INDEX_NAME = c.RDB$INDEX_NAME\n"
    "WHERE c.RDB$RELATION_NAME = :NAME AND c.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'\n"
    "ORDER BY s.RDB$FIELD_POSITION";
constexpr int kTriggerNameLength = 31;

// The rows of a one-parameter catalog query, each as its columns' texts.
QList<QStringList> Rows(const char *sql, const QString &name) {
  TCatalogList query(nullptr, sql);
  query.ParamByName(QStringLiteral("NAME"), name);
  query.Open();
  QList<QStringList> rows;
  for (; !query.Eof(); query.Next()) {
    QStringList row;
    for (const TField *f : query.Fields())
      row << f->AsString();
    rows << row;
  }
  return rows;
}

// One table under the view: its column names paired with the view's.
struct TBaseColumns {
  QString Table;
  QStringList Columns, ViewColumns;
};

// Where a row of the table is the one the view's OLD row shows.
QString RowCondition(const TBaseColumns &base) {
  QStringList key;
  for (const QStringList &row : Rows(kPrimaryKey, base.Table))
    key << row.value(0);
  const bool keyShown =
      !key.isEmpty() && std::all_of(key.begin(), key.end(), [&](const QString &k) { return base.Columns.contains(k); });
  TFbSession *session = FbSession();
  QStringList terms;
  for (int i = 0; i < base.Columns.size(); ++i) {
    if (keyShown && !key.contains(base.Columns[i])) continue;
    terms << QStringLiteral("%1 %2 OLD.%3")
                 .arg(session->SQLName(base.Columns[i]),
                      keyShown ? QStringLiteral("=") : QStringLiteral("IS NOT DISTINCT FROM"),
                      session->SQLName(base.ViewColumns[i]));
  }
  return terms.join(QStringLiteral(" AND "));
}

QString ChangeStatement(const TBaseColumns &base, TViewChange change) {
  TFbSession *session = FbSession();
  QStringList columns, values, sets;
  for (int i = 0; i < base.Columns.size(); ++i) {
    const QString column = session->SQLName(base.Columns[i]), value = "NEW." + session->SQLName(base.ViewColumns[i]);
    columns << column;
    values << value;
    sets << column + QStringLiteral(" = ") + value;
  }
  const QString table = session->SQLName(base.Table);
  switch (change) {
  case TViewChange::Insert:
    return QStringLiteral("INSERT INTO %1 (%2)\n    VALUES (%3);")
        .arg(table, columns.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
  case TViewChange::Update:
    return QStringLiteral("UPDATE %1 SET %2\n    WHERE %3;")
        .arg(table, sets.join(QStringLiteral(", ")), RowCondition(base));
  case TViewChange::Delete: return QStringLiteral("DELETE FROM %1\n    WHERE %2;").arg(table, RowCondition(base));
  }
  return {};
}
}  // namespace

TTriggerDraft ViewTriggerDraft(const QString &view, TViewChange change) {
  const QList<QStringList> kind = Rows(kIsView, view);
  if (kind.isEmpty()) throw Exception(QStringLiteral("There is no table or view %1").arg(view));
  if (kind.first().value(0) != QLatin1String("1"))
    throw Exception(QStringLiteral("%1 is a table: the wizards write triggers for views").arg(view));
  QList<TBaseColumns> bases;
  for (const QStringList &row : Rows(kViewColumns, view)) {
    auto base = std::find_if(bases.begin(), bases.end(), [&](const TBaseColumns &b) { return b.Table == row[2]; });
    if (base == bases.end()) base = bases.insert(bases.end(), TBaseColumns{row[2], {}, {}});
    base->Columns << row[1];
    base->ViewColumns << row[0];
  }
  if (bases.isEmpty()) throw Exception(QStringLiteral("View %1 shows no column of a table").arg(view));
  static const char *const events[] = {"INSERT", "UPDATE", "DELETE"};
  const QString what = QLatin1String(events[int(change)]);
  QStringList body{QStringLiteral("AS"), QStringLiteral("BEGIN")};
  for (const TBaseColumns &base : bases)
    body << QStringLiteral("  ") + ChangeStatement(base, change);
  body << QStringLiteral("END");
  const QString suffix = QStringLiteral("_B") + what.left(1);
  return {FbSession()->SQLName(view.left(kTriggerNameLength - suffix.size()) + suffix), FbSession()->SQLName(view),
          QStringLiteral("BEFORE ") + what, body.join(QLatin1Char('\n'))};
}

QStringList CreateTriggerHead(const QString &name, const QString &table, const QString &event, int position) {
  // A database or DDL trigger belongs to no table.
  return {FillFormat(kCreateTriggerHead, {name}),
          IsTableEvent(event) ? FillFormat(kTriggerFor, {table}) : QString::fromLatin1(kTriggerActive), event,
          FillFormat(kTriggerPosition, {QString::number(position)})};
}

QStringList AlterTriggerHead(const QString &name, const QString &event, std::optional<int> position) {
  // The server alters a database or DDL trigger's body and position only: its event stays.
  QStringList head{FillFormat(kAlterTriggerHead, {name})};
  if (IsTableEvent(event)) head << event;
  if (position) head << FillFormat(kTriggerPosition, {QString::number(*position)});
  return head;
}
