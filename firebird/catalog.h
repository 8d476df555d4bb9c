#pragma once
// What the program knows of the Firebird catalog, in one place and without widgets: the texts
// that decode catalog codes, the statement formats the windows fill, and how a name or a
// text goes into a statement in the database's dialect.
#include <QString>
#include <QStringList>
#include <QVariant>

// ---- Decoding catalog codes ----------------------------------------------------------------

// The bare type name of an RDB$FIELD_TYPE code; a null or unknown code gives "UNKNOWN".
QString DomainTypeName(const QVariant &fieldType);

// The six classic trigger events, in the order of their type codes 1..6.
const QStringList &TriggerEventNames();
// The event text of an RDB$TRIGGER_TYPE: the classic ones, multi-event triggers ("BEFORE
// INSERT OR UPDATE"), database triggers ("ON CONNECT") and DDL triggers; empty for 0, a null
// or a code no server makes.
QString TriggerTypeName(const QVariant &triggerType);
// "INACTIVE" for an RDB$TRIGGER_INACTIVE of 1, "ACTIVE" for anything else (null included).
QString TriggerActiveName(const QVariant &inactive);
// The object type of an RDB$DEPENDENT_TYPE (RDB$OBJECT_TYPE codes 0..19); "N/A" for others.
QString DependencyTypeName(const QVariant &dependentType);

// ---- Names and texts in statements ---------------------------------------------------------

// Upper-case letters, digits, '_' and '$', starting with a letter, at most 31 characters and
// not a reserved word: a name the server takes without quotes.
bool IsRegularIdentifier(const QString &name);
// A name read from the catalog as it must stand in a statement: in dialect 3 a name that is
// not a regular identifier goes in double quotes with inner double quotes doubled; in
// dialect 1 (which has no quoted names), for regular names and for an empty one, unchanged.
QString QuoteIdentifier(const QString &name, int dialect);
// A text as a string literal: dialect 3 in single quotes, dialect 1 in double quotes, the
// quote character doubled inside. Everything else stays byte for byte.
QString StringLiteral(const QString &text, int dialect);

// ---- Statement formats ---------------------------------------------------------------------
// Each %s or %d is filled, in order, by FillFormat.
namespace ddl {
inline constexpr char DropDomain[] = "DROP DOMAIN %s";
inline constexpr char CreateException[] = "CREATE EXCEPTION %s  %s";
inline constexpr char AlterException[] = "ALTER EXCEPTION %s  %s";
inline constexpr char DropException[] = "DROP EXCEPTION %s";
inline constexpr char DropGenerator[] = "DROP GENERATOR %s";
inline constexpr char DropTrigger[] = "DROP TRIGGER %s;";
inline constexpr char DeactivateTrigger[] = "ALTER TRIGGER %s INACTIVE;";
inline constexpr char ActivateTrigger[] = "ALTER TRIGGER %s ACTIVE;";
inline constexpr char AlterTriggerHead[] = "ALTER TRIGGER %s";
inline constexpr char CreateTriggerHead[] = "CREATE TRIGGER %s";
inline constexpr char TriggerFor[] = "FOR %s ACTIVE";
inline constexpr char TriggerPosition[] = "POSITION %d";
}  // namespace ddl

// ---- Catalog queries -----------------------------------------------------------------------
namespace catalogsql {
// The user's generators. User generators carry RDB$SYSTEM_FLAG 0 (older servers left it null).
inline constexpr char UserGenerators[] =
    "SELECT gener.RDB$GENERATOR_NAME \n"
    " FROM RDB$GENERATORS gener\n"
    "WHERE gener.RDB$SYSTEM_FLAG IS NULL OR gener.RDB$SYSTEM_FLAG = 0";
// The user columns of the relation in parameter RELNAME, in their order.
inline constexpr char RelationFields[] =
    "SELECT rf.RDB$RELATION_NAME , \n"
    " rf.RDB$FIELD_NAME , \n"
    " rf.RDB$FIELD_SOURCE , \n"
    " rf.RDB$BASE_FIELD , \n"
    " rf.RDB$FIELD_POSITION , \n"
    " rf.RDB$DEFAULT_VALUE , \n"
    " rf.RDB$SYSTEM_FLAG\n"
    "FROM RDB$RELATION_FIELDS rf\n"
    "WHERE (( rf.RDB$SYSTEM_FLAG <>1 ) AND (rf.RDB$RELATION_NAME = :\"RELNAME\"))\n"
    "ORDER BY\n"
    " rf.RDB$RELATION_NAME , rf.RDB$FIELD_POSITION";
// The objects that depend on the relation in parameter RELNAME, by field.
inline constexpr char RelationDependencies[] =
    "SELECT deps.RDB$DEPENDENT_NAME , \n"
    " deps.RDB$DEPENDED_ON_NAME , \n"
    " deps.RDB$FIELD_NAME , \n"
    " deps.RDB$DEPENDENT_TYPE , \n"
    " deps.RDB$DEPENDED_ON_TYPE\n"
    "FROM RDB$DEPENDENCIES deps\n"
    "WHERE (deps.RDB$DEPENDED_ON_NAME = :\"RELNAME\")\n"
    "ORDER BY\n"
    " deps.RDB$FIELD_NAME , deps.RDB$DEPENDED_ON_NAME , deps.RDB$DEPENDENT_NAME";
// The stored source of the view in parameter Name (null for a table).
inline constexpr char ViewSource[] =
    "SELECT relations_t.RDB$VIEW_SOURCE , \n"
    " relations_t.RDB$RELATION_NAME\n"
    "FROM RDB$RELATIONS relations_t\n"
    "WHERE relations_t.RDB$RELATION_NAME = :Name";
}  // namespace catalogsql

// Plain substitution: the n-th %s or %d takes the n-th value; "%%" stands for "%".
QString FillFormat(const char *format, const QStringList &values);
