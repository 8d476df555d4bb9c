#include "windows/catalog/triggers.h"

#include "base/errors.h"
#include "data/dataset.h"
#include "data/db.h"
#include "firebird/session.h"
#include "firebird/triggers.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "windows/catalog/listwindow.h"
#include "windows/catalog/triggereditor.h"
#include "windows/repository/repositoryops.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

namespace {
const QString kAllRelations = QStringLiteral("<All relations>");
}  // namespace

TFormTriggers::TFormTriggers(QWidget *owner) : TChildForm(owner) {
  setObjectName(QStringLiteral("FormTriggers"));
  setWindowTitle(QStringLiteral("Triggers"));
  CreatePanel();
  CreateTable();
  CreateGrid();

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(RelationPanel);
  layout->addWidget(TriggerGrid, 1);

  EnableWithRows(TriggerSource, {SrcBtn, AddBtn, DropBtn, DeactivateBtn, ActivateBtn});
  AddDDLButton(RelationPanel, TriggerSource, TObjectKind::Trigger, [this] { return TrigTable->Name(); });
  FollowCatalog(this, [this] { RefreshBtnClick(); });

  Guard([this] { FormCreate(); });
  ShowChild();
  ShowAtUsableSize(QSize(960, 420));
}

void TFormTriggers::CreatePanel() {
  RelationPanel = new QFrame(this);
  RelationPanel->setObjectName(QStringLiteral("Panel1"));
  RelationPanel->setFrameShape(QFrame::StyledPanel);
  RelationLabel = new QLabel(QStringLiteral("Relation"), RelationPanel);
  RelationLabel->setObjectName(QStringLiteral("Label1"));
  TableCombo = new QComboBox(RelationPanel);
  TableCombo->setObjectName(QStringLiteral("TableCombo"));
  TableCombo->setMaxVisibleItems(20);
  TableCombo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  TableCombo->setMinimumContentsLength(24);
  auto *row = new QHBoxLayout(RelationPanel);
  row->setContentsMargins(4, 4, 4, 4);
  row->setSpacing(2);
  row->addWidget(RelationLabel);
  row->addWidget(TableCombo);
  row->addSpacing(6);

  struct Button {
    QToolButton *&member;
    const char *name, *caption, *hint;
  };
  const Button buttons[] = {
      {SrcBtn, "SrcBtn", "&Source", "Open source code of trigger"},
      {AddBtn, "AddBtn", "&Add ", "Add source to repository"},
      {DropBtn, "SpeedButton1", "&Drop", "Drop trigger"},
      {DeactivateBtn, "DeactivteBtn", "D&eactivate", "Set trigger inactive"},
      {ActivateBtn, "ActivateBtn", "A&ctivate", "Set trigger active"},
      {InsWiz, "InsWiz", "&1.Insert wizard", "Creates insert trigger for views"},
      {UpdWiz, "SpeedButton3", "&2.Update wizard", "Creates update trigger for views"},
      {DelWiz, "DelWiz", "&3.Delete wizard", "Creates delete trigger for views"},
      {RefreshBtn, "RefreshBtn", "&Refresh", "Refresh trigger list"},
  };
  for (const Button &b : buttons) {
    b.member = new QToolButton(RelationPanel);
    b.member->setObjectName(QString::fromLatin1(b.name));
    b.member->setText(QString::fromLatin1(b.caption));
    b.member->setStatusTip(QString::fromLatin1(b.hint));
    b.member->setToolTip(QString::fromLatin1(b.hint));
    b.member->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b.member->setFocusPolicy(Qt::NoFocus);  // a click leaves the grid's current row alone
    b.member->setMinimumHeight(25);
    row->addWidget(b.member);
  }
  row->addStretch();

  ConnectGuarded(SrcBtn, &QToolButton::clicked, this, [this] { SrcBtnClick(); });
  ConnectGuarded(AddBtn, &QToolButton::clicked, this, &TFormTriggers::AddBtnClick);
  ConnectGuarded(DropBtn, &QToolButton::clicked, this, &TFormTriggers::DropBtnClick);
  ConnectGuarded(DeactivateBtn, &QToolButton::clicked, this, &TFormTriggers::DeactivateBtnClick);
  ConnectGuarded(RefreshBtn, &QToolButton::clicked, this, &TFormTriggers::RefreshBtnClick);
  ConnectGuarded(ActivateBtn, &QToolButton::clicked, this, &TFormTriggers::ActivateBtnClick);
  int change = 0;
  for (QToolButton *b : {InsWiz, UpdWiz, DelWiz})
    ConnectGuarded(b, &QToolButton::clicked, this, [this, c = change++] { WizardClick(c); });
}

void TFormTriggers::CreateTable() {
  TrigTable = new TTriggerList(this);
  TrigTable->setObjectName(QStringLiteral("TrigTable"));
}

void TFormTriggers::CreateGrid() {
  TriggerSource = CreateListSource(TrigTable, this, "DataSource1");
  TriggerGrid = new TDBGrid(this);
  TriggerGrid->setObjectName(QStringLiteral("DBGrid1"));
  TriggerGrid->SetReadOnly(true);
  TriggerGrid->SetDataSource(TriggerSource);
  const struct {
    const TField *field;
    const char *title;  // null: the field's own label
  } columns[] = {{TrigTable->NameField, nullptr},  {TrigTable->Relation, "RELATION"}, {TrigTable->Sequence, "SEQUENCE"},
                 {TrigTable->TypeName, "TYPE"},    {TrigTable->Source, nullptr},      {TrigTable->Description, nullptr},
                 {TrigTable->ActiveName, "ACTIVE"}};
  for (const auto &c : columns)
    TriggerGrid->AddColumn(c.field->FieldName, c.title ? QString::fromLatin1(c.title) : QString());
  ConnectGuarded(TriggerGrid, &TDBGrid::OnDblClick, this, [this] { SrcBtnClick(); });
}

void TFormTriggers::FormCreate() {
  // The list is read once, with the relation choice already made. When the relations cannot be
  // read, neither can the triggers: the user hears of it once, and the window stays empty with
  // "<All relations>" chosen.
  SelectedRelation = kAllRelations;
  TableCombo->addItem(kAllRelations);  // chosen, as the first item of an empty list
  ConnectGuarded(TableCombo, &QComboBox::currentIndexChanged, this, &TFormTriggers::TableComboChange);
  QStringList names;
  Session().GetTableNames(TFbSession::Alias, QString(), false, false, names);
  TableCombo->addItems(names);
  TrigTable->Open();
  FitColumns(TriggerGrid);
}

void TFormTriggers::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TFormTriggers::TableComboChange() {
  SelectedRelation = TableCombo->currentText();
  TrigTable->ShowRelation(SelectedRelation == kAllRelations ? QString() : SelectedRelation);
}

TTrigSourceForm *TFormTriggers::SrcBtnClick() {
  // A trigger has one editor: opened again, it comes to the front as the user left it.
  if (TTrigSourceForm *open = TTrigSourceForm::EditorOf(TrigTable->Name())) {
    open->BringToFront();
    return open;
  }
  // Filled before it is shown; a failure on the way leaves no half-filled editor behind.
  auto editor = std::make_unique<TTrigSourceForm>();
  editor->OpenedOn = TrigTable->Name();
  SetEditorText(editor->TrigSource, TrigTable->Source->AsString());
  // A quoted name keeps its quotes, however long the name.
  const QString name = FbSession()->SQLName(TrigTable->Name());
  editor->TrigNameEdit->setMaxLength(qMax(editor->TrigNameEdit->maxLength(), int(name.size())));
  editor->TrigNameEdit->setText(name);
  editor->SetEvent(TrigTable->TypeName->AsString());
  editor->PositionEdit->setValue(TrigTable->Sequence->AsInteger());
  const QString relation = TrigTable->Relation->AsString();  // none for database and DDL triggers
  editor->TableNameEdit->setEditText(relation.isEmpty() ? QString() : FbSession()->SQLName(relation));
  editor->ShowEditor();
  return editor.release();
}

TTrigSourceForm *TFormTriggers::WizardClick(int change) {
  const QString view = SelectedRelation != kAllRelations ? SelectedRelation : TrigTable->Relation->AsString();
  if (view.isEmpty()) throw Exception(QStringLiteral("Choose a view in the Relation list first"));
  const TTriggerDraft draft = ViewTriggerDraft(view, static_cast<TViewChange>(change));
  auto editor = std::make_unique<TTrigSourceForm>();
  SetEditorText(editor->TrigSource, draft.Source);
  editor->TrigNameEdit->setText(draft.Name);
  editor->SetEvent(draft.Event);
  editor->TableNameEdit->setEditText(draft.Table);
  editor->ShowEditor(false);
  return editor.release();
}

void TFormTriggers::AddBtnClick() { AddObjectSource(SourceLines(TrigTable->Source)); }

void TFormTriggers::RefreshBtnClick() {
  if (TrigTable->Active()) TrigTable->Refresh();
}

void TFormTriggers::DropBtnClick() {
  if (ConfirmDrop("trigger", TrigTable->Name())) DropTrigger(TrigTable->Name());
}

void TFormTriggers::DeactivateBtnClick() { SetTriggerActive(TrigTable->Name(), false); }

void TFormTriggers::ActivateBtnClick() { SetTriggerActive(TrigTable->Name(), true); }
