#pragma once
// The line list: the content of every editor and the unit in which texts pass between
// windows. Loading splits at CR, LF or CR LF and stops at the first NUL (or, for a list whose
// later entries must survive a damaged spot, takes a NUL as a break); the text form puts
// CR LF after every line; the editor form separates lines with CR LF and ends without one.
#include <QString>
#include <QStringList>

class QIODevice;

// What a NUL in loaded text means: the end of the text, or one more line break.
enum class TNulMode { EndsText, BreaksLine };

class TStringList {
public:
  TStringList() = default;
  explicit TStringList(const QStringList &lines) : FLines(lines) {}

  // Splits a text into lines: a line ends at CR, LF or CR LF; the text ends at its first NUL.
  static QStringList SplitLines(const QString &text, TNulMode nul = TNulMode::EndsText);

  int Count() const { return FLines.size(); }
  const QString &operator[](int i) const { return FLines[i]; }
  QString &operator[](int i) { return FLines[i]; }
  void Clear() { FLines.clear(); }
  void Add(const QString &line) { FLines.append(line); }
  void Exchange(int a, int b) { FLines.swapItemsAt(a, b); }
  // Index of the first line equal to s without regard to case, -1 when none.
  int IndexOf(const QString &s) const;
  const QStringList &Lines() const { return FLines; }
  void SetLines(const QStringList &lines) { FLines = lines; }

  // Free-list text form: every line followed by CR LF, the last one included.
  QString Text() const;
  void SetText(const QString &text) { FLines = SplitLines(text); }
  // Editor text form: lines separated by CR LF, no break after the last one.
  QString EditorText() const { return FLines.join(QStringLiteral("\r\n")); }

  // NAME=value lists. Setting a value to the empty string removes the entry.
  QString Values(const QString &name) const;
  void SetValues(const QString &name, const QString &value);
  int IndexOfName(const QString &name) const;

  // Streams and files carry bytes; text is UTF-8 (Latin-1 where the bytes are not UTF-8).
  void LoadFromStream(QIODevice &stream);
  void SaveToStream(QIODevice &stream) const;
  // File errors raise Exception with "Cannot open file %s" / "Cannot create file %s". Only a
  // regular file of at most 16 MiB is read.
  void LoadFromFile(const QString &fileName, TNulMode nul = TNulMode::EndsText);
  void SaveToFile(const QString &fileName) const;

  // Decoding shared by files and memo streams.
  static QString DecodeBytes(const QByteArray &bytes);

private:
  QStringList FLines;
};
