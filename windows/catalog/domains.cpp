#include "windows/catalog/domains.h"

#include "data/dataset.h"
#include "firebird/domains.h"
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

  TableFields = new TDomainList(this);
  TableFields->setObjectName(QStringLiteral("TableFields"));

  FieldSource = CreateListSource(TableFields, this, "FieldSource");
  FGrid = CreateListGrid(this, btnPanel, FieldSource);

  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TDomainsForm::DeleteDomainBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TDomainsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TDomainsForm::FGridDblClick);
  EnableWithRows(FieldSource, {DropBtn});
  AddDDLButton(btnPanel, FieldSource, TObjectKind::Domain, [this] { return TableFields->Name(); });
  FollowCatalog(this, [this] { RefrBtnClick(); });

  Guard([this] { FormCreate(); });
  ShowChild();
}

// Wide enough for every column, as far as the main window's area allows.
QSize TDomainsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TDomainsForm::FormCreate() {
  if (TableFields->Active()) return;
  TableFields->Open();
  FitColumns(FGrid);
}

void TDomainsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TDomainsForm::DeleteDomainBtnClick() {
  if (ConfirmDrop("domain", TableFields->Name())) DropDomain(TableFields->Name());
}

void TDomainsForm::RefrBtnClick() {
  if (TableFields->Active()) TableFields->Refresh();
}

void TDomainsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
