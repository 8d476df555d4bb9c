#include "windows/catalog/generators.h"

#include "data/dataset.h"
#include "firebird/generators.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "windows/catalog/listwindow.h"

#include <QFrame>
#include <QToolButton>

TGeneratorsForm::TGeneratorsForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("GeneratorsForm"));
  setWindowTitle(QStringLiteral("Generators"));

  btnPanel = CreateButtonPanel(this);
  DropBtn = AddSpeedButton(btnPanel, "DropBtn", QStringLiteral("&Drop"), QStringLiteral("Drop current generator"));
  RefreshBtn =
      AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"), QStringLiteral("Refresh generator list"));

  Query1 = new TGeneratorList(this);
  Query1->setObjectName(QStringLiteral("Query1"));

  DataSource1 = CreateListSource(Query1, this, "DataSource1");
  FGrid = CreateListGrid(this, btnPanel, DataSource1);

  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TGeneratorsForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TGeneratorsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TGeneratorsForm::FGridDblClick);

  Guard([this] { FormCreate(); });
  ShowChild();
}

QSize TGeneratorsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint(), 300); }

void TGeneratorsForm::FormCreate() {
  if (!Query1->Active()) Query1->Open();
}

void TGeneratorsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

// A drop follows the auto-commit setting like every other drop, and the list shows its effect.
void TGeneratorsForm::DropBtnClick() {
  DropGenerator(Query1->Name());
  RefrBtnClick();
}

// Re-read, staying on the current generator while it is still there, as the other lists do.
void TGeneratorsForm::RefrBtnClick() { Query1->Refresh(); }

void TGeneratorsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
