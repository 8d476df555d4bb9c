#include "windows/editing/ddlwindow.h"

#include "base/errors.h"
#include "firebird/script.h"
#include "firebird/session.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/resultspane.h"
#include "windows/editing/scriptrun.h"
#include "windows/repository/pickdialog.h"
#include "windows/repository/repositoryops.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

const QString kDDLFilter = QStringLiteral("SQL scripts|*.sql;*.ddl|DDL statements|*.DDL|All files|*.*");
const QString kDDLDefaultExt = QStringLiteral("*.DDL");

namespace {
const QString kCaption = QStringLiteral("DDL  Statements editor");
const QString kRunHint = QStringLiteral("Run DDL statement");
const QString kSelectHint = QStringLiteral("Select saved DDL statement from repository");
const QString kAddHint = QStringLiteral("Add active DDL statement to repository");
}  // namespace

TSQLExprForm::TSQLExprForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("SQLExprForm"));
  setWindowTitle(kCaption);

  ExecSql = CreateSQLEditor(this);
  ExecSql->setObjectName(QStringLiteral("ExecSql"));
  PosIndic = CreatePositionIndicator(this);
  PosIndic->setObjectName(QStringLiteral("PosIndic"));

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ExecSql);
  layout->addWidget(PosIndic);

  CreateMenus();
  CreateScriptCommands();
  CreateResultsPane();
  Keys = new TEditorKeys(ExecSql, {PopupMenu1, MnDDL}, [this] { ExecSqlKeyUp(); });

  SetUpEditorFileDialogs(OpenDlg, SaveDlg, kDDLFilter, kDDLDefaultExt);

  ExecSql->setModified(false);
  ExecSql->setFocus();
  ShowChild();
  ShowAtUsableSize(QSize(600, 400));
}

void TSQLExprForm::CreateMenus() {
  MnDDL = new QMenu(QStringLiteral("&DDL"), this);
  MnDDL->setObjectName(QStringLiteral("MnDDL"));
  MnDDL->menuAction()->setStatusTip(QStringLiteral("DDL statements menu"));
  mnRun = AddMenuItem(MnDDL, QStringLiteral("&Run"), Qt::Key_F9, kRunHint);
  MnSelect = AddMenuItem(MnDDL, QStringLiteral("&Select"), Qt::CTRL | Qt::Key_Space, kSelectHint);
  const TFileItems menuFiles = AddFileItems(MnDDL);
  MNLoadfromFile = menuFiles.Load;
  MnSaveToFile = menuFiles.Save;
  // Ctrl+A in the editor selects all, as everywhere on this platform: the item has no key.
  MnAddToRepository = AddMenuItem(MnDDL, QStringLiteral("&Add to repository"), QKeySequence(), kAddHint);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  const TClipboardItems clipboard = AddClipboardItems(PopupMenu1, ExecSql);
  Cut1 = clipboard.Cut;
  Copy1 = clipboard.Copy;
  Paste1 = clipboard.Paste;
  N1 = PopupMenu1->addSeparator();
  Run1 = AddMenuItem(PopupMenu1, QStringLiteral("&Run"), Qt::Key_F9, kRunHint);
  N2 = PopupMenu1->addSeparator();
  Select1 = AddMenuItem(PopupMenu1, QStringLiteral("&Select"), Qt::CTRL | Qt::Key_Space, kSelectHint);
  const TFileItems popupFiles = AddFileItems(PopupMenu1);
  LoadfromFile1 = popupFiles.Load;
  SavetoFile1 = popupFiles.Save;
  Addtorepository1 = AddMenuItem(PopupMenu1, QStringLiteral("&Add to repository"), QKeySequence(), kAddHint);
  N3 = PopupMenu1->addSeparator();
  const TWizardItems wizards = AddWizardItems(PopupMenu1);
  MnInsertWizard = wizards.Insert;
  MNUpdateWizard = wizards.Update;

  for (QAction *a : {mnRun, Run1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::RunClick);
  for (QAction *a : {MnSelect, Select1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::SelectClick);
  for (QAction *a : {MNLoadfromFile, LoadfromFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::LoadFromFileClick);
  for (QAction *a : {MnSaveToFile, SavetoFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::SaveToFileClick);
  for (QAction *a : {MnAddToRepository, Addtorepository1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::AddToRepositoryClick);
  ConnectGuarded(ExecSql, &QWidget::customContextMenuRequested, this,
                 [this](const QPoint &pos) { PopupMenu1->popup(ExecSql->viewport()->mapToGlobal(pos)); });
}

void TSQLExprForm::CreateScriptCommands() {
  const QString hint = QStringLiteral("Run the statements of the script one after another");
  MnRunScript = AddMenuItem(MnDDL, QStringLiteral("Run as &script"), Qt::SHIFT | Qt::Key_F9, hint);
  MnDDL->insertAction(MnSelect, MnRunScript);  // moved up after "&Run"
  RunScript1 = AddMenuItem(PopupMenu1, QStringLiteral("Run as &script"), Qt::SHIFT | Qt::Key_F9, hint);
  PopupMenu1->insertAction(N2, RunScript1);
  for (QAction *a : {MnRunScript, RunScript1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::RunScriptClick);

  ScriptPanel = new TScriptPanel(ExecSql, this);
  static_cast<QVBoxLayout *>(layout())->insertWidget(1, ScriptPanel);
  // While a script runs, nothing may run beside it or change the text under it.
  connect(ScriptPanel, &TScriptPanel::RunningChanged, this, [this](bool running) {
    for (QAction *a : {MnSelect, Select1, MNLoadfromFile, LoadfromFile1, Cut1, Paste1})
      a->setEnabled(!running);
    EnableRuns();
  });
}

void TSQLExprForm::CreateResultsPane() {
  const QString hint = QStringLiteral("Run the statement under the caret");
  MnRunStatement = AddMenuItem(MnDDL, QStringLiteral("Run s&tatement"), Qt::CTRL | Qt::Key_Return, hint);
  MnDDL->insertAction(MnRunScript, MnRunStatement);
  RunStatement1 = AddMenuItem(PopupMenu1, QStringLiteral("Run s&tatement"), Qt::CTRL | Qt::Key_Return, hint);
  PopupMenu1->insertAction(RunScript1, RunStatement1);
  for (QAction *a : {MnRunStatement, RunStatement1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::RunStatementClick);

  // The editor and the results share the window's height in a splitter.
  Splitter = new QSplitter(Qt::Vertical, this);
  Splitter->setObjectName(QStringLiteral("ResultsSplitter"));
  Splitter->setChildrenCollapsible(false);
  auto *box = static_cast<QVBoxLayout *>(layout());
  box->insertWidget(box->indexOf(ExecSql), Splitter, 1);
  Splitter->addWidget(ExecSql);
  Results = new TResultsPane(Splitter);
  Splitter->addWidget(Results);
  Splitter->setStretchFactor(0, 1);
  Splitter->setStretchFactor(1, 2);
  Results->hide();
  connect(Results->Statement(), &TStatementRun::Executed, this, [this] {
    if (Results->Statement()->ReturnsRows()) Results->show();
  });
  connect(Results, &TResultsPane::RunningChanged, this, [this] { EnableRuns(); });
  connect(Results, &TResultsPane::RunFailed, this,
          [this](const QString &message) { MarkServerError(ExecSql, message, RunLine, RunColumn); });
}

// Nothing starts beside a running script or statement.
void TSQLExprForm::EnableRuns() {
  const bool idle = !ScriptPanel->Running() && !StatementRunning();
  for (QAction *a : {mnRun, Run1, MnRunStatement, RunStatement1, MnRunScript, RunScript1})
    a->setEnabled(idle);
}

bool TSQLExprForm::StatementRunning() const { return Results->Running(); }

void TSQLExprForm::RunClick() {
  ExecSql->ClearError();
  RunLine = 1;
  RunColumn = 0;
  Results->Run(EditorText(ExecSql));
}

void TSQLExprForm::RunStatementClick() {
  const QString text = EditorText(ExecSql);
  // The caret's line and column as a position in the text.
  const TCaretPos caret = CaretPos(ExecSql);
  int at = 0;
  for (int line = 1; line < caret.Line && at >= 0; ++line) {
    at = int(text.indexOf(u'\n', at));
    if (at >= 0) ++at;
  }
  at = at < 0 ? int(text.size()) : qMin(int(text.size()), at + caret.Column);
  const QList<TScriptStatement> statements = SplitScript(text);
  if (statements.isEmpty()) return;
  // The statement the caret stands in, or else the last one before it (the caret after its
  // terminator), or else the first.
  const TScriptStatement *chosen = &statements.first();
  for (const TScriptStatement &st : statements)
    if (st.Start <= at) chosen = &st;
  ExecSql->ClearError();
  RunLine = chosen->Line;
  RunColumn = chosen->Column;
  Results->Run(chosen->Text);
}

void TSQLExprForm::RunScriptClick() { ScriptPanel->Run(); }

void TSQLExprForm::SelectClick() { SelectObjectSource(ExecSql); }

void TSQLExprForm::LoadFromFileClick() {
  if (!OpenDlg.Execute(this)) return;
  LoadEditorFromFile(ExecSql, OpenDlg.FileName);
  ExecSql->setModified(false);
}

void TSQLExprForm::SaveToFileClick() {
  if (!SaveDlg.Execute(this)) return;
  SaveEditorToFile(ExecSql, SaveDlg.FileName);
  ExecSql->setModified(false);
}

void TSQLExprForm::AddToRepositoryClick() { AddObjectSource(ExecSql); }

bool TSQLExprForm::FormCloseQuery() {
  if (!ExecSql->isModified()) return true;  // a running statement asks on its own
  switch (MessageDlg(QStringLiteral("Save changes to the statements?"), mbYesNoCancel)) {
  case mrYes: SaveToFileClick(); return !ExecSql->isModified();  // the save dialog cancelled: stay
  case mrNo: return true;
  default: return false;
  }
}

void TSQLExprForm::ExecSqlKeyUp() { PosIndic->setText(CaretPosText(ExecSql)); }

TSQLExprForm *CreateSQLExprForm() { return new TSQLExprForm; }

TSQLExprForm *CreateSQLExprForm(const TStringList &lines) {
  TSQLExprForm *form = CreateSQLExprForm();
  SetEditorLines(form->ExecSql, lines);
  form->ExecSql->setModified(false);
  return form;
}
