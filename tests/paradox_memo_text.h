#pragma once
// The source text the repository tests store under a name in a given version: a first line
// that names both, then text of a length that varies with them (with Latvian letters and
// CR LF breaks), sometimes short enough to stay inside the record.
#include <QString>
#include <QStringList>
#include <cstdint>

inline QString RepoMemoText(const QString &name, int version) {
  uint32_t h = 2166136261u;
  for (QChar c : name + QString::number(version))
    h = (h ^ c.unicode()) * 16777619u;
  const QString head = QStringLiteral("name=%1 ver=%2\r\n").arg(name).arg(version);
  static const int lengths[] = {0, 2, 25, 300, 1500, 2040, 2100, 4087, 7000};
  const int extra = lengths[h % 9] + int((h >> 8) % 16);
  static const QString words = QStringLiteral("SELECT ārējā ĒKA, čūska FROM ŠĶŪNIS WHERE ņ = 'ģīļž';\r\n");
  QString text = head;
  while (text.size() < head.size() + extra)
    text += words;
  text.truncate(head.size() + extra);
  return text;
}

// The version a text of RepoMemoText states, -1 for another text.
inline int RepoMemoVersion(const QString &text) {
  const QString first = text.section(QStringLiteral("\r\n"), 0, 0);
  const int at = first.indexOf(QStringLiteral(" ver="));
  return at < 0 ? -1 : first.mid(at + 5).toInt();
}
