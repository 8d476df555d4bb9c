#pragma once
// The Firebird session: the one server database the windows work on ("IBB"), its dialect
// (read once per connection), the auto-commit policy every DDL command of the program follows,
// and the signals that tell the rest of the program its transaction or connection changed.
#include "firebird/executor.h"

#include <QObject>

// Commit after every DDL command the program runs ("IB_AUTOCOMMIT" in the settings).
extern bool AutoCommit;

class TFbSession : public QObject {
  Q_OBJECT
public:
  // Creates the server database under alias "IBB" and makes this the program's session.
  explicit TFbSession(QObject *owner = nullptr);
  ~TFbSession() override;

  static const QString Alias;  // "IBB"

  TIBDataBase *Database() const { return FDb; }
  // The database's own dialect, asked once per connection (the database is opened first).
  int Dialect();
  // A name read from the catalog, quoted as the dialect needs it in a statement.
  QString SQLName(const QString &catalogName);
  // A text as a string literal of the dialect.
  QString Literal(const QString &text);
  // Runs a DDL text in the session's transaction; with auto commit on, commits it (and rolls
  // back when it fails). Refused while a script run holds the attachment. CatalogChanged
  // follows when it succeeded.
  void Execute(const QString &ddl);
  // Executes a statement format whose one %s is an object's catalog name, quoted as above.
  void ExecuteFor(const char *format, const QString &catalogName);
  // The same with the statement's bytes as they are.
  void ExecuteBytes(const QByteArray &ddl);
  // Refuses ("The database is busy running a script", "... running a statement") while a
  // script run or a statement run holds the attachment: what would read or change the
  // database meanwhile asks here first, instead of waiting on the attachment with the
  // interface frozen.
  void CheckFree() const { FDb->CheckFree(); }
  // Whether the script run commits after each statement, as Execute does.
  bool CommitsEachCommand() const { return AutoCommit; }

signals:
  // A transaction started or ended, or the database opened or closed.
  void StateChanged();
  // The server ended the connection (the transaction went with it).
  void ConnectionLost();
  // What the catalog shows may have changed: after the program's own DDL, a commit, a rollback
  // and the end of a script run. Lists of catalog objects read themselves again.
  void CatalogChanged();

private:
  TIBDataBase *FDb;
  int FDialect = 0;         // 0: not asked since the database opened
  bool FExecuting = false;  // Execute's own commit or rollback is not told apart
};

// The program's session; null before start-up has made one.
TFbSession *FbSession();
