#include "ui/dbmemo.h"

#include "ui/editorlines.h"
#include "ui/errordisplay.h"

#include <QKeyEvent>

namespace {
bool ChangesText(QKeyEvent *e) {
  if (e->matches(QKeySequence::Paste) || e->matches(QKeySequence::Cut) || e->matches(QKeySequence::Undo) ||
      e->matches(QKeySequence::Redo) || e->matches(QKeySequence::DeleteEndOfWord) ||
      e->matches(QKeySequence::DeleteStartOfWord) || e->matches(QKeySequence::DeleteEndOfLine))
    return true;
  switch (e->key()) {
  case Qt::Key_Backspace:
  case Qt::Key_Delete:
  case Qt::Key_Return:
  case Qt::Key_Enter: return true;
  default:
    return !e->text().isEmpty() && e->text().at(0).isPrint() &&
           !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
  }
}
}  // namespace

TDBMemo::TDBMemo(QWidget *parent)
    : QPlainTextEdit(parent),
      FLink(
          this,
          [this](TDataSource *source) {
            return TDataLink::FollowRow(source, this, [this] { LoadText(); })
                   << connect(source, &TDataSource::RowChanged, this, [this](int row) {
                        if (!FWriting && FLink.DataSet() && row == FLink.DataSet()->RecNo()) LoadText();
                      });
          },
          [this] { LoadText(); }) {
  setTabChangesFocus(true);
  connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::WriteText);
  UpdateEditable();
}

void TDBMemo::SetDataField(const QString &fieldName) {
  FDataField = fieldName;
  LoadText();
}

TField *TDBMemo::Field() const {
  TDataSet *ds = FLink.DataSet();
  return ds && ds->Active() ? ds->FindField(FDataField) : nullptr;
}

void TDBMemo::SetReadOnly(bool on) {
  FReadOnly = on;
  UpdateEditable();
}

void TDBMemo::UpdateEditable() {
  // The widget accepts typing only while the row is being edited; a first key press in a
  // browsed row starts the edit (see keyPressEvent).
  setReadOnly(FReadOnly || !DataSource() || !DataSource()->Editing() || !Field());
}

void TDBMemo::LoadText() {
  UpdateEditable();
  if (FWriting) return;
  TField *f = Field();
  const QString text = f ? f->AsString() : QString();
  if (text == EditorText(this)) return;
  FLoading = true;
  SetEditorText(this, text);
  FLoading = false;
}

void TDBMemo::WriteText() {
  if (FLoading || FReadOnly || !DataSource() || !DataSource()->Editing()) return;
  TField *f = Field();
  if (!f) return;
  FWriting = true;
  Guard([&] { f->SetAsString(EditorText(this)); });
  FWriting = false;
}

bool TDBMemo::StartEdit() {
  if (FReadOnly || !DataSource() || !Field()) return false;
  if (DataSource()->Editing()) return true;
  bool editing = false;
  Guard([&] { editing = DataSource()->Edit(); });
  UpdateEditable();
  return editing;
}

void TDBMemo::keyPressEvent(QKeyEvent *event) {
  if (ChangesText(event) && !StartEdit()) {
    // Enter in a memo that cannot change reaches the dialog's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) event->ignore();
    return;
  }
  QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::insertFromMimeData(const QMimeData *source) {
  if (StartEdit()) QPlainTextEdit::insertFromMimeData(source);
}
