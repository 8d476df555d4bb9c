#include "firebird/triggers.h"

#include "firebird/names.h"
#include "firebird/session.h"

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
constexpr char kTriggerPosition[] = "POSITION %d";
// The longest event text: "BEFORE INSERT OR UPDATE OR DELETE".
constexpr int kEventTextLength = 33;

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
  static const char *const database[] = {"ON CONNECT", "ON DISCONNECT", "ON TRANSACTION START", "ON TRANSACTION COMMIT",
                                         "ON TRANSACTION ROLLBACK"};
  constexpr qint64 kDatabaseTrigger = 8192, kDdlTrigger = 16384;
  if (type >= kDatabaseTrigger && type < kDatabaseTrigger + 5)
    return QString::fromLatin1(database[type - kDatabaseTrigger]);
  // DDL triggers keep an event mask above their type bit; the lowest bit says BEFORE or AFTER.
  if ((type & ~qint64(0x3FFF)) != 0 && (type & kDdlTrigger))
    return (type & 1) ? QStringLiteral("AFTER DDL STATEMENT") : QStringLiteral("BEFORE DDL STATEMENT");
  return RowTriggerName(type);
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
  TypeName = new TStringField(this, QStringLiteral("TYPENAME"), kEventTextLength);
  TypeName->Calculated = true;
  ActiveName = new TStringField(this, QStringLiteral("ACT"), 10);
  ActiveName->Calculated = true;
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

QStringList CreateTriggerHead(const QString &name, const QString &table, const QString &event, int position) {
  return {FillFormat(kCreateTriggerHead, {name}), FillFormat(kTriggerFor, {table}), event,
          FillFormat(kTriggerPosition, {QString::number(position)})};
}

QStringList AlterTriggerHead(const QString &name, const QString &event, std::optional<int> position) {
  QStringList head{FillFormat(kAlterTriggerHead, {name}), event};
  if (position) head << FillFormat(kTriggerPosition, {QString::number(*position)});
  return head;
}
