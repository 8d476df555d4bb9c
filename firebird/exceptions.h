#pragma once
// Exceptions: the user's exceptions as a list with their messages; create, alter, drop.
#include "firebird/cataloglist.h"
#include "firebird/storedtext.h"

// The user's exceptions: name and message.
class TExceptionList : public TCatalogList {
  Q_OBJECT
public:
  explicit TExceptionList(QObject *owner);
  TField *Message;
};

// The commands run under the session's auto-commit policy; the message goes in as a literal
// of the database's dialect, so quotes and apostrophes in it are stored as typed.
// A new name goes out as the user typed it (quoted by the user where it needs quotes).
void CreateException(const QString &typedName, const QString &message);
// name is a catalog name: quoted as the dialect needs.
// A stored message that is not UTF-8 goes back as its bytes while message is its text unchanged.
void AlterException(const QString &name, const QString &message, const TStoredText &stored = {});
void DropException(const QString &name);
