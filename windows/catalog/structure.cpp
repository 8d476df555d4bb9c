#include "windows/catalog/structure.h"

#include "base/lines.h"
#include "data/dataset.h"
#include "data/db.h"
#include "firebird/catalog.h"
#include "firebird/session.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "ui/shell.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QMdiArea>
#include <QScopeGuard>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
TQuery *Query(QObject *owner, const char *name, const char *sql) {
  auto *q = new TQuery(owner);
  q->setObjectName(QLatin1String(name));
  q->DatabaseName = TFbSession::Alias;
  q->SQL.SetText(QString::fromLatin1(sql));
  return q;
}

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
  SpeedButton1 = CreateSpeedButton(PanelComs, QStringLiteral("SpeedButton1"), QStringLiteral("&Show SQL for view"));
  auto *buttons = new QHBoxLayout(PanelComs);
  buttons->setContentsMargins(6, 4, 6, 4);
  buttons->addWidget(TblsCB);
  buttons->addWidget(DataBtn);
  buttons->addWidget(SpeedButton1);
  buttons->addStretch();

  StrQuery = Query(this, "StrQuery", catalogsql::RelationFields);
  DeclareField(new TSmallintField(StrQuery, QStringLiteral("RDB$FIELD_POSITION")), QStringLiteral("#"), 3);
  DeclareField(new TStringField(StrQuery, QStringLiteral("RDB$RELATION_NAME"), 31), QString(), 31, false);
  DeclareField(new TStringField(StrQuery, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field name"), 31);
  DeclareField(new TStringField(StrQuery, QStringLiteral("RDB$FIELD_SOURCE"), 31), QStringLiteral("DOMAIN"), 23);
  DeclareField(new TStringField(StrQuery, QStringLiteral("RDB$BASE_FIELD"), 31), QStringLiteral("BASE"), 22);
  DepQuery = Query(this, "DepQuery", catalogsql::RelationDependencies);
  DeclareField(new TStringField(DepQuery, QStringLiteral("RDB$FIELD_NAME"), 31), QStringLiteral("Field Name"), 26);
  TField *depType =
      DeclareField(new TStringField(DepQuery, QStringLiteral("DEPTYPE"), 20), QStringLiteral("Object Type"), 23);
  depType->Calculated = true;
  DeclareField(new TStringField(DepQuery, QStringLiteral("RDB$DEPENDENT_NAME"), 31), QStringLiteral("Object Name"), 33);
  DeclareField(new TSmallintField(DepQuery, QStringLiteral("RDB$DEPENDENT_TYPE")), QString(), 6, false);
  DepQuery->OnCalcFields = [this](TDataSet *DataSet) { DepQueryCalcFields(DataSet); };
  SQLSourceQ = Query(this, "SQLSourceQ", catalogsql::ViewSource);
  DeclareField(new TMemoField(SQLSourceQ, QStringLiteral("RDB$VIEW_SOURCE")), QStringLiteral("ViewSource"), 10, false);
  DeclareField(new TStringField(SQLSourceQ, QStringLiteral("RDB$RELATION_NAME"), 31), QStringLiteral("RelName"), 31,
               false);

  DS = new TDataSource(StrQuery, this);
  DS->setObjectName(QStringLiteral("DS"));
  DepsDS = new TDataSource(DepQuery, this);
  DepsDS->setObjectName(QStringLiteral("DepsDS"));

  const QColor shadow = palette().color(QPalette::Dark);
  TColumn position{QStringLiteral("RDB$FIELD_POSITION"), QString(), shadow, Qt::black};
  DBGrid1 = CatalogGrid(
      this, "DBGrid1", DS,
      dgTitles | dgColumnResize | dgColLines | dgTabs | dgAlwaysShowSelection | dgConfirmDelete | dgCancelOnExit,
      {position, TColumn{QStringLiteral("RDB$FIELD_NAME")}, TColumn{QStringLiteral("RDB$FIELD_SOURCE")}});
  DBGrid1->setFixedWidth(433);
  DBGrid2 = CatalogGrid(this, "DBGrid2", DepsDS,
                        dgTitles | dgColumnResize | dgColLines | dgTabs | dgConfirmDelete | dgCancelOnExit,
                        {TColumn{QStringLiteral("RDB$FIELD_NAME")}, TColumn{QStringLiteral("DEPTYPE")},
                         TColumn{QStringLiteral("RDB$DEPENDENT_NAME")}});

  auto *grids = new QHBoxLayout;
  grids->setSpacing(0);
  grids->addWidget(DBGrid1);
  grids->addWidget(DBGrid2, 1);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(PanelComs);
  layout->addLayout(grids, 1);

  ConnectGuarded(TblsCB, &QComboBox::activated, this, &TFormTblStr::TblsCBClick);
  ConnectGuarded(SpeedButton1, &QToolButton::clicked, this, &TFormTblStr::SpeedButton1Click);
  ConnectGuarded(DataBtn, &QToolButton::clicked, this, &TFormTblStr::SrcDataClick);

  Guard([this] { FormCreate(); });
  ShowChild();
  ShowAtUsableSize(QSize(900, 420));
}

void TFormTblStr::FormCreate() { FillRelationList(TblsCB, StrQuery->DatabaseName); }

void TFormTblStr::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TFormTblStr::TblsCBClick() {
  const QString name = TblsCB->currentText();
  StrQuery->DisableControls();
  DepQuery->DisableControls();
  // Display updates come back on every path: the suspension is counted, and a failed open
  // must not leave both grids frozen for good.
  const auto resume = qScopeGuard([this] {
    StrQuery->EnableControls();
    DepQuery->EnableControls();
  });
  StrQuery->Close();
  DepQuery->Close();
  StrQuery->ParamByName(QStringLiteral("RELNAME"), name);
  DepQuery->ParamByName(QStringLiteral("RELNAME"), name);
  StrQuery->Open();
  DepQuery->Open();
  setWindowTitle(QStringLiteral("Table structure -") + name);
}

void TFormTblStr::DepQueryCalcFields(TDataSet *DataSet) {
  DataSet->FieldByName(QStringLiteral("DEPTYPE"))
      ->SetAsString(DependencyTypeName(DataSet->FieldByName(QStringLiteral("RDB$DEPENDENT_TYPE"))->Value()));
}

void TFormTblStr::SpeedButton1Click() {
  SQLSourceQ->Close();
  SQLSourceQ->ParamByName(QStringLiteral("Name"), TblsCB->currentText());
  SQLSourceQ->Open();
  if (Shell()) Shell()->ShowDDL(SourceLines(SQLSourceQ->FieldByName(QStringLiteral("RDB$VIEW_SOURCE"))));
}

void TFormTblStr::SrcDataClick() {
  if (Shell()) Shell()->ShowTableData(TblsCB->currentText());
}
