#pragma once
// The panel under an editor that runs the editor's text as a script and shows the run.
#include "firebird/scriptworker.h"

#include <QFrame>
#include <QTimer>
#include <memory>

class QLabel;
class TSQLEditor;
class QProgressBar;
class QPushButton;

// The panel under an editor that runs the editor's text as a script: a progress bar,
// "Statement N of M" and a Cancel button, hidden while no script runs. During a run the
// editor is read-only, and closing its window or the program asks first.
class TScriptPanel : public QFrame {
  Q_OBJECT
public:
  TScriptPanel(TSQLEditor *editor, QWidget *window);
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
  // Lists the client commands the run skipped (also after a failure or a cancel) and, when the
  // run reached the text's end, what an EXIT or QUIT left unrun.
  void ShowSkipped(bool reachedEnd);
  void EndRun();

  TSQLEditor *FEditor;
  QWidget *FWindow;
  std::unique_ptr<TScriptRun> FRun;
  QString FSummary;
  QString FText;    // the text the run splits, where its statements' positions count
  TScriptEnd FEnd;  // where the text stops early (EXIT, QUIT)
  QTimer *FTicker;  // shows the progress, also while the server works on one long statement
};
