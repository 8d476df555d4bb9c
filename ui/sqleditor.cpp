#include "ui/sqleditor.h"

#include "base/errors.h"
#include "base/lines.h"
#include "base/regularfile.h"
#include "ui/dialogs.h"
#include "ui/editorlines.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QWheelEvent>
#include <algorithm>

namespace {
const QString kPosFormat = QStringLiteral("   Line : %1   Column: %2 ");

[[noreturn]] void CannotOpen(const QString &fileName) {
  throw Exception(QStringLiteral("Cannot open file %1").arg(fileName));
}

[[noreturn]] void CannotCreate(const QString &fileName) {
  throw Exception(QStringLiteral("Cannot create file %1").arg(fileName));
}

[[noreturn]] void TooLarge() { throw Exception(QStringLiteral("Text exceeds memo capacity")); }

// Refuses a text (in the editor's one-break form) with a line the editor cannot show at once.
void CheckLineLengths(const QString &text) {
  qsizetype start = 0, line = 1;
  while (start <= text.size()) {
    qsizetype end = text.indexOf(u'\n', start);
    if (end < 0) end = text.size();
    if (end - start > kMaxEditorLineChars)
      throw Exception(QStringLiteral("Text exceeds memo capacity: line %1 has %2 characters, the editor takes %3")
                          .arg(line)
                          .arg(end - start)
                          .arg(kMaxEditorLineChars));
    start = end + 1;
    ++line;
  }
}

// CR LF, a lone CR and a lone LF each become one LF, the editor's break; in one pass, since
// replacing the pair through QString::replace costs more than the rest of reading a file.
QString OneBreakForm(QString text) {
  QChar *d = text.data();
  const qsizetype n = text.size();
  qsizetype j = 0;
  for (qsizetype i = 0; i < n; ++i) {
    if (d[i] == u'\r') {
      d[j++] = u'\n';
      if (i + 1 < n && d[i + 1] == u'\n') ++i;
    } else {
      d[j++] = d[i];
    }
  }
  text.truncate(j);
  return text;
}

QString DecodeText(const QByteArray &bytes, const QString &fileName, TTextEncoding &encoding) {
  // Text saved as UTF-16 or UTF-32 announces itself with a byte-order mark; any other NUL
  // byte means the file is not text, and loading it up to the NUL would silently lose the rest.
  const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
  encoding = TTextEncoding{QStringConverter::Utf8, bom.has_value()};
  if (bom && *bom != QStringConverter::Utf8) {
    QStringDecoder decoder(*bom);
    QString text = decoder.decode(bytes);
    encoding.Encoding = *bom;
    if (!decoder.hasError()) return text;
  }
  if (bytes.contains('\0')) throw Exception(QStringLiteral("File %1 is not a text file").arg(fileName));
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  // Not UTF-8 (a script in a national code page): one character a byte, so that saving
  // gives every byte back as it was.
  encoding = TTextEncoding{QStringConverter::Latin1, false};
  return QString::fromLatin1(bytes);
}

// Where a loaded editor keeps how its file was encoded.
constexpr char kEncodingProperty[] = "tesselorTextEncoding";
constexpr char kBomProperty[] = "tesselorTextBom";

QByteArray EncodeText(const QString &text, const TTextEncoding &encoding) {
  // A character the file's code page cannot hold goes to UTF-8 rather than be lost.
  const bool fits = encoding.Encoding != QStringConverter::Latin1 ||
                    std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x100; });
  QStringEncoder encoder(fits ? encoding.Encoding : QStringConverter::Utf8,
                         encoding.Bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
  return encoder.encode(text);
}
}  // namespace

QFont PanelFont() {
  QFont f;
  f.setFamilies({QStringLiteral("MS Sans Serif"), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(13);
  f.setBold(true);
  return f;
}

QAction *AddMenuItem(QMenu *menu, const QString &caption, const QKeySequence &shortcut, const QString &hint) {
  QAction *a = menu->addAction(caption);
  a->setShortcut(shortcut);
  a->setStatusTip(hint);
  return a;
}

TClipboardItems AddClipboardItems(QMenu *menu, QPlainTextEdit *editor) {
  TClipboardItems items{
      AddMenuItem(menu, QStringLiteral("&Cut"), Qt::CTRL | Qt::Key_Delete, QStringLiteral("Cut to clipboard")),
      AddMenuItem(menu, QStringLiteral("C&opy"), Qt::CTRL | Qt::Key_Insert, QStringLiteral("Copy to clipboard")),
      AddMenuItem(menu, QStringLiteral("&Paste"), Qt::SHIFT | Qt::Key_Insert, QStringLiteral("Paste from clipboard"))};
  QObject::connect(items.Cut, &QAction::triggered, editor, &QPlainTextEdit::cut);
  QObject::connect(items.Copy, &QAction::triggered, editor, &QPlainTextEdit::copy);
  QObject::connect(items.Paste, &QAction::triggered, editor, &QPlainTextEdit::paste);
  return items;
}

TFileItems AddFileItems(QMenu *menu) {
  return {
      AddMenuItem(menu, QStringLiteral("&Load from File"), Qt::Key_F3, QStringLiteral("Load DDL statement from File")),
      AddMenuItem(menu, QStringLiteral("Save to &File"), Qt::CTRL | Qt::Key_S,
                  QStringLiteral("Save active DDL statement to file"))};
}

TWizardItems AddWizardItems(QMenu *menu) {
  TWizardItems items{AddMenuItem(menu, QStringLiteral("&Insert statement wizard.."), QKeySequence(),
                                 QStringLiteral("Creates insert statement using drag and drop tech.")),
                     AddMenuItem(menu, QStringLiteral("&Update statement wizard..."), QKeySequence(),
                                 QStringLiteral("Create update statement using visual tools"))};
  items.Insert->setEnabled(false);
  items.Update->setEnabled(false);
  return items;
}

void SetUpEditorFileDialogs(TOpenDialog &open, TSaveDialog &save, const QString &filter, const QString &defaultExt) {
  for (TFileDialogBase *dlg : {static_cast<TFileDialogBase *>(&open), static_cast<TFileDialogBase *>(&save)}) {
    dlg->Filter = filter;
    dlg->DefaultExt = defaultExt;
    dlg->FilterIndex = 1;
  }
  save.Options = 0;  // an existing file is replaced without a question
}

QFont FixedPitchFont(const QString &face, int pixelSize) {
  QFont f;
  // Without its own face, the system would substitute a proportional one: name the
  // system's fixed-pitch face as the fallback.
  f.setFamilies({face, QFontDatabase::systemFont(QFontDatabase::FixedFont).family()});
  f.setStyleHint(QFont::TypeWriter);
  f.setFixedPitch(true);
  f.setPixelSize(pixelSize);
  return f;
}

TCaretPos CaretPos(const QPlainTextEdit *editor) {
  // Both numbers come from the selection start, so a selection over several lines still
  // gives a position that exists.
  // Lines before the block are counted as the layout counts them, so the soft breaks of a
  // large file's grouped blocks count as the line breaks they stand for (the editor does not
  // wrap, so the layout's lines are the text's lines).
  const int start = editor->textCursor().selectionStart();
  const QTextBlock block = editor->document()->findBlock(start);
  const int inBlock = start - block.position();
  const QString text = block.text();
  const int softBreaks = int(QStringView(text).left(inBlock).count(QChar::LineSeparator));
  const int lineStart = inBlock > 0 ? int(text.lastIndexOf(QChar::LineSeparator, inBlock - 1)) + 1 : 0;
  return {block.firstLineNumber() + softBreaks + 1, inBlock - lineStart};
}

QString CaretPosText(const QPlainTextEdit *editor) {
  const TCaretPos p = CaretPos(editor);
  return kPosFormat.arg(p.Line).arg(p.Column);
}

QString ReadTextFile(const QString &fileName, TTextEncoding *encoding) {
  QByteArray bytes;
  switch (ReadRegularFile(fileName, kMaxEditorFileBytes, bytes)) {
  case TReadResult::Ok: break;
  case TReadResult::TooLarge: TooLarge();
  default: CannotOpen(fileName);
  }
  TTextEncoding found;
  QString text = OneBreakForm(DecodeText(bytes, fileName, found));
  CheckLineLengths(text);
  if (encoding) *encoding = found;
  return text;
}

namespace {
// Qt's text document spends a few microseconds on every block (line) it holds, which puts a
// file of hundreds of thousands of short lines well over a second. Such a file goes into the
// no-wrap editor in blocks of kLinesPerBlock lines joined by soft line breaks (U+2028): the
// editor shows, moves over and edits them as ordinary lines, and EditorText turns them back
// into CR LF. Small files keep one block a line.
constexpr int kGroupFromLines = 20000;
constexpr int kLinesPerBlock = 64;

QString GroupLines(QString text) {
  // (Only called for texts without soft breaks of their own, which would be taken for line
  // breaks on saving.)
  int line = 0;
  for (QChar &c : text)
    if (c == u'\n' && ++line % kLinesPerBlock != 0) c = QChar::LineSeparator;
  return text;
}

// The layout counts a block as one line until it lays it out, which happens only for blocks
// scrolled into view; the scroll range and the line numbers need the real counts at once.
void CountGroupedLines(QPlainTextEdit *editor) {
  QTextDocument *doc = editor->document();
  for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
    if (!b.layout() || b.layout()->lineCount() == 0) b.setLineCount(int(b.text().count(QChar::LineSeparator)) + 1);
  QAbstractTextDocumentLayout *layout = doc->documentLayout();
  emit layout->documentSizeChanged(layout->documentSize());
}
}  // namespace

void LoadEditorFromFile(QPlainTextEdit *editor, const QString &fileName) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
  TTextEncoding encoding;
  QString text = ReadTextFile(fileName, &encoding);
  // Grouping relies on the no-wrap memo, which never lays the whole text out again.
  const bool group = qobject_cast<TNoWrapMemo *>(editor) && text.count(u'\n') >= kGroupFromLines &&
                     !text.contains(QChar::LineSeparator);
  if (group) text = GroupLines(std::move(text));
  // A cursor insert instead of setPlainText: that one re-applies the character format over
  // the whole text afterwards, a tenth of the time a large file takes to load.
  QTextDocument *doc = editor->document();
  doc->setUndoRedoEnabled(false);  // a load starts a new undo history
  doc->clear();
  QTextCursor(doc).insertText(text);
  doc->setUndoRedoEnabled(true);
  doc->setProperty(kGroupedLinesProperty, group);
  doc->setProperty(kEncodingProperty, int(encoding.Encoding));
  doc->setProperty(kBomProperty, encoding.Bom);
  if (group) CountGroupedLines(editor);
  editor->setTextCursor(QTextCursor(doc));
}

void SaveEditorToFile(const QPlainTextEdit *editor, const QString &fileName) {
  const QTextDocument *doc = editor->document();
  const QVariant loaded = doc->property(kEncodingProperty);
  const TTextEncoding encoding{loaded.isValid() ? QStringConverter::Encoding(loaded.toInt()) : QStringConverter::Utf8,
                               doc->property(kBomProperty).toBool()};
  const QByteArray data = EncodeText(EditorText(editor), encoding);
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) CannotCreate(fileName);
  if (f.write(data) != data.size()) CannotCreate(fileName);
  if (!f.commit()) CannotCreate(fileName);
}

// ---------------------------------------------------------------------------------------------

TNoWrapMemo::TNoWrapMemo(QWidget *parent) : QPlainTextEdit(parent) { setLineWrapMode(NoWrap); }

void TNoWrapMemo::wheelEvent(QWheelEvent *event) {
  // No zooming: the editor's font is fixed, and a new font would make the layout forget the
  // line counts of a large file's grouped blocks.
  if (event->modifiers() & Qt::ControlModifier) {
    QWheelEvent plain(event->position(), event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                      event->buttons(), event->modifiers() & ~Qt::ControlModifier, event->phase(), event->inverted());
    QPlainTextEdit::wheelEvent(&plain);
    event->setAccepted(plain.isAccepted());
    return;
  }
  QPlainTextEdit::wheelEvent(event);
}

void TNoWrapMemo::resizeEvent(QResizeEvent *event) {
  // Passed on as a change of height only: the scroll bars are fitted, the lines stay laid out.
  QResizeEvent heightOnly(event->size(), QSize(event->size().width(), event->oldSize().height()));
  QPlainTextEdit::resizeEvent(lineWrapMode() == NoWrap ? &heightOnly : event);
}

// ---------------------------------------------------------------------------------------------

TNoWrapMemo *CreateSQLEditor(QWidget *parent, const QString &face) {
  auto *editor = new TNoWrapMemo(parent);
  editor->setFont(FixedPitchFont(face, 17));
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setTabChangesFocus(false);
  editor->setTabStopDistance(8 * QFontMetricsF(editor->font()).horizontalAdvance(QLatin1Char(' ')));
  editor->setContextMenuPolicy(Qt::CustomContextMenu);
  return editor;
}

QLabel *CreatePositionIndicator(QWidget *parent) {
  auto *label = new QLabel(parent);
  label->setFixedHeight(24);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setFont(PanelFont());
  return label;
}

TEditorKeys::TEditorKeys(QPlainTextEdit *editor, QList<QMenu *> menus, std::function<void()> caretMoved, bool onClick)
    : QObject(editor), FMenus(std::move(menus)), FCaretMoved(std::move(caretMoved)), FOnClick(onClick) {
  editor->installEventFilter(this);
  if (onClick) editor->viewport()->installEventFilter(this);
}

QAction *TEditorKeys::FindShortCut(const QKeySequence &key) const {
  for (const QMenu *menu : FMenus)
    for (QAction *a : menu->actions())
      if (!a->isSeparator() && !a->shortcut().isEmpty() && a->shortcut() == key) return a;
  return nullptr;
}

bool TEditorKeys::eventFilter(QObject *watched, QEvent *event) {
  switch (event->type()) {
  case QEvent::ShortcutOverride:
  case QEvent::KeyPress: {
    auto *k = static_cast<QKeyEvent *>(event);
    const QKeySequence key(QKeyCombination(k->modifiers() & ~Qt::KeypadModifier, Qt::Key(k->key())));
    QAction *item = FindShortCut(key);
    if (!item) break;
    // The editor takes the key from the window's shortcuts and from its own bindings (Ctrl+A,
    // Shift+Ins...): the item decides, and the key is spent even when the item is disabled.
    event->accept();
    if (event->type() == QEvent::KeyPress && item->isEnabled()) item->trigger();
    return true;
  }
  case QEvent::KeyRelease:
    if (FCaretMoved) FCaretMoved();
    break;
  case QEvent::MouseButtonRelease:
    if (FOnClick && FCaretMoved) FCaretMoved();
    break;
  default: break;
  }
  return QObject::eventFilter(watched, event);
}
