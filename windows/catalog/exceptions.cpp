#include "windows/catalog/exceptions.h"

#include "data/dataset.h"
#include "firebird/exceptions.h"
#include "firebird/storedtext.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "windows/catalog/exceptiondialog.h"
#include "windows/catalog/listwindow.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QToolButton>

TExceptionsForm::TExceptionsForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("ExceptionsForm"));
  setWindowTitle(QStringLiteral("Exceptions"));

  btnPanel = CreateButtonPanel(this);
  NewBtn = AddSpeedButton(btnPanel, "NewBtn", QStringLiteral("&New "), QStringLiteral("Create new exception"));
  UpdBtn =
      AddSpeedButton(btnPanel, "UpdBtn", QStringLiteral("&Update"), QStringLiteral("Update current exception text"));
  DropBtn = AddSpeedButton(btnPanel, "SpeedButton3", QStringLiteral("&Drop"), QStringLiteral("Drop current exception"));
  RefreshBtn =
      AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"), QStringLiteral("Refresh table content"));

  ExceptionsTable = new TExceptionList(this);
  ExceptionsTable->setObjectName(QStringLiteral("ExceptionsTable"));

  ExcSource = CreateListSource(ExceptionsTable, this, "ExcSource");
  FGrid = CreateListGrid(this, btnPanel, ExcSource);

  ConnectGuarded(NewBtn, &QToolButton::clicked, this, &TExceptionsForm::newexcpBtnClick);
  ConnectGuarded(UpdBtn, &QToolButton::clicked, this, &TExceptionsForm::BtnUpdateClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TExceptionsForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TExceptionsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TExceptionsForm::FGridDblClick);
  EnableWithRows(ExcSource, {UpdBtn, DropBtn});
  AddDDLButton(btnPanel, ExcSource, TObjectKind::Exception, [this] { return ExceptionsTable->Name(); });
  FollowCatalog(this, [this] { RefrBtnClick(); });

  Guard([this] { FormCreate(); });
  ShowChild();
}

QSize TExceptionsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TExceptionsForm::FormCreate() {
  if (ExceptionsTable->Active()) return;
  ExceptionsTable->Open();
  FitColumns(FGrid);
}

void TExceptionsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

// A new name is sent as the user typed it.
void TExceptionsForm::newexcpBtnClick() {
  ExcDlg->NameEdit->setEnabled(true);
  ExcDlg->BytesNote->hide();
  if (ExcDlg->exec() == QDialog::Accepted)
    CreateException(ExcDlg->NameEdit->text(), EditorText(ExcDlg->MsgEdit));  // the list follows the statement
  else
    RefrBtnClick();
}

void TExceptionsForm::BtnUpdateClick() {
  ExcDlg->NameEdit->setEnabled(false);
  const QString name = ExceptionsTable->Name();
  const TStoredText stored = ExceptionMessage(name);
  ExcDlg->NameEdit->setText(name);
  ExcDlg->ShowMessageText(stored.Text, !stored.Faithful());
  if (ExcDlg->exec() == QDialog::Accepted)
    AlterException(name, EditorText(ExcDlg->MsgEdit), stored);
  else
    RefrBtnClick();
}

void TExceptionsForm::DropBtnClick() {
  if (ConfirmDrop("exception", ExceptionsTable->Name())) DropException(ExceptionsTable->Name());
}

void TExceptionsForm::RefrBtnClick() {
  if (ExceptionsTable->Active()) ExceptionsTable->Refresh();
}

void TExceptionsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
