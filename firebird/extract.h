#pragma once
// The database's definition as DDL that replays: one object's statements (what a Show DDL
// asks for) or the whole database's script, in an order that runs on an empty database.
// Names are quoted as the dialect needs, literals are the dialect's own; procedural objects
// stand between SET TERM ^ lines. Widget-free: the command line uses it as the windows do.
#include <ibase.h>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <future>

enum class TObjectKind {
  Domain,
  Exception,
  Generator,
  Trigger,
  Table,
  View,
  Procedure,
  Function,
  Package,
  Index,
  Role,
  Collation,
};

struct TExtractOptions {
  bool GeneratorValues = false;  // SET GENERATOR to each generator's current value too
  // Called now and then from the extracting thread with the steps done and their count; a
  // false answer cancels the extraction (it raises EAbort).
  std::function<bool(int done, int total)> Progress;
};

// The statements that create one object of the session's database (a table with its keys,
// checks, indices and comments; a package with its body), read in one snapshot. Raises
// EDatabaseError when there is no such object, and with the server's message.
QString ObjectDDL(TObjectKind kind, const QString &name);
// The whole database of the session: dialect, a commented CREATE DATABASE line (its default
// character set and collation), then every user object so ordered that the script runs in
// isql on an empty database.
QString DatabaseDDL(const TExtractOptions &options = {});

// The same on any attachment, from any thread (the client library's calls alone).
QString ObjectDDL(isc_db_handle db, int dialect, TObjectKind kind, const QString &name);
QString DatabaseDDL(isc_db_handle db, int dialect, const TExtractOptions &options = {});

// A whole-database extraction of the session's database on a worker thread, reporting by
// signal; the attachment is claimed for its length (as a script run claims it).
class TExtractRun : public QObject {
  Q_OBJECT
public:
  explicit TExtractRun(TExtractOptions options = {}, QObject *parent = nullptr);
  ~TExtractRun() override;
  // Claims the attachment (refused while a script runs) and starts; returns at once.
  void Start();
  // Stops at the next step; Failed does not follow, Cancelled does.
  void Cancel() { FCancel = true; }
  bool Running() const { return FPending.valid(); }

signals:
  void Progress(int done, int total);
  void Finished(const QString &ddl);
  void Failed(const QString &message);
  void Cancelled();

private:
  void Collect();
  TExtractOptions FOptions;
  std::atomic<bool> FCancel{false};
  std::future<void> FPending;
  QString FResult, FError;
  bool FWasCancelled = false;
  struct TClaim;
  TClaim *FClaim = nullptr;
};
