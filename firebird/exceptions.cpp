#include "firebird/exceptions.h"

#include "firebird/names.h"
#include "firebird/session.h"

namespace {
// The server's own exceptions can be neither altered nor dropped.
constexpr char kUserExceptions[] =
    "SELECT RDB$EXCEPTION_NAME, RDB$MESSAGE\n"
    "FROM RDB$EXCEPTIONS\n"
    "WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0";
constexpr char kCreateException[] = "CREATE EXCEPTION %s  %s";
constexpr char kAlterException[] = "ALTER EXCEPTION %s  %s";
constexpr char kDropException[] = "DROP EXCEPTION %s";

void Send(const char *format, const QString &name, const QString &message) {
  FbSession()->Execute(FillFormat(format, {name, FbSession()->Literal(message)}));
}
}  // namespace

TExceptionList::TExceptionList(QObject *owner) : TCatalogList(owner, kUserExceptions) {
  NameField =
      DeclareField(new TStringField(this, QStringLiteral("RDB$EXCEPTION_NAME"), 31), QStringLiteral("NAME"), 31);
  Message = DeclareField(new TStringField(this, QStringLiteral("RDB$MESSAGE"), 78), QStringLiteral("MESSAGE"), 78);
}

void CreateException(const QString &typedName, const QString &message) { Send(kCreateException, typedName, message); }

void AlterException(const QString &name, const QString &message, const TStoredText &stored) {
  if (!stored.Faithful() && message == stored.Text) {
    // The message is the format's last field: its bytes literal goes after the rest.
    FbSession()->ExecuteBytes(FillFormat(kAlterException, {FbSession()->SQLName(name), QString()}).toUtf8() +
                              BytesLiteral(stored.Bytes));
    return;
  }
  Send(kAlterException, FbSession()->SQLName(name), message);
}

void DropException(const QString &name) { FbSession()->ExecuteFor(kDropException, name); }
