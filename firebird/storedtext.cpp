#include "firebird/storedtext.h"

#include "data/dataset.h"
#include "firebird/cataloglist.h"
#include "firebird/session.h"

#include <QStringDecoder>

TStoredText ExceptionMessage(const QString &name) {
  // As a binary blob the driver hands over the bytes themselves, not their decoding; read in
  // the program's open transaction, as the list that named the exception was.
  TCatalogList query(nullptr,
                     "SELECT CAST(RDB$MESSAGE AS BLOB SUB_TYPE BINARY) FROM RDB$EXCEPTIONS "
                     "WHERE RDB$EXCEPTION_NAME = :NAME");
  query.ParamByName(QStringLiteral("NAME"), name);
  query.Open();
  TStoredText stored;
  if (query.RecordCount() == 0) return stored;
  const QByteArray bytes = query.Fields().at(0)->Value().toByteArray();
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  stored.Text = utf8.decode(bytes);
  if (utf8.hasError()) stored.Bytes = bytes;
  return stored;
}

// The introducer makes the server take the bytes as they are instead of checking them against
// the attachment's character set.
QByteArray BytesLiteral(const QByteArray &bytes) {
  QByteArray quoted = bytes;
  return "_NONE '" + quoted.replace('\'', "''") + '\'';
}
