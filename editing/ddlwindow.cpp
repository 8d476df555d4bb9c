#include "editing/ddlwindow.h"

#include "app/datamodule.h"
#include "app/settings.h"
#include "repository/pickdialog.h"
#include "repository/repositoryops.h"
#include "server/errors.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QVBoxLayout>
#include <QWheelEvent>

const QString kDDLFilter = QStringLiteral("DDL statements|*.DDL|All files|*.*");
const QString kDDLDefaultExt = QStringLiteral("*.DDL");

namespace {
const QString kCaption = QStringLiteral("DDL  Statements editor");
const QString kPosFormat = QStringLiteral("   Line : %1   Column: %2 ");
const QString kRunHint = QStringLiteral("Run DDL statement");
const QString kSelectHint = QStringLiteral("Select saved DDL statement from repository");
const QString kLoadHint = QStringLiteral("Load DDL statement from File");
const QString kSaveHint = QStringLiteral("Save active DDL statement to file");
const QString kAddHint = QStringLiteral("Add active DDL statement to repository");

QAction *AddItem(QMenu *menu, const QString &caption, const QKeySequence &shortcut, const QString &hint) {
  QAction *a = menu->addAction(caption);
  a->setShortcut(shortcut);
  a->setStatusTip(hint);
  return a;
}

QFont PanelFont() {
  QFont f;
  f.setFamilies({QStringLiteral("MS Sans Serif"), QFontDatabase::systemFont(QFontDatabase::GeneralFont).family()});
  f.setStyleHint(QFont::SansSerif);
  f.setPixelSize(13);
  f.setBold(true);
  return f;
}

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

QString DecodeText(const QByteArray &bytes, const QString &fileName) {
  // Text saved as UTF-16 or UTF-32 announces itself with a byte-order mark; any other NUL
  // byte means the file is not text, and loading it up to the NUL would silently lose the rest.
  const std::optional<QStringConverter::Encoding> bom = QStringConverter::encodingForData(bytes);
  if (bom && *bom != QStringConverter::Utf8) {
    QStringDecoder decoder(*bom);
    QString text = decoder.decode(bytes);
    if (!decoder.hasError()) return text;
  }
  if (bytes.contains('\0')) throw Exception(QStringLiteral("File %1 is not a text file").arg(fileName));
  return TStringList::DecodeBytes(bytes);
}
}  // namespace

void ShowAtUsableSize(TChildForm *form, const QSize &size) {
  // The area sizes a new child from its contents' hint, which leaves an editor a few
  // characters wide.
  // The area may have placed the window low down: keep its bottom (the position indicator)
  // within view rather than hidden below the area's edge.
  if (QMdiSubWindow *frame = form->SubWindow()) {
    QSize wanted = frame->size().expandedTo(size);
    if (QMdiArea *area = frame->mdiArea())
      wanted = wanted.boundedTo(area->viewport()->size() - QSize(frame->x(), frame->y()));
    frame->resize(wanted.expandedTo(frame->minimumSizeHint()));
  } else
    form->resize(form->size().expandedTo(size));
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

QString ReadTextFile(const QString &fileName) {
  // Only regular files: a device or a pipe could block the program or never end.
  if (!QFileInfo(fileName).isFile()) CannotOpen(fileName);
  QFile f(fileName);
  if (!f.open(QIODevice::ReadOnly)) CannotOpen(fileName);
  if (f.size() > kMaxEditorFileBytes) TooLarge();
  const QByteArray bytes = f.read(kMaxEditorFileBytes + 1);
  if (f.error() != QFileDevice::NoError) CannotOpen(fileName);
  if (bytes.size() > kMaxEditorFileBytes) TooLarge();
  return OneBreakForm(DecodeText(bytes, fileName));
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
  QString text = ReadTextFile(fileName);
  // Grouping relies on the no-wrap memo, which never lays the whole text out again.
  const bool group = qobject_cast<TNoWrapMemo *>(editor) && text.count(u'\n') >= kGroupFromLines;
  if (group) text = GroupLines(std::move(text));
  // A cursor insert instead of setPlainText: that one re-applies the character format over
  // the whole text afterwards, a tenth of the time a large file takes to load.
  QTextDocument *doc = editor->document();
  doc->setUndoRedoEnabled(false);  // a load starts a new undo history
  doc->clear();
  QTextCursor(doc).insertText(text);
  doc->setUndoRedoEnabled(true);
  if (group) CountGroupedLines(editor);
  editor->setTextCursor(QTextCursor(doc));
}

void SaveEditorToFile(const QPlainTextEdit *editor, const QString &fileName) {
  const QByteArray data = EditorText(editor).toUtf8();
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

TSQLExprForm::TSQLExprForm(QWidget *parent) : TChildForm(parent) {
  setObjectName(QStringLiteral("SQLExprForm"));
  setWindowTitle(kCaption);

  ExecSql = new TNoWrapMemo(this);
  ExecSql->setObjectName(QStringLiteral("ExecSql"));
  ExecSql->setFont(FixedPitchFont(QStringLiteral("Courier New BaltRim"), 17));
  ExecSql->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ExecSql->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  ExecSql->setTabChangesFocus(false);
  ExecSql->setTabStopDistance(8 * QFontMetricsF(ExecSql->font()).horizontalAdvance(QLatin1Char(' ')));
  ExecSql->setContextMenuPolicy(Qt::CustomContextMenu);
  ExecSql->installEventFilter(this);

  PosIndic = new QLabel(this);
  PosIndic->setObjectName(QStringLiteral("PosIndic"));
  PosIndic->setFixedHeight(24);
  PosIndic->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  PosIndic->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  PosIndic->setFont(PanelFont());

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(ExecSql);
  layout->addWidget(PosIndic);

  MnDDL = new QMenu(QStringLiteral("&DDL"), this);
  MnDDL->setObjectName(QStringLiteral("MnDDL"));
  MnDDL->menuAction()->setStatusTip(QStringLiteral("DDL statements menu"));
  mnRun = AddItem(MnDDL, QStringLiteral("&Run"), Qt::Key_F9, kRunHint);
  MnSelect = AddItem(MnDDL, QStringLiteral("&Select"), Qt::CTRL | Qt::Key_Space, kSelectHint);
  MNLoadfromFile = AddItem(MnDDL, QStringLiteral("&Load from File"), Qt::Key_F3, kLoadHint);
  MnSaveToFile = AddItem(MnDDL, QStringLiteral("Save to &File"), Qt::CTRL | Qt::Key_S, kSaveHint);
  MnAddToRepository = AddItem(MnDDL, QStringLiteral("&Add to repository"), Qt::CTRL | Qt::Key_A, kAddHint);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Cut1 = AddItem(PopupMenu1, QStringLiteral("&Cut"), Qt::CTRL | Qt::Key_Delete, QStringLiteral("Cut to clipboard"));
  Copy1 = AddItem(PopupMenu1, QStringLiteral("C&opy"), Qt::CTRL | Qt::Key_Insert, QStringLiteral("Copy to clipboard"));
  Paste1 =
      AddItem(PopupMenu1, QStringLiteral("&Paste"), Qt::SHIFT | Qt::Key_Insert, QStringLiteral("Paste from clipboard"));
  N1 = PopupMenu1->addSeparator();
  Run1 = AddItem(PopupMenu1, QStringLiteral("&Run"), Qt::Key_F9, kRunHint);
  N2 = PopupMenu1->addSeparator();
  Select1 = AddItem(PopupMenu1, QStringLiteral("&Select"), Qt::CTRL | Qt::Key_Space, kSelectHint);
  LoadfromFile1 = AddItem(PopupMenu1, QStringLiteral("&Load from File"), Qt::Key_F3, kLoadHint);
  SavetoFile1 = AddItem(PopupMenu1, QStringLiteral("Save to &File"), Qt::CTRL | Qt::Key_S, kSaveHint);
  Addtorepository1 = AddItem(PopupMenu1, QStringLiteral("&Add to repository"), Qt::CTRL | Qt::Key_A, kAddHint);
  N3 = PopupMenu1->addSeparator();
  MnInsertWizard = AddItem(PopupMenu1, QStringLiteral("&Insert statement wizard.."), QKeySequence(),
                           QStringLiteral("Creates insert statement using drag and drop tech."));
  MNUpdateWizard = AddItem(PopupMenu1, QStringLiteral("&Update statement wizard..."), QKeySequence(),
                           QStringLiteral("Create update statement using visual tools"));
  MnInsertWizard->setEnabled(false);
  MNUpdateWizard->setEnabled(false);

  for (QAction *a : {mnRun, Run1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::RunClick);
  for (QAction *a : {MnSelect, Select1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::SelectClick);
  for (QAction *a : {MNLoadfromFile, LoadfromFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::LoadFromFileClick);
  for (QAction *a : {MnSaveToFile, SavetoFile1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::SaveToFileClick);
  for (QAction *a : {MnAddToRepository, Addtorepository1})
    ConnectGuarded(a, &QAction::triggered, this, &TSQLExprForm::AddToRepositoryClick);
  ConnectGuarded(Cut1, &QAction::triggered, this, &TSQLExprForm::Cut1Click);
  ConnectGuarded(Copy1, &QAction::triggered, this, &TSQLExprForm::Copy1Click);
  ConnectGuarded(Paste1, &QAction::triggered, this, &TSQLExprForm::Paste1Click);
  ConnectGuarded(ExecSql, &QWidget::customContextMenuRequested, this,
                 [this](const QPoint &pos) { PopupMenu1->popup(ExecSql->viewport()->mapToGlobal(pos)); });

  for (TFileDialogBase *dlg : {static_cast<TFileDialogBase *>(&OpenDlg), static_cast<TFileDialogBase *>(&SaveDlg)}) {
    dlg->Filter = kDDLFilter;
    dlg->DefaultExt = kDDLDefaultExt;
    dlg->FilterIndex = 1;
  }
  SaveDlg.Options = 0;  // an existing file is replaced without a question

  ExecSql->setFocus();
  ShowChild();
  ShowAtUsableSize(this, QSize(600, 400));
}

void TSQLExprForm::RunClick() { DMSys->IBDataBase->ExecSQL(EditorText(ExecSql), AutoCommit); }

void TSQLExprForm::SelectClick() { SelectObjectSource(ExecSql); }

void TSQLExprForm::LoadFromFileClick() {
  if (!OpenDlg.Execute(this)) return;
  LoadEditorFromFile(ExecSql, OpenDlg.FileName);
}

void TSQLExprForm::SaveToFileClick() {
  if (!SaveDlg.Execute(this)) return;
  SaveEditorToFile(ExecSql, SaveDlg.FileName);
}

void TSQLExprForm::AddToRepositoryClick() { AddObjectSource(static_cast<const QPlainTextEdit *>(ExecSql)); }

void TSQLExprForm::Cut1Click() { ExecSql->cut(); }

void TSQLExprForm::Copy1Click() { ExecSql->copy(); }

void TSQLExprForm::Paste1Click() { ExecSql->paste(); }

void TSQLExprForm::ExecSqlKeyUp() { PosIndic->setText(CaretPosText(ExecSql)); }

QAction *TSQLExprForm::FindShortCut(const QKeySequence &key) const {
  for (const QMenu *menu : {PopupMenu1, MnDDL})
    for (QAction *a : menu->actions())
      if (!a->isSeparator() && !a->shortcut().isEmpty() && a->shortcut() == key) return a;
  return nullptr;
}

bool TSQLExprForm::eventFilter(QObject *watched, QEvent *event) {
  if (watched != ExecSql) return TChildForm::eventFilter(watched, event);
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
  case QEvent::KeyRelease: ExecSqlKeyUp(); break;
  default: break;
  }
  return TChildForm::eventFilter(watched, event);
}

TSQLExprForm *CreateSQLExprForm() { return new TSQLExprForm; }

TSQLExprForm *CreateSQLExprForm(const TStringList &lines) {
  TSQLExprForm *form = CreateSQLExprForm();
  SetEditorLines(form->ExecSql, lines);
  return form;
}
