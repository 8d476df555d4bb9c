#include "windows/editing/scriptrun.h"

#include "base/errors.h"
#include "ui/dialogs.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/shell.h"
#include "ui/sqleditor.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
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

// A position in the editor's text as the editor counts it: a CR LF is one character there.
int DocumentPosition(const QString &text, int position) {
  int pairs = 0;
  for (int i = 0; i + 1 < position; ++i)
    if (text[i] == u'\r' && text[i + 1] == u'\n') ++pairs;
  return position - pairs;
}
}  // namespace

// ---- The panel -------------------------------------------------------------------------------

TScriptPanel::TScriptPanel(TSQLEditor *editor, QWidget *window) : QFrame(window), FEditor(editor), FWindow(window) {
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
  FText = EditorText(FEditor);
  auto run = std::make_unique<TScriptRun>(SplitScript(FText, &FEnd));
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
  if (Shell()) Shell()->ShowStatus(FSummary);
  ShowSkipped(!FRun->Cancelled());
}

void TScriptPanel::ShowSkipped(bool reachedEnd) {
  const bool stopped = reachedEnd && FEnd.NotRun > 0;
  if (FRun->Skipped().isEmpty() && !stopped) return;
  QStringList lines;
  if (!FRun->Skipped().isEmpty()) lines << QStringLiteral("Skipped, as a script cannot do them on the open database:");
  for (const TScriptStatement &st : FRun->Skipped())
    lines << QStringLiteral("Line %1: %2").arg(st.Line).arg(FirstLine(st.Text));
  if (stopped)
    lines << QStringLiteral("Not run after %1 (line %2): %3 %4")
                 .arg(FEnd.Command)
                 .arg(FEnd.Line)
                 .arg(FEnd.NotRun)
                 .arg(QLatin1String(FEnd.NotRun == 1 ? "statement" : "statements"));
  ShowMessage(lines.join(QLatin1Char('\n')));
}

void TScriptPanel::RunFailed(const TScriptStatement &statement, const QString &message) {
  EndRun();
  FEditor->SelectChars(DocumentPosition(FText, statement.Start), DocumentPosition(FText, statement.End));
  // The statement stays selected; its error is marked inside it.
  MarkServerError(FEditor, message.mid(message.indexOf(u':') + 1), statement.Line, statement.Column, false);
  ShowException(EDatabaseError(message));
  ShowSkipped(false);
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
