#pragma once
// The program's error types. Failures travel as exceptions up to the command that
// started them; the application's error display shows them (EAbort silently).
#include <QString>
#include <exception>

class Exception : public std::exception {
public:
  explicit Exception(QString message) : FMessage(std::move(message)), FUtf8(FMessage.toUtf8()) {}
  const QString &Message() const { return FMessage; }
  const char *what() const noexcept override { return FUtf8.constData(); }

private:
  QString FMessage;
  QByteArray FUtf8;
};

// Server and engine errors: the message is the engine's own.
class EDatabaseError : public Exception {
public:
  using Exception::Exception;
};

// The server refused a change because another transaction holds the row or the table.
class ELockConflict : public EDatabaseError {
public:
  using EDatabaseError::EDatabaseError;
};

// The silent abort: the user cancelled a step; nothing is shown.
class EAbort : public Exception {
public:
  EAbort() : Exception(QStringLiteral("Operation aborted")) {}
};

// Raises the silent abort.
[[noreturn]] inline void Abort() { throw EAbort(); }
