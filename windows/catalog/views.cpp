#include "windows/catalog/views.h"

#include "data/dataset.h"
#include "firebird/extract.h"
#include "firebird/views.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/shell.h"
#include "ui/sqleditor.h"
#include "windows/catalog/listwindow.h"

#include <QFrame>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
TDBGrid *DetailGrid(QWidget *parent, const char *name, TDataSet *list) {
  auto *grid = new TDBGrid(parent);
  grid->setObjectName(QLatin1String(name));
  grid->SetReadOnly(true);
  grid->SetDataSource(CreateListSource(list, parent, "DetailSource"));
  return grid;
}
}  // namespace

TViewsForm::TViewsForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("ViewsForm"));
  setWindowTitle(QStringLiteral("Views"));

  btnPanel = CreateButtonPanel(this);
  EditBtn = AddSpeedButton(btnPanel, "EditBtn", QStringLiteral("&Edit"),
                           QStringLiteral("Open CREATE OR ALTER VIEW in DDL statements window"));
  DataBtn = AddSpeedButton(btnPanel, "DataBtn", QStringLiteral("Da&ta"), QStringLiteral("Open view in data window"));
  DDLBtn = AddSpeedButton(btnPanel, "DDLBtn", QStringLiteral("Show DD&L"),
                          QStringLiteral("Open view DDL in DDL statements window"));
  DropBtn = AddSpeedButton(btnPanel, "DropBtn", QStringLiteral("&Drop"), QStringLiteral("Drop current view"));
  RefreshBtn = AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"), QStringLiteral("Refresh view list"));

  ViewList = new TViewList(this);
  ViewList->setObjectName(QStringLiteral("ViewList"));
  ViewSource = CreateListSource(ViewList, this, "DataSource1");
  auto *splitter = new QSplitter(Qt::Horizontal, this);
  FGrid = new TDBGrid(splitter);
  FGrid->setObjectName(QStringLiteral("FGrid"));
  FGrid->SetReadOnly(true);
  FGrid->SetDataSource(ViewSource);
  FGrid->AddColumn(ViewList->NameField->FieldName);
  FGrid->AddColumn(ViewList->Description->FieldName);

  Columns = new TRelationFields(this);
  Reads = new TViewReads(this);
  ReadBy = new TRelationDependencies(this);
  Pages = new QTabWidget(splitter);
  Pages->setObjectName(QStringLiteral("Pages"));
  SourceMemo = CreateSQLEditor(Pages);
  SourceMemo->setObjectName(QStringLiteral("SourceMemo"));
  SourceMemo->setReadOnly(true);
  ColumnGrid = DetailGrid(Pages, "ColumnGrid", Columns);
  ReadsGrid = DetailGrid(Pages, "ReadsGrid", Reads);
  ReadByGrid = DetailGrid(Pages, "ReadByGrid", ReadBy);
  Pages->addTab(SourceMemo, QStringLiteral("&Source"));
  Pages->addTab(ColumnGrid, QStringLiteral("C&olumns"));
  Pages->addTab(ReadsGrid, QStringLiteral("Re&ads"));
  Pages->addTab(ReadByGrid, QStringLiteral("Read &by"));
  splitter->setStretchFactor(1, 2);

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(btnPanel);
  layout->addWidget(splitter, 1);

  ConnectGuarded(EditBtn, &QToolButton::clicked, this, &TViewsForm::EditBtnClick);
  ConnectGuarded(DataBtn, &QToolButton::clicked, this, &TViewsForm::DataBtnClick);
  ConnectGuarded(DDLBtn, &QToolButton::clicked, this, &TViewsForm::DDLBtnClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TViewsForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TViewsForm::RefreshBtnClick);
  for (auto signal : {&TDataSource::Scrolled, &TDataSource::DataSetChanged})
    ConnectGuarded(ViewSource, signal, this, &TViewsForm::ShowCurrent);
  EnableWithRows(ViewSource, {EditBtn, DataBtn, DDLBtn, DropBtn});
  FollowCatalog(this, [this] { RefreshBtnClick(); });

  Guard([this] {
    ViewList->Open();
    FitColumns(FGrid);
    ShowCurrent();
  });
  ShowChild();
  ShowAtUsableSize(QSize(900, 460));
}

// The list closes as the window's children go: its signals must not reach the pages then.
TViewsForm::~TViewsForm() { disconnect(ViewSource, nullptr, this, nullptr); }

void TViewsForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TViewsForm::ShowCurrent() {
  const QString name = ViewList->Active() ? ViewList->Name() : QString();
  if (name == FShown && !name.isEmpty()) return;
  FShown = name;
  SetEditorText(SourceMemo, ViewList->Active() ? ViewList->Source->AsString() : QString());
  for (TRelationList *list : {static_cast<TRelationList *>(Columns), static_cast<TRelationList *>(Reads),
                              static_cast<TRelationList *>(ReadBy)}) {
    list->SetRelation(name);
    if (!name.isEmpty()) list->Open();
  }
  if (!name.isEmpty())
    for (TDBGrid *grid : {ColumnGrid, ReadsGrid, ReadByGrid})
      FitColumns(grid);
}

void TViewsForm::EditBtnClick() { ShowDDLText(CreateOrAlterViewDDL(ViewList->Name())); }

void TViewsForm::DataBtnClick() {
  if (Shell()) Shell()->ShowTableData(ViewList->Name());
}

void TViewsForm::DDLBtnClick() { ShowDDLText(ObjectDDL(TObjectKind::View, ViewList->Name())); }

void TViewsForm::DropBtnClick() {
  if (ConfirmDrop("view", ViewList->Name())) DropView(ViewList->Name());
}

void TViewsForm::RefreshBtnClick() {
  if (!ViewList->Active()) return;
  ViewList->Refresh();
  FShown.clear();  // the current view's details may have changed as well
  ShowCurrent();
}
