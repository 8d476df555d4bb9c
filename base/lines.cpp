#include "base/lines.h"

#include "base/errors.h"
#include "base/regularfile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

QStringList TStringList::SplitLines(const QString &text, TNulMode nul) {
  QStringList out;
  qsizetype end = nul == TNulMode::EndsText ? text.indexOf(QChar(u'\0')) : -1;
  if (end < 0) end = text.size();
  qsizetype start = 0;
  const QChar *d = text.constData();
  for (qsizetype i = 0; i < end; ++i) {
    const QChar c = d[i];
    if (c == u'\r' || c == u'\n' || c == u'\0') {
      out.append(text.mid(start, i - start));
      if (c == u'\r' && i + 1 < end && d[i + 1] == u'\n') ++i;
      start = i + 1;
    }
  }
  if (start < end) out.append(text.mid(start, end - start));
  return out;
}

int TStringList::IndexOf(const QString &s) const {
  for (int i = 0; i < FLines.size(); ++i)
    if (FLines[i].compare(s, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QString TStringList::Text() const {
  QString out;
  qsizetype n = 0;
  for (const QString &l : FLines)
    n += l.size() + 2;
  out.reserve(n);
  for (const QString &l : FLines) {
    out += l;
    out += QLatin1String("\r\n");
  }
  return out;
}

int TStringList::IndexOfName(const QString &name) const {
  for (int i = 0; i < FLines.size(); ++i) {
    const QString &l = FLines[i];
    qsizetype eq = l.indexOf(u'=');
    QString n = eq < 0 ? l : l.left(eq);
    if (n.compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return -1;
}

QString TStringList::Values(const QString &name) const {
  int i = IndexOfName(name);
  if (i < 0) return {};
  const QString &l = FLines[i];
  qsizetype eq = l.indexOf(u'=');
  return eq < 0 ? QString() : l.mid(eq + 1);
}

void TStringList::SetValues(const QString &name, const QString &value) {
  int i = IndexOfName(name);
  if (value.isEmpty()) {
    if (i >= 0) FLines.removeAt(i);
    return;
  }
  QString entry = name + u'=' + value;
  if (i >= 0)
    FLines[i] = entry;
  else
    FLines.append(entry);
}

QString TStringList::DecodeBytes(const QByteArray &bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString s = utf8.decode(bytes);
  if (!utf8.hasError()) return s;
  return QString::fromLatin1(bytes);
}

void TStringList::LoadFromStream(QIODevice &stream) { SetText(DecodeBytes(stream.readAll())); }

void TStringList::SaveToStream(QIODevice &stream) const { stream.write(Text().toUtf8()); }

void TStringList::LoadFromFile(const QString &fileName, TNulMode nul) {
  constexpr qint64 kMaxFileBytes = 16ll * 1024 * 1024;
  QByteArray bytes;
  switch (ReadRegularFile(fileName, kMaxFileBytes, bytes)) {
  case TReadResult::Ok: break;
  case TReadResult::TooLarge: throw Exception(QStringLiteral("File %1 is too large").arg(fileName));
  default: throw Exception(QStringLiteral("Cannot open file %1").arg(fileName));
  }
  FLines = SplitLines(DecodeBytes(bytes), nul);
}

void TStringList::SaveToFile(const QString &fileName) const {
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) throw Exception(QStringLiteral("Cannot create file %1").arg(fileName));
  SaveToStream(f);
  if (!f.commit()) throw Exception(QStringLiteral("Cannot create file %1").arg(fileName));
}
