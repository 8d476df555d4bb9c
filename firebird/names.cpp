#include "firebird/names.h"

#include <QSet>

namespace {
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
}  // namespace

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

QString TypedName(const QString &identifier) {
  if (identifier.size() < 2 || !identifier.startsWith(u'"') || !identifier.endsWith(u'"')) return identifier;
  QString inner = identifier.mid(1, identifier.size() - 2);
  inner.replace(QStringLiteral("\"\""), QStringLiteral("\""));
  return inner;
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
