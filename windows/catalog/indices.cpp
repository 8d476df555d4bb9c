#include "windows/catalog/indices.h"

#include "base/errors.h"
#include "data/dataset.h"
#include "data/db.h"
#include "firebird/extract.h"
#include "firebird/indices.h"
#include "firebird/session.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "windows/catalog/listwindow.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QToolButton>

namespace {
const QString kAllRelations = QStringLiteral("<All relations>");
}  // namespace

TIndicesForm::TIndicesForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("IndicesForm"));
  setWindowTitle(QStringLiteral("Indices"));

  btnPanel = CreateButtonPanel(this);
  TableCombo = new QComboBox(btnPanel);
  TableCombo->setObjectName(QStringLiteral("TableCombo"));
  TableCombo->setMaxVisibleItems(20);
  TableCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  TableCombo->setMinimumContentsLength(24);
  static_cast<QHBoxLayout *>(btnPanel->layout())->insertWidget(0, TableCombo);
  ActivateBtn =
      AddSpeedButton(btnPanel, "ActivateBtn", QStringLiteral("A&ctivate"), QStringLiteral("Set index active"));
  DeactivateBtn =
      AddSpeedButton(btnPanel, "DeactivateBtn", QStringLiteral("D&eactivate"), QStringLiteral("Set index inactive"));
  StatisticsBtn = AddSpeedButton(btnPanel, "StatisticsBtn", QStringLiteral("Recompute &statistics"),
                                 QStringLiteral("Recompute index selectivity"));
  DDLBtn = AddSpeedButton(btnPanel, "DDLBtn", QStringLiteral("Show DD&L"),
                          QStringLiteral("Open index DDL in DDL statements window"));
  DropBtn = AddSpeedButton(btnPanel, "DropBtn", QStringLiteral("&Drop"), QStringLiteral("Drop current index"));
  RefreshBtn = AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"), QStringLiteral("Refresh index list"));

  IndexList = new TIndexList(this);
  IndexList->setObjectName(QStringLiteral("IndexList"));
  IndexSource = CreateListSource(IndexList, this, "DataSource1");
  FGrid = CreateListGrid(this, btnPanel, IndexSource);
  FGrid->SetReadOnly(true);
  for (const TField *f : {IndexList->NameField, IndexList->Relation, IndexList->UniqueText, IndexList->DescendingText,
                          IndexList->Columns, IndexList->ActiveText, IndexList->Statistics, IndexList->ConstraintType})
    FGrid->AddColumn(f->FieldName);

  ConnectGuarded(ActivateBtn, &QToolButton::clicked, this, &TIndicesForm::ActivateBtnClick);
  ConnectGuarded(DeactivateBtn, &QToolButton::clicked, this, &TIndicesForm::DeactivateBtnClick);
  ConnectGuarded(StatisticsBtn, &QToolButton::clicked, this, &TIndicesForm::StatisticsBtnClick);
  ConnectGuarded(DDLBtn, &QToolButton::clicked, this, &TIndicesForm::DDLBtnClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TIndicesForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TIndicesForm::RefreshBtnClick);
  EnableWithRows(IndexSource, {ActivateBtn, DeactivateBtn, StatisticsBtn, DDLBtn, DropBtn});
  FollowCatalog(this, [this] { RefreshBtnClick(); });

  Guard([this] {
    TableCombo->addItem(kAllRelations);
    ConnectGuarded(TableCombo, &QComboBox::currentIndexChanged, this, &TIndicesForm::TableComboChange);
    QStringList names;
    Session().GetTableNames(TFbSession::Alias, QString(), false, false, names);
    TableCombo->addItems(names);
    IndexList->Open();
    FitColumns(FGrid);
  });
  ShowChild();
}

QSize TIndicesForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TIndicesForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TIndicesForm::TableComboChange() {
  const QString relation = TableCombo->currentText();
  IndexList->ShowRelation(relation == kAllRelations ? QString() : relation);
}

void TIndicesForm::ActivateBtnClick() { SetIndexActive(IndexList->Name(), true); }

void TIndicesForm::DeactivateBtnClick() { SetIndexActive(IndexList->Name(), false); }

void TIndicesForm::StatisticsBtnClick() { RecomputeIndexStatistics(IndexList->Name()); }

void TIndicesForm::DDLBtnClick() { ShowDDLText(ObjectDDL(TObjectKind::Index, IndexList->Name())); }

void TIndicesForm::DropBtnClick() {
  const QString refusal = IndexList->DropRefusal();
  if (!refusal.isEmpty()) throw Exception(refusal);
  if (ConfirmDrop("index", IndexList->Name())) DropIndex(IndexList->Name());
}

void TIndicesForm::RefreshBtnClick() {
  if (IndexList->Active()) IndexList->Refresh();
}
