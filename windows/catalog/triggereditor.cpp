#include "windows/catalog/triggereditor.h"

#include "base/errors.h"
#include "firebird/names.h"
#include "firebird/session.h"
#include "firebird/triggers.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/sourcedialog.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QVBoxLayout>
#include <optional>

namespace {
const QString kCaptionPrefix = QStringLiteral("Trigger -");
const QString kPosFormat = QStringLiteral(" Line : %1 | Column: %2 | Row relative to DDL: %3");
// Firebird's longest name, and the positions it keeps.
constexpr int kNameLength = 31;
constexpr int kMaxPosition = 32767;

QLabel *PanelLabel(const QString &caption, QWidget *buddy, QWidget *parent) {
  auto *label = new QLabel(caption, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setBuddy(buddy);
  return label;
}
}  // namespace

TTrigSourceForm::TTrigSourceForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("TrigSourceForm"));
  setWindowTitle(QStringLiteral("Trigger Source Editor"));

  TrigSource = CreateSQLEditor(this);
  TrigSource->setObjectName(QStringLiteral("TrigSource"));
  CreatePanel();

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(TrigSource, 1);
  layout->addWidget(ComPanel);

  CreateMenus();
  // In the source editor a shortcut goes to the context menu first; elsewhere in the window
  // the "&Trigger" menu's own shortcuts answer (see CreateMenus).
  Keys = new TEditorKeys(
      TrigSource, {PopupMenu1, MnDDL}, [this] { TrigSourceKeyUp(); }, true);
  SetUpEditorFileDialogs(OpenDlg, SaveDlg, kDDLFilter, kDDLDefaultExt);

  Guard([this] { FillRelationList(TableNameEdit, TFbSession::Alias); });
  MarkApplied();
}

void TTrigSourceForm::CreatePanel() {
  ComPanel = new QFrame(this);
  ComPanel->setObjectName(QStringLiteral("ComPanel"));
  ComPanel->setFrameShape(QFrame::StyledPanel);
  PosIndic = CreatePositionIndicator(ComPanel);
  PosIndic->setObjectName(QStringLiteral("PosIndic"));

  TrigNameEdit = new QLineEdit(ComPanel);
  TrigNameEdit->setObjectName(QStringLiteral("TrigNameEdit"));
  EventTypeEdit = new QComboBox(ComPanel);
  EventTypeEdit->setObjectName(QStringLiteral("EventTypeEdit"));
  EventTypeEdit->addItems(AllTriggerEvents());
  EventTypeEdit->setMaxVisibleItems(25);
  EventTypeEdit->setCurrentIndex(-1);
  PositionEdit = new QSpinBox(ComPanel);
  PositionEdit->setObjectName(QStringLiteral("PositionEdit"));
  PositionEdit->setRange(0, kMaxPosition);
  TableNameEdit = new QComboBox(ComPanel);
  TableNameEdit->setObjectName(QStringLiteral("TableNameEdit"));
  TableNameEdit->setEditable(true);
  TableNameEdit->setInsertPolicy(QComboBox::NoInsert);
  TableNameEdit->setMaxVisibleItems(25);
  TableNameEdit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

  NameLabel = PanelLabel(QStringLiteral("&TriggerName"), TrigNameEdit, ComPanel);
  EventLabel = PanelLabel(QStringLiteral("&Event type"), EventTypeEdit, ComPanel);
  PositionLabel = PanelLabel(QStringLiteral("&Position"), PositionEdit, ComPanel);
  TableLabel = PanelLabel(QStringLiteral("&Table (view) name"), TableNameEdit, ComPanel);
  int n = 1;
  for (QLabel *label : {NameLabel, PositionLabel, EventLabel, TableLabel})
    label->setObjectName(QStringLiteral("Label%1").arg(n++));

  auto *fields = new QGridLayout;
  fields->setContentsMargins(6, 4, 6, 6);
  fields->addWidget(NameLabel, 0, 0);
  fields->addWidget(TrigNameEdit, 0, 1);
  fields->addWidget(EventLabel, 0, 2);
  fields->addWidget(EventTypeEdit, 0, 3);
  fields->addWidget(PositionLabel, 1, 0);
  fields->addWidget(PositionEdit, 1, 1);
  fields->addWidget(TableLabel, 1, 2);
  fields->addWidget(TableNameEdit, 1, 3);
  fields->setColumnStretch(1, 1);
  fields->setColumnStretch(3, 1);
  // Room for a whole name, as for the table's.
  TrigNameEdit->setMinimumWidth(TrigNameEdit->fontMetrics().horizontalAdvance(QString(kNameLength, QLatin1Char('N'))) /
                                2);
  auto *panel = new QVBoxLayout(ComPanel);
  panel->setContentsMargins(0, 0, 0, 0);
  panel->setSpacing(0);
  panel->addWidget(PosIndic);
  panel->addLayout(fields);

  setTabOrder(TrigSource, TrigNameEdit);
  setTabOrder(TrigNameEdit, EventTypeEdit);
  setTabOrder(EventTypeEdit, PositionEdit);
  setTabOrder(PositionEdit, TableNameEdit);
  ConnectGuarded(TrigNameEdit, &QLineEdit::textChanged, this, &TTrigSourceForm::TrigNameEditChange);
}

void TTrigSourceForm::CreateMenus() {
  MnDDL = new QMenu(QStringLiteral("&Trigger"), this);
  MnDDL->setObjectName(QStringLiteral("MnDDL"));
  MnDDL->menuAction()->setStatusTip(QStringLiteral("DDL statements menu"));
  MnNew = AddMenuItem(MnDDL, QStringLiteral("&New"), Qt::CTRL | Qt::Key_F9, QStringLiteral("Create specific trigger"));
  mnRun = AddMenuItem(MnDDL, QStringLiteral("&Update"), Qt::Key_F9, QStringLiteral("Run DDL statement"));
  const TFileItems menuFiles = AddFileItems(MnDDL);
  MNLoadfromFile = menuFiles.Load;
  MnSaveToFile = menuFiles.Save;
  MnShowSQL = AddMenuItem(MnDDL, QStringLiteral("Show S&QL"), QKeySequence(),
                          QStringLiteral("Check this menu if you want to see DDL statement before execution"));
  MnShowSQL->setCheckable(true);  // choosing it inverts the mark; off at start
  N4 = MnDDL->addSeparator();
  const TWizardItems menuWizards = AddWizardItems(MnDDL);
  Insertstatementwizard1 = menuWizards.Insert;
  Updatestatementwizard1 = menuWizards.Update;
  // The menu's shortcuts work from the panel's fields too, whether or not the main window
  // has merged the menu; only while the focus is in this editor, so two editors never share
  // a key.
  for (QAction *a : MnDDL->actions()) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  const TClipboardItems clipboard = AddClipboardItems(PopupMenu1, TrigSource);
  Cut1 = clipboard.Cut;
  Copy1 = clipboard.Copy;
  Paste1 = clipboard.Paste;
  N1 = PopupMenu1->addSeparator();
  Run1 = AddMenuItem(PopupMenu1, QStringLiteral("&New"), Qt::CTRL | Qt::Key_F9,
                     QStringLiteral("Creates trigger from this source"));
  MnUpdate =
      AddMenuItem(PopupMenu1, QStringLiteral("&Update"), Qt::Key_F9, QStringLiteral("Updates existing trigger source"));
  N2 = PopupMenu1->addSeparator();
  const TFileItems popupFiles = AddFileItems(PopupMenu1);
  LoadfromFile1 = popupFiles.Load;
  SavetoFile1 = popupFiles.Save;
  N3 = PopupMenu1->addSeparator();
  const TWizardItems popupWizards = AddWizardItems(PopupMenu1);
  MnInsertWizard = popupWizards.Insert;
  MNUpdateWizard = popupWizards.Update;

  for (QAction *a : {MnNew, Run1})
    ConnectGuarded(a, &QAction::triggered, this, &TTrigSourceForm::MnNewClick);
  for (QAction *a : {mnRun, MnUpdate})
    ConnectGuarded(a, &QAction::triggered, this, &TTrigSourceForm::mnRunClick);
  for (QAction *a : {MNLoadfromFile, LoadfromFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TTrigSourceForm::LoadFromFileClick);
  for (QAction *a : {MnSaveToFile, SavetoFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TTrigSourceForm::SaveToFileClick);
  ConnectGuarded(TrigSource, &QWidget::customContextMenuRequested, this,
                 [this](const QPoint &pos) { PopupMenu1->popup(TrigSource->viewport()->mapToGlobal(pos)); });
}

void TTrigSourceForm::ShowEditor(bool onServer) {
  FExisting = onServer && !TrigNameEdit->text().isEmpty();
  MarkApplied();
  ShowChild();
  ShowAtUsableSize(QSize(640, 460));
  TrigSource->setFocus();
}

TTrigSourceForm *TTrigSourceForm::EditorOf(const QString &trigger) {
  if (trigger.isEmpty()) return nullptr;
  for (QWidget *w : QApplication::allWidgets())
    if (auto *editor = qobject_cast<TTrigSourceForm *>(w); editor && editor->OpenedOn == trigger && editor->isVisible())
      return editor;
  return nullptr;
}

void TTrigSourceForm::SetEvent(const QString &event) {
  int index = EventTypeEdit->findText(event);
  // The row events of a trigger in an order of its own ("UPDATE OR INSERT") are offered too.
  if (index < 0 && !event.isEmpty()) {
    EventTypeEdit->addItem(event);
    index = EventTypeEdit->count() - 1;
  }
  EventTypeEdit->setCurrentIndex(index);
}

int TTrigSourceForm::Position() const {
  // The position as the field shows it, also while a typed value has not been taken yet.
  bool isNumber = false;
  const int position = PositionEdit->cleanText().toInt(&isNumber);
  return isNumber ? position : 0;
}

QString TTrigSourceForm::TableName() const {
  // A name picked from the list is a catalog name; one typed by hand goes as typed.
  const QString text = TableNameEdit->currentText();
  const int picked = TableNameEdit->currentIndex();
  return picked >= 0 && TableNameEdit->itemText(picked) == text ? FbSession()->SQLName(text) : text;
}

QStringList TTrigSourceForm::UpdateHead() const {
  const int position = Position();
  return AlterTriggerHead(TrigNameEdit->text(), EventTypeEdit->currentText(),
                          position != FAppliedPosition ? std::optional<int>(position) : std::nullopt);
}

QStringList TTrigSourceForm::NewHead() const {
  return CreateTriggerHead(TrigNameEdit->text(), TableName(), EventTypeEdit->currentText(), Position());
}

// The head, then the source exactly as the editor holds it: a source the user did not touch
// is stored again with its own line breaks and characters.
QString TTrigSourceForm::StatementText(const QStringList &head) const {
  const QString body = EditorText(TrigSource);
  const QString lineBreak = body.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
  return head.join(lineBreak) + lineBreak + body;
}

TStringList TTrigSourceForm::UpdateStatementLines() const {
  TStringList lines;
  lines.SetText(StatementText(UpdateHead()));
  return lines;
}

TStringList TTrigSourceForm::NewStatementLines() const {
  TStringList lines;
  lines.SetText(StatementText(NewHead()));
  return lines;
}

QStringList TTrigSourceForm::Fields() const {
  return {TrigNameEdit->text(), TableNameEdit->currentText(), EventTypeEdit->currentText(), PositionEdit->cleanText(),
          TrigSource->toPlainText()};
}

void TTrigSourceForm::MarkApplied() {
  FApplied = Fields();
  FAppliedPosition = Position();
}

void TTrigSourceForm::Execute(const QStringList &head) {
  // Cut, the name would create or alter another trigger than the one the user named.
  if (TypedName(TrigNameEdit->text()).size() > kNameLength)
    throw Exception(
        QStringLiteral("The trigger name %1 is longer than %2 characters").arg(TrigNameEdit->text()).arg(kNameLength));
  const QString statement = StatementText(head);
  if (MnShowSQL->isChecked()) {
    TStringList shown;
    shown.SetText(statement);
    ShowSQLSource(shown);  // not confirmed: a silent abort
  }
  // The server counts lines from the head's first; the editor's text follows the head.
  RunMarkingErrors(
      TrigSource, [&] { FbSession()->Execute(statement); }, 1 - int(head.size()));
  MarkApplied();
}

void TTrigSourceForm::MnNewClick() {
  Execute(NewHead());
  FExisting = true;
}

void TTrigSourceForm::mnRunClick() {
  const QString event = EventTypeEdit->currentText(), applied = FApplied.value(2);
  if (event != applied && (!IsTableEvent(event) || !IsTableEvent(applied)))
    throw Exception(QStringLiteral("The server changes the event of a table's trigger only: to give trigger %1 "
                                   "the event %2, drop it and create it again with New")
                        .arg(TrigNameEdit->text(), event));
  Execute(UpdateHead());
}

bool TTrigSourceForm::FormCloseQuery() {
  if (Fields() == FApplied) return true;
  return AskToApply(QStringLiteral("Apply the changes to trigger %1?").arg(TrigNameEdit->text()),
                    [this] { FExisting ? mnRunClick() : MnNewClick(); });
}

void TTrigSourceForm::LoadFromFileClick() {
  if (!OpenDlg.Execute(this)) return;
  LoadEditorFromFile(TrigSource, OpenDlg.FileName);
}

void TTrigSourceForm::SaveToFileClick() {
  if (!SaveDlg.Execute(this)) return;
  SaveEditorToFile(TrigSource, SaveDlg.FileName);
}

void TTrigSourceForm::TrigNameEditChange() { setWindowTitle(kCaptionPrefix + TrigNameEdit->text()); }

void TTrigSourceForm::TrigSourceKeyUp() {
  const TCaretPos p = CaretPos(TrigSource);
  PosIndic->setText(kPosFormat.arg(p.Line).arg(p.Column).arg(p.Line + UpdateHead().size()));
}
