#include "firebird/names.h"

#include "firebird/keywords.h"

bool IsRegularIdentifier(const QString &name) {
  if (name.isEmpty() || name.size() > 31) return false;
  if (!(name[0] >= u'A' && name[0] <= u'Z')) return false;
  for (const QChar c : name)
    if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'$')) return false;
  return !IsReservedWord(name);
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
