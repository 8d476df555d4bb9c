#pragma once
// Running a script's statements one after another through the executor on a worker thread,
// so that the window showing the run keeps painting and its Cancel button answers.
// The run only reports by signal; what the user sees of it is the window's business.
#include "firebird/executor.h"
#include "firebird/script.h"

#include <QObject>
#include <atomic>
#include <future>
#include <memory>

// One run of a script's statements on the server database. COMMIT and ROLLBACK go through
// the executor's own Commit and Rollback (so the main window's items follow); what cannot run
// on the open attachment is skipped; everything else runs as ExecSQL with the auto-commit
// setting would, its library calls on a worker thread that goes from statement to statement
// by itself (the window reads the progress when it paints; the transaction's events fire
// once the worker hands back). The attachment is claimed for the run: other windows'
// commands are refused.
class TScriptRun : public QObject {
  Q_OBJECT
public:
  explicit TScriptRun(QList<TScriptStatement> statements, QObject *parent = nullptr);
  ~TScriptRun() override;

  // Claims the attachment (refused while it is claimed) and starts; returns at once.
  void Start();
  // Stops before the next statement; what ran stays as the auto-commit setting left it. A
  // statement the server is working on is not waited for: the run ends (Finished, or Failed
  // when that statement fails) once it returns, and stays Running until then.
  void Cancel();
  // The same, but waits for a statement under way: the run has ended on return.
  void CancelNow();
  bool Running() const { return FClaim != nullptr; }
  bool Cancelled() const { return FCancelled; }

  int Count() const { return FStatements.size(); }
  int Done() const { return FNext; }  // statements handled so far, skipped ones included
  // After the run: what ran, and the client commands skipped.
  int Ran() const { return FNext - FSkipped.size(); }
  const QList<TScriptStatement> &Skipped() const { return FSkipped; }

signals:
  // The run stopped at a statement: message is "Line N:" and the error's own message.
  void Failed(const TScriptStatement &statement, const QString &message);
  // The run ended without an error: all done, or cancelled.
  void Finished();

private:
  void Next();
  bool RunHere(const TScriptStatement &statement);
  TIBDataBase::TDetached RunOnWorker(TIBDataBase *db, bool commitAfter);
  void Collect();
  bool Settle();
  void Fail(const QString &message);
  void Stop();

  QList<TScriptStatement> FStatements;
  QList<TScriptStatement> FSkipped;
  std::atomic<int> FNext{0};
  std::atomic<bool> FCancelled{false};
  std::unique_ptr<TAttachmentClaim> FClaim;
  std::future<TIBDataBase::TDetached> FPending;  // the statements on the worker thread
};
