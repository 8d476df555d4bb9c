#include "catalog/domains.h"

#include "app/datamodule.h"
#include "app/settings.h"
#include "catalog/model.h"
#include "editing/memoviewops.h"
#include "server/dataset.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

TDomainsForm::TDomainsForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("DomainsForm"));
  setWindowTitle(QStringLiteral("Domains"));

  btnPanel = new QFrame(this);
  btnPanel->setObjectName(QStringLiteral("btnPanel"));
  btnPanel->setFrameShape(QFrame::StyledPanel);
  btnPanel->setFixedHeight(37);
  DropBtn = CreateSpeedButton(btnPanel, QStringLiteral("DropBtn"), QStringLiteral("&Drop"));
  RefreshBtn = CreateSpeedButton(btnPanel, QStringLiteral("RefreshBtn"), QStringLiteral("&Refresh"));
  auto *buttons = new QHBoxLayout(btnPanel);
  buttons->setContentsMargins(4, 4, 4, 4);
  buttons->setSpacing(2);
  buttons->addWidget(DropBtn);
  buttons->addWidget(RefreshBtn);
  buttons->addStretch();

  TableFields = new TTable(this);
  TableFields->setObjectName(QStringLiteral("TableFields"));
  TableFields->DatabaseName = QStringLiteral("IBB");
  TableFields->TableName = QStringLiteral("RDB$FIELDS");
  TableFields->IndexFieldNames = QStringLiteral("RDB$FIELD_NAME");
  TableFields->ReadOnly = true;
  TableFieldsRDBFIELD_NAME = DeclareField(new TStringField(TableFields, QStringLiteral("RDB$FIELD_NAME"), 31),
                                          QStringLiteral("Domain name"), 36);
  TableFieldsFTYPE =
      DeclareField(new TStringField(TableFields, QStringLiteral("FTYPE"), 30), QStringLiteral("Type"), 22);
  TableFieldsFTYPE->Calculated = true;
  TableFieldsRDBCOMPUTED_SOURCE = DeclareField(new TMemoField(TableFields, QStringLiteral("RDB$COMPUTED_SOURCE")),
                                               QStringLiteral("Computed expr"), 15);
  TableFieldsRDBDEFAULT_SOURCE = DeclareField(new TMemoField(TableFields, QStringLiteral("RDB$DEFAULT_SOURCE")),
                                              QStringLiteral("Default value"), 13);
  TableFieldsRDBFIELD_LENGTH =
      DeclareField(new TSmallintField(TableFields, QStringLiteral("RDB$FIELD_LENGTH")), QStringLiteral("Length"), 12);
  TableFieldsRDBFIELD_SCALE =
      DeclareField(new TSmallintField(TableFields, QStringLiteral("RDB$FIELD_SCALE")), QStringLiteral("Scale"), 12);
  TableFieldsRDBFIELD_TYPE = new TSmallintField(TableFields, QStringLiteral("RDB$FIELD_TYPE"));
  TableFieldsRDBFIELD_TYPE->Visible = false;
  TableFieldsRDBSYSTEM_FLAG = new TSmallintField(TableFields, QStringLiteral("RDB$SYSTEM_FLAG"));
  TableFieldsRDBSYSTEM_FLAG->Visible = false;
  TableFieldsRDBNULL_FLAG =
      DeclareField(new TSmallintField(TableFields, QStringLiteral("RDB$NULL_FLAG")), QStringLiteral("NOT NULL"), 12);
  // The server's own domains are noise a DBA can neither drop nor alter: list the user's only.
  TableFields->Filtered = true;
  TableFields->OnFilterRecord = [this](TDataSet *DataSet, bool &Accept) { TableFieldsFilterRecord(DataSet, Accept); };
  TableFields->OnCalcFields = [this](TDataSet *DataSet) { TableFieldsCalcFields(DataSet); };

  FieldSource = new TDataSource(TableFields, this);
  FieldSource->setObjectName(QStringLiteral("FieldSource"));
  FieldSource->AutoEdit = false;

  FGrid = new TDBGrid(this);
  FGrid->setObjectName(QStringLiteral("FGrid"));
  FGrid->SetDataSource(FieldSource);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(btnPanel);
  layout->addWidget(FGrid);

  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TDomainsForm::DeleteDomainBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TDomainsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TDomainsForm::FGridDblClick);

  Guard([this] { FormCreate(); });
  ShowChild();
}

// Wide enough for every column, as far as the main window's area allows.
QSize TDomainsForm::sizeHint() const {
  QSize size = TChildForm::sizeHint();
  const int columns = FGrid->model()->columnCount();
  if (columns == 0) return size;
  int width = FGrid->verticalHeader()->sizeHint().width() + FGrid->verticalScrollBar()->sizeHint().width() +
              2 * FGrid->frameWidth() + 2;
  for (int c = 0; c < columns; ++c)
    width += FGrid->DefaultColumnWidth(c);
  size = QSize(width, qMax(size.height(), 340));
  if (QMdiArea *area = ChildArea()) size = size.boundedTo(area->viewport()->size() - QSize(16, 40));
  return size;
}

void TDomainsForm::FormCreate() {
  if (!TableFields->Active()) TableFields->Open();
}

void TDomainsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TDomainsForm::TableFieldsCalcFields(TDataSet *DataSet) {
  DataSet->FieldByName(QStringLiteral("FTYPE"))
      ->SetAsString(DomainTypeName(DataSet->FieldByName(QStringLiteral("RDB$FIELD_TYPE"))->Value()));
}

void TDomainsForm::TableFieldsFilterRecord(TDataSet *DataSet, bool &Accept) {
  Accept = DataSet->FieldByName(QStringLiteral("RDB$SYSTEM_FLAG"))->AsInteger() == 0;
}

void TDomainsForm::DeleteDomainBtnClick() {
  const QString name = FGrid->DataSet()->FieldByName(QStringLiteral("RDB$FIELD_NAME"))->AsString();
  DMSys->IBDataBase->ExecSQL(FillFormat(ddl::DropDomain, {DMSys->SQLName(name)}), AutoCommit);
}

void TDomainsForm::RefrBtnClick() { FGrid->DataSet()->Refresh(); }

void TDomainsForm::FGridDblClick() {
  TField *field = FGrid->SelectedField();
  if (field && field->IsMemo()) ShowMemoField(field, FGrid->DataSource());
}
