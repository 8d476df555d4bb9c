#pragma once
// The names the SQL editor completes: every table, view, procedure, generator, exception and
// domain of the database, each relation's columns and each procedure's parameters. They are
// read once per connection on a worker thread, through an attachment of the reader's own, and
// again after the program's own DDL, a commit or a rollback (the session's CatalogChanged):
// at the first use after it, never a query per keystroke.
#include "base/lines.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <memory>

class QThread;
class TFbSession;

struct TCatalogNameSet {
  int Dialect = 3;
  QStringList Relations, Procedures, Generators, Exceptions, Domains;  // catalog names, sorted
  QHash<QString, QStringList> Columns;                                 // a relation's columns in their order
  QHash<QString, QStringList> Parameters;                              // a procedure's input, then output parameters
};

// Reads the names through a new attachment opened with the parameters ("SERVER NAME", "USER
// NAME", "PASSWORD"), closed again before it returns. Raises EDatabaseError with the server's
// message. Runs on any thread (the attachment is used only on the calling one).
TCatalogNameSet ReadCatalogNames(const TStringList &params, int dialect);

class TCatalogNames : public QObject {
  Q_OBJECT
public:
  explicit TCatalogNames(TFbSession *session);
  ~TCatalogNames() override;

  // The names last read; null before the first read has ended. Asking starts a read when the
  // names are not read yet, or stale since the catalog changed (the old ones answer meanwhile).
  std::shared_ptr<const TCatalogNameSet> Names();
  // Starts a new read (a read under way is left to end and its result dropped).
  void Refresh();
  // Waits for the read under way (tests and benches).
  void Wait();

signals:
  void Loaded();
  // The read failed: the server's message.
  void Failed(const QString &message);

private:
  void Finish(int generation, std::shared_ptr<const TCatalogNameSet> names, const QString &error);

  QPointer<TFbSession> FSession;
  std::shared_ptr<const TCatalogNameSet> FNames;
  QList<QThread *> FThreads;
  int FGeneration = 0;
  bool FStale = true;
};

// The program session's names; null before there is a session.
TCatalogNames *CatalogNames();
