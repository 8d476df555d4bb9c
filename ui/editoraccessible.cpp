#include "ui/editoraccessible.h"

#include "ui/sqleditorwidget.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>

namespace {
using Sci = QsciScintillaBase;
void (*Listener)(QAccessibleEvent *) = nullptr;
bool Listened() { return Listener || QAccessible::isActive(); }
void Report(QAccessibleEvent &event) {
  if (Listener) Listener(&event);
  QAccessible::updateAccessibility(&event);
}
constexpr long kUtf16 = Sci::SC_LINECHARACTERINDEX_UTF16;

// The component keeps the UTF-16 offset of every line start once asked to: only from the first
// question on, as the index costs time on every load.
const TSQLEditor *Indexed(const TSQLEditor *e) {
  static const char *const kIndexed = "tesselorUtf16Index";
  if (!e->property(kIndexed).toBool()) {
    e->SendScintilla(Sci::SCI_ALLOCATELINECHARACTERINDEX, kUtf16);
    const_cast<TSQLEditor *>(e)->setProperty(kIndexed, true);
  }
  return e;
}

// Byte positions and UTF-16 offsets, a line's worth of counting at most.
long OffsetOf(const TSQLEditor *editor, long position) {
  const TSQLEditor *e = Indexed(editor);
  const long line = e->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
  return e->SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, line, kUtf16) +
         e->SendScintilla(Sci::SCI_COUNTCODEUNITS, e->SendScintilla(Sci::SCI_POSITIONFROMLINE, line), position);
}

long PositionOf(const TSQLEditor *editor, long offset) {
  const TSQLEditor *e = Indexed(editor);
  const long length = e->SendScintilla(Sci::SCI_GETLENGTH);
  if (offset <= 0) return 0;
  const long line = e->SendScintilla(Sci::SCI_LINEFROMINDEXPOSITION, offset, kUtf16);
  const long lineStart = e->SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
  const long within = offset - e->SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, line, kUtf16);
  if (within <= 0) return lineStart;
  const long at = e->SendScintilla(Sci::SCI_POSITIONRELATIVECODEUNITS, lineStart, within);
  return at > 0 ? at : length;  // past the end: the end
}

class TEditorAccessible : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
public:
  explicit TEditorAccessible(TSQLEditor *editor) : QAccessibleWidget(editor, QAccessible::EditableText) {}

  TSQLEditor *Editor() const { return static_cast<TSQLEditor *>(widget()); }

  void *interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface *>(this);
    if (t == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.multiLine = true;
    s.editable = !Editor()->isReadOnly();
    s.readOnly = Editor()->isReadOnly();
    s.selectableText = true;
    return s;
  }

  // Text
  void selection(int index, int *startOffset, int *endOffset) const override {
    *startOffset = *endOffset = 0;
    if (index != 0 || selectionCount() == 0) return;
    *startOffset = int(OffsetOf(Editor(), Editor()->SendScintilla(Sci::SCI_GETSELECTIONSTART)));
    *endOffset = int(OffsetOf(Editor(), Editor()->SendScintilla(Sci::SCI_GETSELECTIONEND)));
  }
  int selectionCount() const override { return Editor()->SendScintilla(Sci::SCI_GETSELECTIONEMPTY) ? 0 : 1; }
  void addSelection(int startOffset, int endOffset) override { setSelection(0, startOffset, endOffset); }
  void removeSelection(int index) override {
    if (index == 0)
      Editor()->SendScintilla(Sci::SCI_SETEMPTYSELECTION, Editor()->SendScintilla(Sci::SCI_GETCURRENTPOS));
  }
  void setSelection(int index, int startOffset, int endOffset) override {
    if (index == 0)
      Editor()->SendScintilla(Sci::SCI_SETSEL, PositionOf(Editor(), startOffset), PositionOf(Editor(), endOffset));
  }
  int cursorPosition() const override {
    return int(OffsetOf(Editor(), Editor()->SendScintilla(Sci::SCI_GETCURRENTPOS)));
  }
  void setCursorPosition(int position) override {
    Editor()->SendScintilla(Sci::SCI_GOTOPOS, PositionOf(Editor(), position));
  }
  QString text(int startOffset, int endOffset) const override {
    const long from = PositionOf(Editor(), startOffset), to = PositionOf(Editor(), endOffset);
    return to > from ? Editor()->text(int(from), int(to)) : QString();
  }
  int characterCount() const override { return int(OffsetOf(Editor(), Editor()->SendScintilla(Sci::SCI_GETLENGTH))); }
  QRect characterRect(int offset) const override {
    TSQLEditor *e = Editor();
    const long at = PositionOf(e, offset);
    const int x = int(e->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0ul, at));
    const int y = int(e->SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0ul, at));
    const int next =
        int(e->SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0ul, e->SendScintilla(Sci::SCI_POSITIONAFTER, at)));
    const int height = int(e->SendScintilla(Sci::SCI_TEXTHEIGHT, e->SendScintilla(Sci::SCI_LINEFROMPOSITION, at)));
    return QRect(e->viewport()->mapToGlobal(QPoint(x, y)), QSize(qMax(1, next - x), height));
  }
  int offsetAtPoint(const QPoint &point) const override {
    const QPoint p = Editor()->viewport()->mapFromGlobal(point);
    const long at = Editor()->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE, (unsigned long)p.x(), long(p.y()));
    return at < 0 ? -1 : int(OffsetOf(Editor(), at));
  }
  void scrollToSubstring(int startIndex, int endIndex) override {
    Editor()->SendScintilla(Sci::SCI_SCROLLRANGE, PositionOf(Editor(), endIndex), PositionOf(Editor(), startIndex));
  }
  QString attributes(int, int *startOffset, int *endOffset) const override {
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
  }

  // Editable text
  void deleteText(int startOffset, int endOffset) override { replaceText(startOffset, endOffset, QString()); }
  void insertText(int offset, const QString &text) override { replaceText(offset, offset, text); }
  void replaceText(int startOffset, int endOffset, const QString &text) override {
    TSQLEditor *e = Editor();
    if (e->isReadOnly()) return;
    const QByteArray bytes = text.toUtf8();
    e->SendScintilla(Sci::SCI_SETTARGETRANGE, PositionOf(e, startOffset), PositionOf(e, endOffset));
    e->SendScintilla(Sci::SCI_REPLACETARGET, (unsigned long)bytes.size(), bytes.constData());
  }
};

// The editor's reports while something listens. An insertion is announced before it happens,
// without its text: it is reported once done, at the latest before the next change.
class TEditorAccessEvents : public QObject {
public:
  explicit TEditorAccessEvents(TSQLEditor *editor) : QObject(editor), FEditor(editor) {
    connect(editor, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char *, int length, int, int, int, int, int, int) {
              Modified(position, type, length);
            });
    connect(editor, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { Updated(); });
  }

private:
  void Modified(long position, int type, long length) {
    if (!(type & (Sci::SC_MOD_BEFOREINSERT | Sci::SC_MOD_BEFOREDELETE)) || !Listened()) return;
    ReportInsertion();
    if (type & Sci::SC_MOD_BEFOREDELETE) {
      QAccessibleTextRemoveEvent ev(FEditor, int(OffsetOf(FEditor, position)),
                                    FEditor->text(int(position), int(position + length)));
      Report(ev);
      return;
    }
    FInserted = position;
    FInsertedLength = length;
    QMetaObject::invokeMethod(
        this, [this] { ReportInsertion(); }, Qt::QueuedConnection);
  }

  void ReportInsertion() {
    if (FInserted < 0) return;
    const long from = FInserted, to = FInserted + FInsertedLength;
    FInserted = -1;
    if (to > FEditor->SendScintilla(Sci::SCI_GETLENGTH)) return;
    QAccessibleTextInsertEvent ev(FEditor, int(OffsetOf(FEditor, from)), FEditor->text(int(from), int(to)));
    Report(ev);
  }

  void Updated() {
    if (!Listened()) return;
    ReportInsertion();
    const long caret = OffsetOf(FEditor, FEditor->SendScintilla(Sci::SCI_GETCURRENTPOS));
    if (caret == FCaret) return;
    FCaret = caret;
    QAccessibleTextCursorEvent ev(FEditor, int(caret));
    Report(ev);
  }

  TSQLEditor *FEditor;
  long FInserted = -1, FInsertedLength = 0, FCaret = -1;
};

QAccessibleInterface *EditorFactory(const QString &className, QObject *object) {
  // Asked from the most derived class up, so this answers for every kind of SQL editor
  // before the component's answer for its base class is reached.
  if (className == QLatin1String(TSQLEditor::staticMetaObject.className()) && object->isWidgetType())
    return new TEditorAccessible(static_cast<TSQLEditor *>(object));
  return nullptr;
}
}  // namespace

void InstallEditorAccessibility(TSQLEditor *editor) {
  static const bool installed = [] {
    QAccessible::installFactory(EditorFactory);
    return true;
  }();
  Q_UNUSED(installed);
  new TEditorAccessEvents(editor);
}

void SetEditorAccessListener(void (*listener)(QAccessibleEvent *)) { Listener = listener; }
