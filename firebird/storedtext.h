#pragma once
// Texts the catalog keeps in columns of character set NONE: the attachment hands their bytes
// over as they are, and those need not be UTF-8. A text that is not is shown with replacement
// characters; its bytes are kept so that sending it back unchanged stores the same bytes.
#include <QByteArray>
#include <QString>

// A text read from the catalog with the bytes it was decoded from, when these are not UTF-8.
struct TStoredText {
  QString Text;
  QByteArray Bytes;  // empty when Text is faithful
  bool Faithful() const { return Bytes.isEmpty(); }
};

// The stored message of a user exception; an exception that is gone reads empty.
TStoredText ExceptionMessage(const QString &name);
// A string literal holding the bytes exactly, whatever the attachment's character set.
QByteArray BytesLiteral(const QByteArray &bytes);
