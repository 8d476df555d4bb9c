#include "windows/dataview/tabledata.h"

#include "data/dataset.h"
#include "data/db.h"
#include "firebird/session.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/dbnavigator.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "ui/memoviewops.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QString kCaption = QStringLiteral("Data Viewer");
}  // namespace

TDataForm::TDataForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("DataForm"));
  setWindowTitle(kCaption);

  TablePanel = new QFrame(this);
  TablePanel->setObjectName(QStringLiteral("Panel1"));
  TablePanel->setFrameShape(QFrame::StyledPanel);
  TableLabel = new QLabel(QStringLiteral("&Table name"), TablePanel);
  TableLabel->setObjectName(QStringLiteral("Label1"));
  TableLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  TblsCB = CreateRelationList(TablePanel);
  TblsCB->setToolTip(QStringLiteral("Select table or view to edit"));
  TblsCB->setStatusTip(TblsCB->toolTip());
  TableLabel->setBuddy(TblsCB);

  SrcTable = new TTable(this);
  SrcTable->setObjectName(QStringLiteral("SrcTable"));
  SrcTable->DatabaseName = TFbSession::Alias;
  DS = new TDataSource(SrcTable, this);
  DS->setObjectName(QStringLiteral("DS"));
  DS->AutoEdit = true;

  DBNavigator1 = new TDBNavigator(TablePanel);
  DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
  DBNavigator1->SetDataSource(DS);
  auto *panel = new QGridLayout(TablePanel);
  panel->setContentsMargins(6, 4, 6, 4);
  panel->addWidget(TableLabel, 0, 0);
  panel->addWidget(TblsCB, 0, 1, Qt::AlignLeft);
  panel->addWidget(DBNavigator1, 1, 1, Qt::AlignLeft);
  panel->setColumnStretch(2, 1);

  DataGrid = new TDBGrid(this);
  DataGrid->setObjectName(QStringLiteral("DBGrid1"));
  DataGrid->SetDataSource(DS);
  DataGrid->SetShowNulls(true);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TablePanel);
  layout->addWidget(DataGrid, 1);

  ConnectGuarded(TblsCB, &QComboBox::activated, this, &TDataForm::TblsCBClick);
  ConnectGuarded(DataGrid, &TDBGrid::OnDblClick, this, &TDataForm::DataGridDblClick);

  Guard([this] { FormCreate(); });
  ShowChild();
  ShowAtUsableSize(QSize(900, 520));
}

void TDataForm::FormCreate() { FillRelationList(TblsCB, SrcTable->DatabaseName); }

bool TDataForm::FormCloseQuery() {
  const auto editing = [this] {
    return SrcTable->State() == TDataSetState::dsEdit || SrcTable->State() == TDataSetState::dsInsert;
  };
  if (!editing()) return true;
  DS->UpdateRecord();
  if (SrcTable->Modified()) {
    switch (MessageDlg(QStringLiteral("Post the changes to the current row?"), mbYesNoCancel)) {
    case mrYes: SrcTable->Post(); break;
    case mrNo: SrcTable->Cancel(); break;
    default: return false;
    }
  } else {
    SrcTable->Cancel();
  }
  return !editing();
}

void TDataForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TDataForm::TblsCBClick() {
  const QString name = TblsCB->currentText();
  if (SrcTable->Active()) {
    // What the grid's editor still holds goes into the row, and the row to the server, before
    // the table goes away; a refused post leaves the user on the table, edit in place.
    try {
      DS->UpdateRecord();
      SrcTable->CheckBrowseMode();
    } catch (...) {
      TblsCB->setCurrentIndex(TblsCB->findText(SrcTable->TableName, Qt::MatchFixedString | Qt::MatchCaseSensitive));
      throw;
    }
  }
  OpenTable(name);
  setWindowTitle(QStringLiteral("Table data -") + name);
  DataGrid->setFocus();  // typing goes to the rows now, not to the list's search
}

void TDataForm::OpenTable(const QString &name) {
  if (SrcTable->Active()) FWidths.insert(SrcTable->TableName, ColumnWidths(DataGrid));
  SrcTable->Close();
  SrcTable->TableName = name;
  SrcTable->Open();
  if (FWidths.contains(name))
    SetColumnWidths(DataGrid, FWidths.value(name));
  else
    FitColumns(DataGrid);
}

void TDataForm::DataGridDblClick() {
  TField *field = DataGrid->SelectedField();
  if (field && field->IsMemo()) ShowMemoField(field, DS, SrcTable->CanModify() && !field->ReadOnly);
}

TDataForm *ShowTableData(const QString &tableName) {
  auto *form = new TDataForm();
  form->TblsCB->setCurrentIndex(form->TblsCB->findText(tableName, Qt::MatchFixedString | Qt::MatchCaseSensitive));
  form->OpenTable(tableName);
  form->setWindowTitle(form->windowTitle() + QLatin1Char('-') + tableName);
  return form;
}
