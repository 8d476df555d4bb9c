#include "editing/scriptrun.h"

#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "server/errors.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace {
QString FirstLine(const QString &text) {
  int end = 0;
  while (end < text.size() && text[end] != QLatin1Char('\n') && text[end] != QLatin1Char('\r'))
    ++end;
  const QString line = text.left(end);
  return line.size() > 60 ? line.left(57) + QStringLiteral("...") : line;
}
}  // namespace

// ---- The run ---------------------------------------------------------------------------------

TScriptRun::TScriptRun(QList<TScriptStatement> statements, QObject *parent)
    : QObject(parent), FStatements(std::move(statements)) {}

TScriptRun::~TScriptRun() {
  // The worker must not outlive what it reports to, and the executor must learn what became
  // of its transaction; nobody is left to hear about an error.
  disconnect(this, nullptr, nullptr, nullptr);
  if (!FPending.valid()) return;
  if (DMSys)
    Settle();
  else
    FPending.wait();
}

void TScriptRun::Start() {
  FClaim = std::make_unique<TAttachmentClaim>(DMSys->IBDataBase);
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
    TIBDataBase *db = DMSys->IBDataBase;
    try {
      FClaim->Use([db] { db->PrepareDetached(); });
    } catch (const EAbort &) {  // the login was abandoned: as good as Cancel
      Cancel();
      return;
    } catch (const std::exception &e) {
      Fail(QString::fromUtf8(e.what()));
      return;
    }
    const QString text = FStatements[FNext].Text;
    const bool commitAfter = AutoCommit;
    FPending = std::async(std::launch::async, [this, db, text, commitAfter] {
      TIBDataBase::TDetached outcome = db->ExecDetached(text, commitAfter);
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
  TIBDataBase *db = DMSys->IBDataBase;
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

// The worker has finished its statement: take over its outcome; false after an error.
bool TScriptRun::Settle() {
  TIBDataBase::TDetached outcome;
  try {
    outcome = FPending.get();
  } catch (const std::exception &e) {  // not the server's: the worker itself failed
    outcome.Error = QString::fromUtf8(e.what());
  }
  DMSys->IBDataBase->SettleDetached(outcome);
  if (!outcome.Error.isEmpty()) {
    Fail(outcome.Error);
    return false;
  }
  ++FNext;
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

// ---- The panel -------------------------------------------------------------------------------

TScriptPanel::TScriptPanel(QPlainTextEdit *editor, QWidget *window) : QFrame(window), FEditor(editor), FWindow(window) {
  setObjectName(QStringLiteral("ScriptPanel"));
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  Progress = new QProgressBar(this);
  Progress->setObjectName(QStringLiteral("ScriptProgress"));
  Counter = new QLabel(this);
  Counter->setObjectName(QStringLiteral("ScriptCounter"));
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("ScriptCancelBtn"));
  CancelBtn->setStatusTip(QStringLiteral("Stop the script before its next statement"));
  auto *layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->addWidget(Progress, 1);
  layout->addWidget(Counter);
  layout->addWidget(CancelBtn);
  ConnectGuarded(CancelBtn, &QPushButton::clicked, this, &TScriptPanel::Cancel);
  FTicker = new QTimer(this);
  FTicker->setInterval(50);
  connect(FTicker, &QTimer::timeout, this, [this] {
    ShowProgress(FRun->Done(), FRun->Count());
    update();
  });
  hide();
}

TScriptPanel::~TScriptPanel() = default;

bool TScriptPanel::Running() const { return FRun && FRun->Running(); }

void TScriptPanel::Run() {
  if (Running()) return;
  auto run = std::make_unique<TScriptRun>(SplitScript(FEditor->toPlainText()));
  connect(run.get(), &TScriptRun::Finished, this, &TScriptPanel::RunFinished);
  connect(run.get(), &TScriptRun::Failed, this, &TScriptPanel::RunFailed);
  run->Start();
  FRun = std::move(run);
  FEditor->setReadOnly(true);
  ShowProgress(0, FRun->Count());
  show();
  FTicker->start();
  FWindow->installEventFilter(this);
  if (FWindow->window() != FWindow) FWindow->window()->installEventFilter(this);
  emit RunningChanged(true);
}

void TScriptPanel::Cancel() {
  if (!FRun) return;
  FRun->Cancel();
  if (!FRun->Running()) return;
  // The server finishes the statement it is working on first; the window goes on meanwhile.
  CancelBtn->setEnabled(false);
  CancelBtn->setText(QStringLiteral("Stopping..."));
}

void TScriptPanel::ShowProgress(int done, int count) {
  Progress->setRange(0, qMax(count, 1));
  Progress->setValue(done);
  Counter->setText(QStringLiteral("Statement %1 of %2").arg(qMin(done + 1, count)).arg(count));
}

void TScriptPanel::EndRun() {
  FTicker->stop();
  FWindow->removeEventFilter(this);
  FWindow->window()->removeEventFilter(this);
  FEditor->setReadOnly(false);
  CancelBtn->setEnabled(true);
  CancelBtn->setText(QStringLiteral("Cancel"));
  hide();
  emit RunningChanged(false);
}

void TScriptPanel::RunFinished() {
  EndRun();
  const int skipped = FRun->Skipped().size();
  FSummary = QStringLiteral("%1: %2 statements run, %3 skipped")
                 .arg(FRun->Cancelled() ? QStringLiteral("Script cancelled") : QStringLiteral("Script done"))
                 .arg(FRun->Ran())
                 .arg(skipped);
  if (MainForm) MainForm->StatusPanel->setText(FSummary);
  if (FRun->Cancelled() || skipped == 0) return;
  QStringList lines{QStringLiteral("Skipped, as a script cannot do them on the open database:")};
  for (const TScriptStatement &st : FRun->Skipped())
    lines << QStringLiteral("Line %1: %2").arg(st.Line).arg(FirstLine(st.Text));
  ShowMessage(lines.join(QLatin1Char('\n')));
}

void TScriptPanel::RunFailed(const TScriptStatement &statement, const QString &message) {
  EndRun();
  QTextCursor c(FEditor->document());
  c.setPosition(statement.Start);
  c.setPosition(statement.End, QTextCursor::KeepAnchor);
  FEditor->setTextCursor(c);
  FEditor->ensureCursorVisible();
  ShowException(EDatabaseError(message));
}

bool TScriptPanel::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::Close && Running()) {
    if (MessageDlg(QStringLiteral("A script is running. Stop it?"), mbYes | mbNo) != mrYes) {
      event->ignore();
      return true;
    }
    if (FRun) FRun->CancelNow();  // the window goes: what runs on the server is waited for
  }
  return QFrame::eventFilter(watched, event);
}
