#include "windows/editing/ddlwindow.h"

#include "base/errors.h"
#include "firebird/session.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "windows/editing/scriptrun.h"
#include "windows/repository/pickdialog.h"
#include "windows/repository/repositoryops.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextDocument>
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
  Keys = new TEditorKeys(ExecSql, {PopupMenu1, MnDDL}, [this] { ExecSqlKeyUp(); });

  SetUpEditorFileDialogs(OpenDlg, SaveDlg, kDDLFilter, kDDLDefaultExt);

  ExecSql->document()->setModified(false);
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
  MnAddToRepository = AddMenuItem(MnDDL, QStringLiteral("&Add to repository"), Qt::CTRL | Qt::Key_A, kAddHint);

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
  Addtorepository1 = AddMenuItem(PopupMenu1, QStringLiteral("&Add to repository"), Qt::CTRL | Qt::Key_A, kAddHint);
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
    for (QAction *a :
         {mnRun, Run1, MnRunScript, RunScript1, MnSelect, Select1, MNLoadfromFile, LoadfromFile1, Cut1, Paste1})
      a->setEnabled(!running);
  });
}

void TSQLExprForm::RunClick() { FbSession()->Execute(EditorText(ExecSql)); }

void TSQLExprForm::RunScriptClick() { ScriptPanel->Run(); }

void TSQLExprForm::SelectClick() { SelectObjectSource(ExecSql); }

void TSQLExprForm::LoadFromFileClick() {
  if (!OpenDlg.Execute(this)) return;
  LoadEditorFromFile(ExecSql, OpenDlg.FileName);
  ExecSql->document()->setModified(false);
}

void TSQLExprForm::SaveToFileClick() {
  if (!SaveDlg.Execute(this)) return;
  SaveEditorToFile(ExecSql, SaveDlg.FileName);
  ExecSql->document()->setModified(false);
}

void TSQLExprForm::AddToRepositoryClick() { AddObjectSource(static_cast<const QPlainTextEdit *>(ExecSql)); }

bool TSQLExprForm::FormCloseQuery() {
  if (!ExecSql->document()->isModified()) return true;
  switch (MessageDlg(QStringLiteral("Save changes to the statements?"), mbYesNoCancel)) {
  case mrYes: SaveToFileClick(); return !ExecSql->document()->isModified();  // the save dialog cancelled: stay
  case mrNo: return true;
  default: return false;
  }
}

void TSQLExprForm::ExecSqlKeyUp() { PosIndic->setText(CaretPosText(ExecSql)); }

TSQLExprForm *CreateSQLExprForm() { return new TSQLExprForm; }

TSQLExprForm *CreateSQLExprForm(const TStringList &lines) {
  TSQLExprForm *form = CreateSQLExprForm();
  SetEditorLines(form->ExecSql, lines);
  form->ExecSql->document()->setModified(false);
  return form;
}
