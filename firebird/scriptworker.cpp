#include "firebird/scriptworker.h"

#include "base/errors.h"
#include "firebird/session.h"

// ---- The run ---------------------------------------------------------------------------------

TScriptRun::TScriptRun(QList<TScriptStatement> statements, QObject *parent)
    : QObject(parent), FStatements(std::move(statements)) {}

TScriptRun::~TScriptRun() {
  // The worker must not outlive what it reports to, and the executor must learn what became
  // of its transaction; nobody is left to hear about an error.
  disconnect(this, nullptr, nullptr, nullptr);
  if (!FPending.valid()) return;
  FCancelled = true;
  if (FbSession())
    Settle();
  else
    FPending.wait();
}

void TScriptRun::Start() {
  FClaim = std::make_unique<TAttachmentClaim>(FbSession()->Database());
  FNext = 0;
  FCancelled = false;
  FSkipped.clear();
  QMetaObject::invokeMethod(this, &TScriptRun::Next, Qt::QueuedConnection);
}

void TScriptRun::Cancel() {
  if (!Running()) return;
  FCancelled = true;
  if (FPending.valid()) return;  // Collect ends the run when the statement under way returns
  Stop();
  emit Finished();
}

void TScriptRun::CancelNow() {
  Cancel();
  Collect();
}

void TScriptRun::Stop() { FClaim.reset(); }

void TScriptRun::Fail(const QString &message) {
  const TScriptStatement &failed = FStatements[FNext];
  Stop();
  // The server's message starts on a line of its own; a message of ours goes on this one.
  const QString gap = message.startsWith(QLatin1Char('\r')) ? QString() : QStringLiteral(" ");
  emit Failed(failed, QStringLiteral("Line %1:").arg(ScriptErrorLine(failed, message)) + gap + message);
}

// Runs the statements the program does itself up to the next one for the server, and hands
// that one to the worker.
void TScriptRun::Next() {
  if (!Running()) return;
  while (FNext < Count() && RunHere(FStatements[FNext]))
    ++FNext;
  if (!Running()) return;
  if (FNext < Count()) {
    TIBDataBase *db = FbSession()->Database();
    try {
      FClaim->Use([db] { db->PrepareDetached(); });
    } catch (const EAbort &) {  // the login was abandoned: as good as Cancel
      Cancel();
      return;
    } catch (const std::exception &e) {
      Fail(QString::fromUtf8(e.what()));
      return;
    }
    const bool commitAfter = FbSession()->CommitsEachCommand();
    FPending = std::async(std::launch::async, [this, db, commitAfter] {
      TIBDataBase::TDetached outcome = RunOnWorker(db, commitAfter);
      QMetaObject::invokeMethod(this, &TScriptRun::Collect, Qt::QueuedConnection);
      return outcome;
    });
    return;
  }
  Stop();
  emit Finished();
}

// A statement the program does itself; false for one that goes to the server.
bool TScriptRun::RunHere(const TScriptStatement &statement) {
  TIBDataBase *db = FbSession()->Database();
  const TScriptAction action = ScriptAction(statement.Text);
  if (action == TScriptAction::Execute) return false;
  if (action == TScriptAction::Skip) {
    FSkipped << statement;
    return true;
  }
  try {
    FClaim->Use([db, action] {
      if (!db->InTransaction()) return;  // nothing to end: as isql, no error
      action == TScriptAction::Commit ? db->Commit() : db->Rollback();
    });
    return true;
  } catch (const std::exception &e) {
    Fail(QString::fromUtf8(e.what()));
    return false;
  }
}

// On the worker: the statements from FNext on, until one fails, a COMMIT or ROLLBACK (done on
// the user-interface thread) comes, the text ends or the run is cancelled. Client commands are
// noted on the way. The outcome is what became of the transaction over all of them.
TIBDataBase::TDetached TScriptRun::RunOnWorker(TIBDataBase *db, bool commitAfter) {
  const bool wasActive = db->InTransaction();  // the user-interface thread leaves it alone meanwhile
  bool active = wasActive;
  TIBDataBase::TDetached outcome;
  for (int i = FNext; i < Count() && !FCancelled; FNext = ++i) {
    const TScriptStatement &statement = FStatements[i];
    const TScriptAction action = ScriptAction(statement.Text);
    if (action == TScriptAction::Skip) {
      FSkipped << statement;
      continue;
    }
    if (action != TScriptAction::Execute) break;
    outcome.Error = db->ExecDetached(statement.Text, commitAfter, active).Error;
    if (!outcome.Error.isEmpty()) break;
  }
  outcome.Started = !wasActive && active;
  outcome.Ended = wasActive && !active;
  return outcome;
}

// The worker has handed back: take over its outcome; false after an error.
bool TScriptRun::Settle() {
  TIBDataBase::TDetached outcome;
  try {
    outcome = FPending.get();
  } catch (const std::exception &e) {  // not the server's: the worker itself failed
    outcome.Error = QString::fromUtf8(e.what());
  }
  FbSession()->Database()->SettleDetached(outcome);
  if (!outcome.Error.isEmpty()) {
    Fail(outcome.Error);
    return false;
  }
  return true;
}

void TScriptRun::Collect() {
  if (!FPending.valid() || !Settle()) return;  // already taken by CancelNow, or failed
  if (FCancelled) {
    Stop();
    emit Finished();
    return;
  }
  Next();
}
