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

  GeneratorList = new TGeneratorList(this);
  GeneratorList->setObjectName(QStringLiteral("Query1"));

  GeneratorSource = CreateListSource(GeneratorList, this, "DataSource1");
  FGrid = CreateListGrid(this, btnPanel, GeneratorSource);

  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TGeneratorsForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TGeneratorsForm::RefrBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, &TGeneratorsForm::FGridDblClick);
  EnableWithRows(GeneratorSource, {DropBtn});
  AddDDLButton(btnPanel, GeneratorSource, TObjectKind::Generator, [this] { return GeneratorList->Name(); });
  FollowCatalog(this, [this] { RefrBtnClick(); });

  Guard([this] { FormCreate(); });
  ShowChild();
}

QSize TGeneratorsForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint(), 300); }

void TGeneratorsForm::FormCreate() {
  if (GeneratorList->Active()) return;
  GeneratorList->Open();
  FitColumns(FGrid);
}

void TGeneratorsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TGeneratorsForm::DropBtnClick() {
  if (ConfirmDrop("generator", GeneratorList->Name())) DropGenerator(GeneratorList->Name());
}

// Re-read, staying on the current generator while it is still there, as the other lists do.
void TGeneratorsForm::RefrBtnClick() {
  if (GeneratorList->Active()) GeneratorList->Refresh();
}

void TGeneratorsForm::FGridDblClick() { ShowSelectedMemo(FGrid); }
