#include "windows/catalog/structure.h"

#include "base/lines.h"
#include "data/dataset.h"
#include "data/db.h"
#include "firebird/relations.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "ui/shell.h"
#include "windows/catalog/listwindow.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QScopeGuard>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A read-only catalog grid: grey cells, shaded titles, the given options.
TDBGrid *CatalogGrid(QWidget *parent, const char *name, TDataSource *source, TDBGridOptions options,
                     const QList<TColumn> &columns) {
  auto *grid = new TDBGrid(parent);
  grid->setObjectName(QLatin1String(name));
  grid->SetOptions(options);
  grid->SetReadOnly(true);
  grid->SetColor(grid->palette().color(QPalette::Button));
  grid->SetFixedColor(grid->palette().color(QPalette::Dark));
  grid->SetDataSource(source);
  grid->SetColumns(columns);
  return grid;
}
}  // namespace

TFormTblStr::TFormTblStr(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("FormTblStr"));
  setWindowTitle(QStringLiteral("TableStructure"));

  PanelComs = new QFrame(this);
  PanelComs->setObjectName(QStringLiteral("PanelComs"));
  PanelComs->setFrameShape(QFrame::StyledPanel);
  PanelComs->setFixedHeight(41);
  TblsCB = CreateRelationList(PanelComs);
  DataBtn = CreateSpeedButton(PanelComs, QStringLiteral("DataBtn"), QStringLiteral("&Show data"));
  DataBtn->setToolTip(QStringLiteral("Open this table in data window"));
  DataBtn->setStatusTip(DataBtn->toolTip());
  ViewSourceBtn = CreateSpeedButton(PanelComs, QStringLiteral("SpeedButton1"), QStringLiteral("&Show SQL for view"));
  auto *buttons = new QHBoxLayout(PanelComs);
  buttons->setContentsMargins(6, 4, 6, 4);
  buttons->addWidget(TblsCB);
  buttons->addWidget(DataBtn);
  buttons->addWidget(ViewSourceBtn);
  buttons->addStretch();
  DDLBtn = AddSpeedButton(PanelComs, "DDLBtn", QStringLiteral("DD&L"),
                          QStringLiteral("Show the statements that create this table or view"));

  StrQuery = new TRelationFields(this);
  StrQuery->setObjectName(QStringLiteral("StrQuery"));
  DepQuery = new TRelationDependencies(this);
  DepQuery->setObjectName(QStringLiteral("DepQuery"));
  SQLSourceQ = new TViewSource(this);
  SQLSourceQ->setObjectName(QStringLiteral("SQLSourceQ"));

  DS = new TDataSource(StrQuery, this);
  DS->setObjectName(QStringLiteral("DS"));
  DepsDS = new TDataSource(DepQuery, this);
  DepsDS->setObjectName(QStringLiteral("DepsDS"));

  const QColor shadow = palette().color(QPalette::Dark);
  TColumn position{StrQuery->Position->FieldName, QString(), shadow, Qt::black};
  FieldGrid = CatalogGrid(
      this, "DBGrid1", DS,
      dgTitles | dgColumnResize | dgColLines | dgTabs | dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit,
      {position, TColumn{StrQuery->NameField->FieldName}, TColumn{StrQuery->TypeText->FieldName},
       TColumn{StrQuery->Domain->FieldName}, TColumn{StrQuery->NotNull->FieldName},
       TColumn{StrQuery->Default->FieldName}, TColumn{StrQuery->Computed->FieldName}});
  DependencyGrid = CatalogGrid(this, "DBGrid2", DepsDS,
                               dgTitles | dgColumnResize | dgColLines | dgTabs | dgConfirmDelete | dgCancelOnExit,
                               {TColumn{DepQuery->FieldName->FieldName}, TColumn{DepQuery->TypeName->FieldName},
                                TColumn{DepQuery->NameField->FieldName}});

  auto *grids = new QHBoxLayout;
  grids->setSpacing(0);
  grids->addWidget(FieldGrid, 3);
  grids->addWidget(DependencyGrid, 2);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(PanelComs);
  layout->addLayout(grids, 1);

  ConnectGuarded(TblsCB, &QComboBox::activated, this, &TFormTblStr::TblsCBClick);
  ConnectGuarded(ViewSourceBtn, &QToolButton::clicked, this, &TFormTblStr::ViewSourceBtnClick);
  ConnectGuarded(DataBtn, &QToolButton::clicked, this, &TFormTblStr::SrcDataClick);
  ConnectGuarded(DDLBtn, &QToolButton::clicked, this,
                 [this] { ShowObjectDDL(TObjectKind::Table, TblsCB->currentText()); });
  FollowCatalog(this, [this] { Reread(); });

  Guard([this] { FormCreate(); });
  ShowChild();
  ShowAtUsableSize(QSize(900, 420));
}

void TFormTblStr::FormCreate() {
  ViewSourceBtn->setEnabled(false);  // a view is not chosen yet
  DDLBtn->setEnabled(false);         // nor a table
  FillRelationList(TblsCB, StrQuery->DatabaseName);
}

void TFormTblStr::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TFormTblStr::TblsCBClick() {
  const QString name = TblsCB->currentText();
  KeepWidths();
  {
    StrQuery->DisableControls();
    DepQuery->DisableControls();
    // Display updates come back on every path: the suspension is counted, and a failed open
    // must not leave both grids frozen for good.
    const auto resume = qScopeGuard([this] {
      StrQuery->EnableControls();
      DepQuery->EnableControls();
    });
    StrQuery->SetRelation(name);
    DepQuery->SetRelation(name);
    StrQuery->Open();
    DepQuery->Open();
  }
  ShowWidths(name);
  setWindowTitle(QStringLiteral("Table structure -") + name);
  SQLSourceQ->Read(name);
  ViewSourceBtn->setEnabled(!SQLSourceQ->Source->IsNull());
  DDLBtn->setEnabled(true);
  FieldGrid->setFocus();  // typing goes to the columns now, not to the list's search
}

void TFormTblStr::Reread() {
  const QString shown = TblsCB->currentText();
  FillRelationList(TblsCB, StrQuery->DatabaseName);
  TblsCB->setCurrentIndex(TblsCB->findText(shown, Qt::MatchFixedString | Qt::MatchCaseSensitive));
  for (TDataSet *query : {static_cast<TDataSet *>(StrQuery), static_cast<TDataSet *>(DepQuery)})
    if (query->Active()) query->Refresh();
}

void TFormTblStr::KeepWidths() {
  if (FShown.isEmpty()) return;
  QList<int> &widths = FWidths[FShown];
  widths.clear();
  for (const TDBGrid *grid : {FieldGrid, DependencyGrid})
    for (int c = 0; c < grid->model()->columnCount(); ++c)
      widths << grid->columnWidth(c);
}

void TFormTblStr::ShowWidths(const QString &relation) {
  FShown = relation;
  const QList<int> widths = FWidths.value(relation);
  int i = 0;
  for (TDBGrid *grid : {FieldGrid, DependencyGrid}) {
    if (widths.isEmpty()) FitColumns(grid);
    for (int c = 0; c < grid->model()->columnCount() && i < widths.size(); ++c)
      grid->setColumnWidth(c, widths.at(i++));
  }
}

void TFormTblStr::ViewSourceBtnClick() {
  SQLSourceQ->Read(TblsCB->currentText());
  if (Shell()) Shell()->ShowDDL(SourceLines(SQLSourceQ->Source));
}

void TFormTblStr::SrcDataClick() {
  if (Shell()) Shell()->ShowTableData(TblsCB->currentText());
}
