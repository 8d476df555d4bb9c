#pragma once
// Running an editor's text as a script: its statements one after another through the
// executor, each on a worker thread while the window keeps painting and its Cancel button
// answers; and the panel under the editor that shows the run.
#include "server/ibdb.h"
#include "server/sqlscript.h"

#include <QFrame>
#include <QTimer>
#include <future>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// One run of a script's statements on the server database. COMMIT and ROLLBACK go through
// the executor's own Commit and Rollback (so the main window's items follow); what cannot run
// on the open attachment is skipped; everything else runs as ExecSQL with the auto-commit
// setting would, its library calls on a worker thread, one statement at a time. The
// attachment is claimed for the run: other windows' commands are refused.
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
  void Collect();
  bool Settle();
  void Fail(const QString &message);
  void Stop();

  QList<TScriptStatement> FStatements;
  QList<TScriptStatement> FSkipped;
  int FNext = 0;
  bool FCancelled = false;
  std::unique_ptr<TAttachmentClaim> FClaim;
  std::future<TIBDataBase::TDetached> FPending;  // the statement on the worker thread
};

// The panel under an editor that runs the editor's text as a script: a progress bar,
// "Statement N of M" and a Cancel button, hidden while no script runs. During a run the
// editor is read-only, and closing its window or the program asks first.
class TScriptPanel : public QFrame {
  Q_OBJECT
public:
  TScriptPanel(QPlainTextEdit *editor, QWidget *window);
  ~TScriptPanel() override;

  // Runs the editor's whole text; returns at once. The end shows itself: the main window's
  // status bar tells what ran, a box lists what was skipped, an error box the failure.
  void Run();
  void Cancel();
  bool Running() const;
  // The status-bar text of the last run that ended without an error.
  QString Summary() const { return FSummary; }

  QProgressBar *Progress;
  QLabel *Counter;
  QPushButton *CancelBtn;

signals:
  void RunningChanged(bool running);

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  void ShowProgress(int done, int count);
  void RunFinished();
  void RunFailed(const TScriptStatement &statement, const QString &message);
  void EndRun();

  QPlainTextEdit *FEditor;
  QWidget *FWindow;
  std::unique_ptr<TScriptRun> FRun;
  QString FSummary;
  QTimer *FTicker;  // shows the progress, also while the server works on one long statement
};
