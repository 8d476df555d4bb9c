#include "firebird/catalog.h"

#include <QSet>

namespace {
int Code(const QVariant &v) { return v.isNull() ? 0 : v.toInt(); }

// Firebird 3's reserved words: such a name exists only because it was created quoted.
const QSet<QString> &ReservedWords() {
  static const QSet<QString> words = [] {
    const QString list = QStringLiteral(
        "ADD ADMIN ALL ALTER AND ANY AS AT AVG BEGIN BETWEEN BIGINT BIT_LENGTH BLOB BOOLEAN BOTH BY CASE "
        "CAST CHAR CHAR_LENGTH CHARACTER CHARACTER_LENGTH CHECK CLOSE COLLATE COLUMN COMMIT CONNECT "
        "CONSTRAINT CORR COUNT COVAR_POP COVAR_SAMP CREATE CROSS CURRENT CURRENT_CONNECTION CURRENT_DATE "
        "CURRENT_ROLE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_TRANSACTION CURRENT_USER CURSOR DATE DAY DEC "
        "DECIMAL DECLARE DEFAULT DELETE DELETING DETERMINISTIC DISCONNECT DISTINCT DOUBLE DROP ELSE END "
        "ESCAPE EXECUTE EXISTS EXTERNAL EXTRACT FALSE FETCH FILTER FLOAT FOR FOREIGN FROM FULL FUNCTION "
        "GDSCODE GLOBAL GRANT GROUP HAVING HOUR IN INDEX INNER INSENSITIVE INSERT INSERTING INT INTEGER INTO "
        "IS JOIN LEADING LEFT LIKE LONG LOWER MAX MAXIMUM_SEGMENT MERGE MIN MINUTE MONTH NATIONAL NATURAL "
        "NCHAR NO NOT NULL NUMERIC OCTET_LENGTH OF OFFSET ON ONLY OPEN OR ORDER OUTER OVER PARAMETER PLAN "
        "POSITION POST_EVENT PRECISION PRIMARY PROCEDURE RDB$DB_KEY RDB$RECORD_VERSION REAL RECORD_VERSION "
        "RECREATE RECURSIVE REFERENCES REGR_AVGX REGR_AVGY REGR_COUNT REGR_INTERCEPT REGR_R2 REGR_SLOPE "
        "REGR_SXX REGR_SXY REGR_SYY RELEASE RETURN RETURNING_VALUES RETURNS REVOKE RIGHT ROLLBACK ROW "
        "ROW_COUNT ROWS SAVEPOINT SCROLL SECOND SELECT SENSITIVE SET SIMILAR SMALLINT SOME SQLCODE SQLSTATE "
        "START STDDEV_POP STDDEV_SAMP SUM TABLE THEN TIME TIMESTAMP TO TRAILING TRIGGER TRIM TRUE UNION "
        "UNIQUE UNKNOWN UPDATE UPDATING UPPER USER USING VALUE VALUES VAR_POP VAR_SAMP VARCHAR VARIABLE "
        "VARYING VIEW WHEN WHERE WHILE WITH YEAR ");
    const QStringList split = list.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return QSet<QString>(split.begin(), split.end());
  }();
  return words;
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

QString DomainTypeName(const QVariant &fieldType) {
  // 35 keeps its classic name "DATE" (what dialect 1 calls a timestamp). The codes after it
  // are the ones Firebird stores besides the classic ones: without them a dialect-3 DATE,
  // TIME, BIGINT or NUMERIC(18,x) or a BOOLEAN would read "UNKNOWN".
  switch (Code(fieldType)) {
  case 7: return QStringLiteral("SMALLINT");
  case 8: return QStringLiteral("INTEGER");
  case 9: return QStringLiteral("QUAD");
  case 10: return QStringLiteral("FLOAT");
  case 11: return QStringLiteral("D_FLOAT");
  case 14: return QStringLiteral("CHAR");
  case 27: return QStringLiteral("DOUBLE");
  case 37: return QStringLiteral("VARCHAR");
  case 35: return QStringLiteral("DATE");
  case 261: return QStringLiteral("BLOB");
  case 12: return QStringLiteral("DATE");
  case 13: return QStringLiteral("TIME");
  case 16: return QStringLiteral("BIGINT");
  case 23: return QStringLiteral("BOOLEAN");
  default: return QStringLiteral("UNKNOWN");
  }
}

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
  return Code(inactive) == 1 ? QStringLiteral("INACTIVE") : QStringLiteral("ACTIVE");
}

QString DependencyTypeName(const QVariant &dependentType) {
  static const char *const names[] = {
      "Table",     "View",     "Trigger",     "Computed Field", "Validation",    "Procedure",   "Expression Index",
      "Exception", "User",     "Field",       "Index",          "Character Set", "User Group",  "Role",
      "Generator", "Function", "Blob Filter", "Collation",      "Package",       "Package Body"};
  const int type = Code(dependentType);
  if (type < 0 || type >= int(std::size(names))) return QStringLiteral("N/A");
  return QString::fromLatin1(names[type]);
}

bool IsRegularIdentifier(const QString &name) {
  if (name.isEmpty() || name.size() > 31) return false;
  if (!(name[0] >= u'A' && name[0] <= u'Z')) return false;
  for (const QChar c : name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$')) return false;
  return !ReservedWords().contains(name);
}

QString QuoteIdentifier(const QString &name, int dialect) {
  // No name at all stays nothing: the statement then fails on the missing name, as typed.
  if (dialect < 3 || name.isEmpty() || IsRegularIdentifier(name)) return name;
  QString quoted = name;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString StringLiteral(const QString &text, int dialect) {
  const QChar quote = dialect >= 3 ? QLatin1Char('\'') : QLatin1Char('"');
  QString inner = text;
  inner.replace(quote, QString(2, quote));
  return quote + inner + quote;
}

QString FillFormat(const char *format, const QStringList &values) {
  const QString f = QString::fromLatin1(format);
  QString out;
  out.reserve(f.size() + 64);
  int next = 0;
  for (qsizetype i = 0; i < f.size(); ++i) {
    if (f[i] == u'%' && i + 1 < f.size()) {
      const QChar c = f[i + 1];
      if (c == u'%') {
        out += u'%';
        ++i;
        continue;
      }
      if (c == u's' || c == u'd') {
        if (next < values.size()) out += values[next];
        ++next;
        ++i;
        continue;
      }
    }
    out += f[i];
  }
  return out;
}
