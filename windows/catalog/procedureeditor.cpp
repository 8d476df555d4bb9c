#include "windows/catalog/procedureeditor.h"

#include "base/errors.h"
#include "firebird/names.h"
#include "firebird/procedures.h"
#include "firebird/session.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/sourcedialog.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QVBoxLayout>
#include <memory>

namespace {
const QString kCaptionPrefix = QStringLiteral("Procedure -");
const QString kPosFormat = QStringLiteral(" Line : %1 | Column: %2 | Row relative to DDL: %3");
constexpr int kNameLength = 31;

// One declaration a line; blank lines and a separating comma at a line's end do not count.
QStringList Declarations(const QPlainTextEdit *edit) {
  QStringList out;
  for (QString line : edit->toPlainText().split(QLatin1Char('\n'))) {
    line = line.trimmed();
    if (line.endsWith(QLatin1Char(','))) line.chop(1);
    if (!line.trimmed().isEmpty()) out << line.trimmed();
  }
  return out;
}

QPlainTextEdit *DeclarationEdit(QWidget *parent, const char *name) {
  auto *edit = new QPlainTextEdit(parent);
  edit->setObjectName(QLatin1String(name));
  edit->setLineWrapMode(QPlainTextEdit::NoWrap);
  edit->setTabChangesFocus(true);
  edit->setFixedHeight(edit->fontMetrics().lineSpacing() * 4 + 10);
  return edit;
}
}  // namespace

TProcSourceForm::TProcSourceForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("ProcSourceForm"));
  setWindowTitle(QStringLiteral("Procedure Source Editor"));
  ProcSource = CreateSQLEditor(this);
  ProcSource->setObjectName(QStringLiteral("ProcSource"));
  CreatePanel();
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ComPanel);
  layout->addWidget(ProcSource, 1);
  layout->addWidget(PosIndic);
  CreateMenus();
  Keys = new TEditorKeys(
      ProcSource, {PopupMenu1, MnProc}, [this] { UpdateIndicator(); }, true);
  SetUpEditorFileDialogs(OpenDlg, SaveDlg, kDDLFilter, kDDLDefaultExt);
  FApplied = Fields();
}

void TProcSourceForm::CreatePanel() {
  ComPanel = new QFrame(this);
  ComPanel->setObjectName(QStringLiteral("ComPanel"));
  ComPanel->setFrameShape(QFrame::StyledPanel);
  PosIndic = CreatePositionIndicator(this);
  PosIndic->setObjectName(QStringLiteral("PosIndic"));
  ProcNameEdit = new QLineEdit(ComPanel);
  ProcNameEdit->setObjectName(QStringLiteral("ProcNameEdit"));
  InputsEdit = DeclarationEdit(ComPanel, "InputsEdit");
  OutputsEdit = DeclarationEdit(ComPanel, "OutputsEdit");
  auto *fields = new QGridLayout(ComPanel);
  fields->setContentsMargins(6, 4, 6, 4);
  const struct {
    const char *caption;
    QWidget *buddy;
  } rows[] = {{"&Procedure name", ProcNameEdit}, {"&Input parameters", InputsEdit}, {"&Returns", OutputsEdit}};
  int row = 0;
  for (const auto &r : rows) {
    auto *label = new QLabel(QString::fromLatin1(r.caption), ComPanel);
    label->setBuddy(r.buddy);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    fields->addWidget(label, row, 0);
    fields->addWidget(r.buddy, row++, 1);
  }
  fields->setColumnStretch(1, 1);
  setTabOrder(ProcNameEdit, InputsEdit);
  setTabOrder(InputsEdit, OutputsEdit);
  setTabOrder(OutputsEdit, ProcSource);
  ConnectGuarded(ProcNameEdit, &QLineEdit::textChanged, this,
                 [this](const QString &name) { setWindowTitle(kCaptionPrefix + name); });
}

void TProcSourceForm::CreateMenus() {
  MnProc = new QMenu(QStringLiteral("&Procedure"), this);
  MnProc->setObjectName(QStringLiteral("MnProc"));
  MnApply = AddMenuItem(MnProc, QStringLiteral("&Apply"), Qt::Key_F9,
                        QStringLiteral("Create or alter the procedure from this source"));
  const TFileItems files = AddFileItems(MnProc);
  MnLoad = files.Load;
  MnSave = files.Save;
  MnShowSQL = AddMenuItem(MnProc, QStringLiteral("Show S&QL"), QKeySequence(),
                          QStringLiteral("Check this menu if you want to see DDL statement before execution"));
  MnShowSQL->setCheckable(true);
  // The shortcuts work from the panel's fields too, only while the focus is in this editor.
  for (QAction *a : MnProc->actions()) {
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(a);
  }
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  AddClipboardItems(PopupMenu1, ProcSource);
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(MnApply);
  PopupMenu1->addSeparator();
  PopupMenu1->addAction(MnLoad);
  PopupMenu1->addAction(MnSave);

  ConnectGuarded(MnApply, &QAction::triggered, this, &TProcSourceForm::ApplyClick);
  ConnectGuarded(MnLoad, &QAction::triggered, this, &TProcSourceForm::LoadFromFileClick);
  ConnectGuarded(MnSave, &QAction::triggered, this, &TProcSourceForm::SaveToFileClick);
  ConnectGuarded(ProcSource, &QWidget::customContextMenuRequested, this,
                 [this](const QPoint &pos) { PopupMenu1->popup(ProcSource->viewport()->mapToGlobal(pos)); });
}

TProcSourceForm *TProcSourceForm::OpenProcedure(const QString &name, const QString &body) {
  // Filled before it is shown; a failure on the way leaves no half-filled editor behind.
  auto editor = std::make_unique<TProcSourceForm>();
  if (!name.isEmpty()) {
    const TProcedureText text = ProcedureText(name);
    editor->ProcNameEdit->setText(text.Name);
    editor->InputsEdit->setPlainText(text.Inputs.join(QStringLiteral(",\n")));
    editor->OutputsEdit->setPlainText(text.Outputs.join(QStringLiteral(",\n")));
    SetEditorText(editor->ProcSource, body.isNull() ? text.Body : body);
  } else {
    SetEditorText(editor->ProcSource, QStringLiteral("BEGIN\r\n  SUSPEND;\r\nEND"));
  }
  editor->ShowEditor();
  return editor.release();
}

void TProcSourceForm::ShowEditor() {
  FApplied = Fields();
  ShowChild();
  ShowAtUsableSize(QSize(640, 520));
  ProcSource->setFocus();
}

QStringList TProcSourceForm::Head() const {
  return CreateOrAlterProcedureHead(ProcNameEdit->text().trimmed(), Declarations(InputsEdit),
                                    Declarations(OutputsEdit));
}

// The head, then the body exactly as the editor holds it: a body the user did not touch is
// stored again with its own line breaks and characters.
QString TProcSourceForm::StatementText() const {
  const QString body = EditorText(ProcSource);
  const QString lineBreak = body.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
  return Head().join(lineBreak) + lineBreak + body;
}

QStringList TProcSourceForm::Fields() const {
  return {ProcNameEdit->text(), InputsEdit->toPlainText(), OutputsEdit->toPlainText(), ProcSource->toPlainText()};
}

void TProcSourceForm::ApplyClick() {
  const QString name = ProcNameEdit->text().trimmed();
  if (name.isEmpty()) throw Exception(QStringLiteral("The procedure has no name"));
  // Cut, the name would create or alter another procedure than the one the user named.
  if (TypedName(name).size() > kNameLength)
    throw Exception(QStringLiteral("The procedure name %1 is longer than %2 characters").arg(name).arg(kNameLength));
  const QString statement = StatementText();
  if (MnShowSQL->isChecked()) {
    TStringList shown;
    shown.SetText(statement);
    ShowSQLSource(shown);  // not confirmed: a silent abort
  }
  // The server counts lines from the head's first; the editor's text follows the head.
  RunMarkingErrors(
      ProcSource, [&] { FbSession()->Execute(statement); }, 1 - int(Head().size()));
  FApplied = Fields();
}

bool TProcSourceForm::FormCloseQuery() {
  if (Fields() == FApplied) return true;
  return AskToApply(QStringLiteral("Apply the changes to procedure %1?").arg(ProcNameEdit->text()),
                    [this] { ApplyClick(); });
}

void TProcSourceForm::LoadFromFileClick() {
  if (OpenDlg.Execute(this)) LoadEditorFromFile(ProcSource, OpenDlg.FileName);
}

void TProcSourceForm::SaveToFileClick() {
  if (SaveDlg.Execute(this)) SaveEditorToFile(ProcSource, SaveDlg.FileName);
}

void TProcSourceForm::UpdateIndicator() {
  const TCaretPos p = CaretPos(ProcSource);
  PosIndic->setText(kPosFormat.arg(p.Line).arg(p.Column).arg(p.Line + Head().size()));
}
