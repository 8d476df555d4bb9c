#include "windows/catalog/procedures.h"

#include "data/dataset.h"
#include "firebird/extract.h"
#include "firebird/procedures.h"
#include "ui/dbgrid.h"
#include "ui/errordisplay.h"
#include "windows/catalog/listwindow.h"
#include "windows/catalog/procedureeditor.h"
#include "windows/catalog/procedurerun.h"
#include "windows/repository/repositoryops.h"

#include <QFrame>
#include <QToolButton>

TProceduresForm::TProceduresForm(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("ProceduresForm"));
  setWindowTitle(QStringLiteral("Procedures"));

  btnPanel = CreateButtonPanel(this);
  EditBtn = AddSpeedButton(btnPanel, "EditBtn", QStringLiteral("&Edit"), QStringLiteral("Open procedure in editor"));
  NewBtn = AddSpeedButton(btnPanel, "NewBtn", QStringLiteral("&New"), QStringLiteral("Write a new procedure"));
  ExecBtn = AddSpeedButton(btnPanel, "ExecBtn", QStringLiteral("E&xecute"),
                           QStringLiteral("Execute procedure with input values"));
  AddBtn = AddSpeedButton(btnPanel, "AddBtn", QStringLiteral("&Add "), QStringLiteral("Add source to repository"));
  DDLBtn = AddSpeedButton(btnPanel, "DDLBtn", QStringLiteral("Show DD&L"),
                          QStringLiteral("Open procedure DDL in DDL statements window"));
  DropBtn = AddSpeedButton(btnPanel, "DropBtn", QStringLiteral("&Drop"), QStringLiteral("Drop current procedure"));
  RefreshBtn =
      AddSpeedButton(btnPanel, "RefreshBtn", QStringLiteral("&Refresh"), QStringLiteral("Refresh procedure list"));

  ProcList = new TProcedureList(this);
  ProcList->setObjectName(QStringLiteral("ProcList"));
  ProcSource = CreateListSource(ProcList, this, "DataSource1");
  FGrid = CreateListGrid(this, btnPanel, ProcSource);
  FGrid->SetReadOnly(true);
  for (const TField *f :
       {ProcList->NameField, ProcList->Inputs, ProcList->Outputs, ProcList->TypeName, ProcList->Description})
    FGrid->AddColumn(f->FieldName);

  ConnectGuarded(EditBtn, &QToolButton::clicked, this, [this] { EditBtnClick(); });
  ConnectGuarded(NewBtn, &QToolButton::clicked, this, [this] { NewBtnClick(); });
  ConnectGuarded(ExecBtn, &QToolButton::clicked, this, &TProceduresForm::ExecBtnClick);
  ConnectGuarded(AddBtn, &QToolButton::clicked, this, &TProceduresForm::AddBtnClick);
  ConnectGuarded(DDLBtn, &QToolButton::clicked, this, &TProceduresForm::DDLBtnClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TProceduresForm::DropBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TProceduresForm::RefreshBtnClick);
  ConnectGuarded(FGrid, &TDBGrid::OnDblClick, this, [this] { EditBtnClick(); });
  EnableWithRows(ProcSource, {EditBtn, ExecBtn, AddBtn, DDLBtn, DropBtn});
  FollowCatalog(this, [this] { RefreshBtnClick(); });

  Guard([this] {
    ProcList->Open();
    FitColumns(FGrid);
  });
  ShowChild();
}

QSize TProceduresForm::sizeHint() const { return ColumnsSizeHint(FGrid, TChildForm::sizeHint()); }

void TProceduresForm::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

TProcSourceForm *TProceduresForm::EditBtnClick() { return TProcSourceForm::OpenProcedure(ProcList->Name(), QString()); }

TProcSourceForm *TProceduresForm::NewBtnClick() { return TProcSourceForm::OpenProcedure(QString(), QString()); }

void TProceduresForm::ExecBtnClick() { RunProcedure(ProcList->Name(), ProcList->Selectable()); }

void TProceduresForm::AddBtnClick() {
  TStringList lines;
  lines.SetText(ProcedureSource(ProcList->Name()));
  AddObjectSource(lines);
}

void TProceduresForm::DDLBtnClick() { ShowDDLText(ObjectDDL(TObjectKind::Procedure, ProcList->Name())); }

void TProceduresForm::DropBtnClick() {
  if (ConfirmDrop("procedure", ProcList->Name())) DropProcedure(ProcList->Name());
}

void TProceduresForm::RefreshBtnClick() {
  if (ProcList->Active()) ProcList->Refresh();
}
