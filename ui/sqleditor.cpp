#include "ui/sqleditor.h"

#include "base/errors.h"
#include "base/lines.h"
#include "base/regularfile.h"
#include "firebird/script.h"
#include "ui/dialogs.h"
#include "ui/editorlines.h"
#include "ui/sqllexer.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>
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

TClipboardItems AddClipboardItems(QMenu *menu, TSQLEditor *editor) {
  TClipboardItems items{
      AddMenuItem(menu, QStringLiteral("&Cut"), Qt::CTRL | Qt::Key_Delete, QStringLiteral("Cut to clipboard")),
      AddMenuItem(menu, QStringLiteral("C&opy"), Qt::CTRL | Qt::Key_Insert, QStringLiteral("Copy to clipboard")),
      AddMenuItem(menu, QStringLiteral("&Paste"), Qt::SHIFT | Qt::Key_Insert, QStringLiteral("Paste from clipboard"))};
  QObject::connect(items.Cut, &QAction::triggered, editor, &TSQLEditor::cut);
  QObject::connect(items.Copy, &QAction::triggered, editor, &TSQLEditor::copy);
  QObject::connect(items.Paste, &QAction::triggered, editor, &TSQLEditor::paste);
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

TCaretPos CaretPos(const TSQLEditor *editor) {
  // Both numbers come from the selection start, so a selection over several lines still
  // gives a position that exists.
  const long start = editor->SendScintilla(QsciScintilla::SCI_GETSELECTIONSTART);
  int line = 0, index = 0;
  editor->lineIndexFromPosition(int(start), &line, &index);
  return {line + 1, index};
}

QString CaretPosText(const TSQLEditor *editor) {
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
  if (encoding) *encoding = found;
  return text;
}

void LoadEditorFromFile(TSQLEditor *editor, const QString &fileName) {
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  const auto restore = qScopeGuard([] { QGuiApplication::restoreOverrideCursor(); });
  TTextEncoding encoding;
  const QString text = ReadTextFile(fileName, &encoding);
  editor->setPlainText(text);  // a load starts a new undo history
  editor->setProperty(kEncodingProperty, int(encoding.Encoding));
  editor->setProperty(kBomProperty, encoding.Bom);
}

void SaveEditorToFile(const TSQLEditor *editor, const QString &fileName) {
  const QVariant loaded = editor->property(kEncodingProperty);
  const TTextEncoding encoding{loaded.isValid() ? QStringConverter::Encoding(loaded.toInt()) : QStringConverter::Utf8,
                               editor->property(kBomProperty).toBool()};
  const QByteArray data = EncodeText(EditorText(editor), encoding);
  QSaveFile f(fileName);
  if (!f.open(QIODevice::WriteOnly)) CannotCreate(fileName);
  if (f.write(data) != data.size()) CannotCreate(fileName);
  if (!f.commit()) CannotCreate(fileName);
}

// ---------------------------------------------------------------------------------------------

void SetUpEditorFonts(TSQLEditor *editor, const QString &face) {
  const QFont font = FixedPitchFont(face, 17);
  editor->QWidget::setFont(font);  // the widget's own, as the editor's is its styles'
  // Scintilla takes a face's size in points only, and one family name: the face the widget's
  // font resolved to, not the first it asks for (a name the system may not have, which the
  // component would then measure and draw in different faces).
  QFont styles = font;
  styles.setFamilies({QFontInfo(font).family()});
  styles.setPointSizeF(17 * 72.0 / editor->logicalDpiY());
  editor->setFont(styles);
  editor->Lexer()->setDefaultFont(styles);
  editor->setMarginsFont(styles);
  editor->setMarginWidth(0, QStringLiteral("00000"));
}

TSQLEditor *CreateSQLEditor(QWidget *parent, const QString &face) {
  auto *editor = new TSQLEditor(parent);
  SetUpEditorFonts(editor, face);
  editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  editor->setContextMenuPolicy(Qt::CustomContextMenu);
  return editor;
}

void MarkServerError(TSQLEditor *editor, const QString &message, int line, int column, bool moveCaret) {
  const int at = ServerErrorLine(message);
  if (at <= 0) return;
  const int editorLine = line + at - 1;
  if (editorLine < 1) return;
  const int serverColumn = ServerErrorColumn(message);
  editor->MarkError(editorLine, at == 1 ? column + serverColumn : serverColumn, moveCaret);
}

void RunMarkingErrors(TSQLEditor *editor, const std::function<void()> &command, int line, int column) {
  editor->ClearError();
  try {
    command();
  } catch (const Exception &e) {
    MarkServerError(editor, e.Message(), line, column);
    throw;
  }
}

QLabel *CreatePositionIndicator(QWidget *parent) {
  auto *label = new QLabel(parent);
  label->setFixedHeight(24);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setFont(PanelFont());
  return label;
}

TEditorKeys::TEditorKeys(QAbstractScrollArea *editor, QList<QMenu *> menus, std::function<void()> caretMoved,
                         bool onClick)
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
