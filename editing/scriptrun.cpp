#include "editing/scriptrun.h"

#include "app/datamodule.h"
#include "app/mainform.h"
#include "app/settings.h"
#include "server/errors.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QCloseEvent>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

namespace {
// A slice of statements runs at most this long before the window gets to paint and to see
// its Cancel button.
constexpr int kSliceMs = 25;

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
    : QObject(parent), FStatements(std::move(statements)) {
  FTimer.setSingleShot(true);
  FTimer.setInterval(0);
  connect(&FTimer, &QTimer::timeout, this, &TScriptRun::Slice);
}

TScriptRun::~TScriptRun() = default;

void TScriptRun::Start() {
  FClaim = std::make_unique<TAttachmentClaim>(DMSys->IBDataBase);
  FNext = 0;
  FCancelled = false;
  FSkipped.clear();
  FTimer.start();
}

void TScriptRun::Cancel() {
  if (!Running()) return;
  FCancelled = true;
  Stop();
  emit Finished();
}

void TScriptRun::Stop() {
  FTimer.stop();
  FClaim.reset();
}

void TScriptRun::Slice() {
  if (!Running()) return;
  QElapsedTimer slice;
  slice.start();
  try {
    while (FNext < Count() && slice.elapsed() < kSliceMs) {
      RunStatement(FStatements[FNext]);
      ++FNext;
    }
  } catch (const EAbort &) {  // the login was abandoned: as good as Cancel
    Cancel();
    return;
  } catch (const std::exception &e) {
    const QString message = QString::fromUtf8(e.what());
    const TScriptStatement &failed = FStatements[FNext];
    Stop();
    // The server's message starts on a line of its own; a message of ours goes on this one.
    const QString gap = message.startsWith(QLatin1Char('\r')) ? QString() : QStringLiteral(" ");
    emit Failed(failed, QStringLiteral("Line %1:").arg(ScriptErrorLine(failed, message)) + gap + message);
    return;
  }
  emit Progress(FNext, Count());
  if (FNext < Count()) {
    FTimer.start();
    return;
  }
  Stop();
  emit Finished();
}

void TScriptRun::RunStatement(const TScriptStatement &statement) {
  TIBDataBase *db = DMSys->IBDataBase;
  switch (ScriptAction(statement.Text)) {
  case TScriptAction::Skip: FSkipped << statement; break;
  case TScriptAction::Commit:
    FClaim->Use([db] {
      if (db->InTransaction()) db->Commit();
    });
    break;
  case TScriptAction::Rollback:
    FClaim->Use([db] {
      if (db->InTransaction()) db->Rollback();
    });
    break;
  case TScriptAction::Execute: FClaim->Use([&] { db->ExecSQL(statement.Text, AutoCommit); }); break;
  }
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
  hide();
}

TScriptPanel::~TScriptPanel() = default;

bool TScriptPanel::Running() const { return FRun && FRun->Running(); }

void TScriptPanel::Run() {
  if (Running()) return;
  auto run = std::make_unique<TScriptRun>(SplitScript(FEditor->toPlainText()));
  connect(run.get(), &TScriptRun::Progress, this, &TScriptPanel::ShowProgress);
  connect(run.get(), &TScriptRun::Finished, this, &TScriptPanel::RunFinished);
  connect(run.get(), &TScriptRun::Failed, this, &TScriptPanel::RunFailed);
  run->Start();
  FRun = std::move(run);
  FEditor->setReadOnly(true);
  ShowProgress(0, FRun->Count());
  show();
  FWindow->installEventFilter(this);
  if (FWindow->window() != FWindow) FWindow->window()->installEventFilter(this);
  emit RunningChanged(true);
}

void TScriptPanel::Cancel() {
  if (FRun) FRun->Cancel();
}

void TScriptPanel::ShowProgress(int done, int count) {
  Progress->setRange(0, qMax(count, 1));
  Progress->setValue(done);
  Counter->setText(QStringLiteral("Statement %1 of %2").arg(qMin(done + 1, count)).arg(count));
}

void TScriptPanel::EndRun() {
  FWindow->removeEventFilter(this);
  FWindow->window()->removeEventFilter(this);
  FEditor->setReadOnly(false);
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
    Cancel();
  }
  return QFrame::eventFilter(watched, event);
}
