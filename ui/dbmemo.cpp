#include "ui/dbmemo.h"

#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/sqleditor.h"

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
    : TSQLEditor(parent),
      FLink(
          this,
          [this](TDataSource *source) {
            return TDataLink::FollowRow(source, this, [this] { LoadText(); })
                   << connect(source, &TDataSource::RowChanged, this, [this](int row) {
                        if (!FWriting && FLink.DataSet() && row == FLink.DataSet()->RecNo()) LoadText();
                      });
          },
          [this] { LoadText(); }) {
  SetUpEditorFonts(this);
  SetCompletion(false);  // completion belongs to the SQL windows
  // The editor leaves insertions and deletions out of its change notifications, whose cost
  // grows with the document; a memo holds one field's value, small, and needs them to write
  // the text back as it changes.
  SendScintilla(SCI_SETMODEVENTMASK, SendScintilla(SCI_GETMODEVENTMASK) | SC_MOD_INSERTTEXT | SC_MOD_DELETETEXT);
  connect(this, &QsciScintilla::textChanged, this, &TDBMemo::WriteText);
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
  if (!CanChange()) return false;
  if (DataSource()->Editing()) return true;
  bool editing = false;
  Guard([&] { editing = DataSource()->Edit(); });
  UpdateEditable();
  return editing;
}

bool TDBMemo::event(QEvent *e) {
  // A key that changes the text is the memo's while the text may change, even in a browsed
  // row (where the editor itself is still read-only and would let the window's shortcuts have it).
  if (e->type() == QEvent::ShortcutOverride && CanChange() && ChangesText(static_cast<QKeyEvent *>(e))) {
    e->accept();
    return true;
  }
  return TSQLEditor::event(e);
}

void TDBMemo::keyPressEvent(QKeyEvent *event) {
  if (ChangesText(event) && !StartEdit()) {
    // Enter in a memo that cannot change reaches the dialog's default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) event->ignore();
    return;
  }
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    event->ignore();  // the dialog's, as in the other text controls (the memo has no list to close)
    return;
  }
  TSQLEditor::keyPressEvent(event);
}

// Tab moves on to the next control, as in the other data controls of a form.
bool TDBMemo::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }

void TDBMemo::paste() {
  if (StartEdit()) TSQLEditor::paste();
}
