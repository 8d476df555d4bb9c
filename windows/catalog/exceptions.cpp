#include "windows/catalog/exceptions.h"

#include "data/dataset.h"
#include "firebird/catalog.h"
#include "firebird/session.h"
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

  ExceptionsTable = new TTable(this);
  ExceptionsTable->setObjectName(QStringLiteral("ExceptionsTable"));
  ExceptionsTable->DatabaseName = TFbSession::Alias;
  ExceptionsTable->TableName = QStringLiteral("RDB$EXCEPTIONS");
  ExceptionsTable->ReadOnly = true;
  ExceptionsTableRDBEXCEPTION_NAME = DeclareField(
      new TStringField(ExceptionsTable, QStringLiteral("RDB$EXCEPTION_NAME"), 31), QStringLiteral("NAME"), 31);
  ExceptionsTableRDBMESSAGE =
      DeclareField(new TStringField(ExceptionsTable, QStringLiteral("RDB$MESSAGE"), 78), QStringLiteral("MESSAGE"), 78);
  ExceptionsTableRDBSYSTEM_FLAG = HiddenField(new TSmallintField(ExceptionsTable, QStringLiteral("RDB$SYSTEM_FLAG")));
  // The server's own exceptions can be neither altered nor dropped: list the user's only.
  ExceptionsTable->Filtered = true;
  ExceptionsTable->OnFilterRecord = [this](TDataSet *DataSet, bool &Accept) {
    ExceptionsTableFilterRecord(DataSet, Accept);
  };

  ExcSource = CreateListSource(ExceptionsTable, this, "ExcSource");
  FGrid = CreateListGrid(this, btnPanel, ExcSource);

  ConnectGuarded(NewBtn, &QToolButton::clicked, this, &TExceptionsForm::newexcpBtnClick);
  ConnectGuarded(UpdBtn, &QToolButton::clicked, this, &TExceptionsForm::BtnUpdateClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TExceptionsForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TExceptionsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TExceptionsForm::FGridDblClick);

  Guard([this] { FormCreate(); });
  ShowChild();
}

QSize TExceptionsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TExceptionsForm::FormCreate() {
  if (!ExceptionsTable->Active()) ExceptionsTable->Open();
}

void TExceptionsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TExceptionsForm::ExceptionsTableFilterRecord(TDataSet *DataSet, bool &Accept) { Accept = IsUserObject(DataSet); }

// The message goes in as a literal of the database's dialect, so quotes and apostrophes in it
// are stored as typed.
void TExceptionsForm::SendException(const char *format, const QString &name, const TStoredText &stored) {
  const QString text = EditorText(ExcDlg->MsgEdit);
  if (!stored.Faithful() && text == stored.Text) {
    // The message is the formats' last field: the bytes literal goes after the rest.
    FbSession()->ExecuteBytes(FillFormat(format, {name, QString()}).toUtf8() + BytesLiteral(stored.Bytes));
    return;
  }
  FbSession()->Execute(FillFormat(format, {name, FbSession()->Literal(text)}));
}

// A new name is sent as the user typed it.
void TExceptionsForm::newexcpBtnClick() {
  ExcDlg->NameEdit->setEnabled(true);
  ExcDlg->BytesNote->hide();
  if (ExcDlg->exec() == QDialog::Accepted) SendException(ddl::CreateException, ExcDlg->NameEdit->text(), {});
  RefrBtnClick();
}

void TExceptionsForm::BtnUpdateClick() {
  ExcDlg->NameEdit->setEnabled(false);
  const QString name = FGrid->DataSet()->FieldByName(QStringLiteral("RDB$EXCEPTION_NAME"))->AsString();
  const TStoredText stored = ExceptionMessage(name);
  ExcDlg->NameEdit->setText(name);
  ExcDlg->ShowMessageText(stored.Text, !stored.Faithful());
  if (ExcDlg->exec() == QDialog::Accepted)
    SendException(ddl::AlterException, FbSession()->SQLName(ExcDlg->NameEdit->text()), stored);
  RefrBtnClick();
}

void TExceptionsForm::DropBtnClick() {
  const QString name = FGrid->DataSet()->FieldByName(QStringLiteral("RDB$EXCEPTION_NAME"))->AsString();
  FbSession()->Execute(FillFormat(ddl::DropException, {FbSession()->SQLName(name)}));
  RefrBtnClick();
}

void TExceptionsForm::RefrBtnClick() { ExceptionsTable->Refresh(); }

void TExceptionsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
