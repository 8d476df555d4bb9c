#include "windows/catalog/domains.h"

#include "data/dataset.h"
#include "firebird/catalog.h"
#include "firebird/session.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "windows/catalog/listwindow.h"

#include <QFrame>
#include <QToolButton>

TDomainsForm::TDomainsForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("DomainsForm"));
  setWindowTitle(QStringLiteral("Domains"));

  btnPanel = CreateButtonPanel(this);
  DropBtn = AddSpeedButton(btnPanel, "DropBtn", QStringLiteral("&Drop"));
  RefreshBtn = AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"));

  TableFields = new TTable(this);
  TableFields->setObjectName(QStringLiteral("TableFields"));
  TableFields->DatabaseName = TFbSession::Alias;
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

  FieldSource = CreateListSource(TableFields, this, "FieldSource");
  FGrid = CreateListGrid(this, btnPanel, FieldSource);

  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TDomainsForm::DeleteDomainBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TDomainsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TDomainsForm::FGridDblClick);

  Guard([this] { FormCreate(); });
  ShowChild();
}

// Wide enough for every column, as far as the main window's area allows.
QSize TDomainsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TDomainsForm::FormCreate() {
  if (!TableFields->Active()) TableFields->Open();
}

void TDomainsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TDomainsForm::TableFieldsCalcFields(TDataSet *DataSet) {
  DataSet->FieldByName(QStringLiteral("FTYPE"))
      ->SetAsString(DomainTypeName(DataSet->FieldByName(QStringLiteral("RDB$FIELD_TYPE"))->Value()));
}

void TDomainsForm::TableFieldsFilterRecord(TDataSet *DataSet, bool &Accept) { Accept = IsUserObject(DataSet); }

void TDomainsForm::DeleteDomainBtnClick() {
  const QString name = FGrid->DataSet()->FieldByName(QStringLiteral("RDB$FIELD_NAME"))->AsString();
  FbSession()->Execute(FillFormat(ddl::DropDomain, {FbSession()->SQLName(name)}));
}

void TDomainsForm::RefrBtnClick() { FGrid->DataSet()->Refresh(); }

void TDomainsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
