#pragma once
// What the editing windows share around their SQL editor (ui/sqleditorwidget.h): reading and
// writing its text as files, the caret-position indicator, the menu items every editor has
// and the key dispatch that gives a window's menus the shortcuts pressed in the editor.
#include <QFont>
#include <QList>
#include <QObject>
#include "ui/sqleditorwidget.h"

#include <QAbstractScrollArea>
#include <QStringConverter>
#include <functional>

class QAction;
class QKeySequence;
class QLabel;
class QMenu;
class TOpenDialog;
class TSaveDialog;

// A fixed-pitch face of the given pixel size: the named one when the system has it, else the
// system's fixed-pitch face.
QFont FixedPitchFont(const QString &face, int pixelSize);
// The bold sans face of the position indicators and the editors' panels.
QFont PanelFont();

// A menu item with its shortcut and hint (shown in the status bar while highlighted).
QAction *AddMenuItem(QMenu *menu, const QString &caption, const QKeySequence &shortcut, const QString &hint);

// The items every editor's menus share, with their captions, shortcuts and hints.
// "&Cut" Ctrl+Del, "C&opy" Ctrl+Ins, "&Paste" Shift+Ins: the editor's clipboard commands.
struct TClipboardItems {
  QAction *Cut, *Copy, *Paste;
};
TClipboardItems AddClipboardItems(QMenu *menu, TSQLEditor *editor);
// "&Load from File" F3 and "Save to &File" Ctrl+S; the window binds them.
struct TFileItems {
  QAction *Load, *Save;
};
TFileItems AddFileItems(QMenu *menu);
// The two statement-wizard items, disabled.
struct TWizardItems {
  QAction *Insert, *Update;
};
TWizardItems AddWizardItems(QMenu *menu);
// The file dialogs of an editor's load and save: the filter (first entry selected), the
// default extension, and a save that replaces an existing file without a question.
void SetUpEditorFileDialogs(TOpenDialog &open, TSaveDialog &save, const QString &filter, const QString &defaultExt);

// Line (from 1) and column (from 0) of the editor's selection start.
struct TCaretPos {
  int Line = 1;
  int Column = 0;
};
TCaretPos CaretPos(const TSQLEditor *editor);
// "   Line : %d   Column: %d "
QString CaretPosText(const TSQLEditor *editor);

// The largest text file a load accepts; beyond it "Text exceeds memo capacity". Lines of any
// length load: the editor lays out only what it shows.
constexpr qint64 kMaxEditorFileBytes = 32ll * 1024 * 1024;
// Reads a whole text file with every line break (CR, LF or CR LF) made one break, as the
// editor holds them. "Cannot open file %s" when the file cannot be read (or is not a regular
// file); files that are not text (NUL bytes without a Unicode byte-order mark), oversized
// files are refused.
//
// The encoding is the byte-order mark's when there is one, else UTF-8 when the bytes are valid
// UTF-8, else Latin-1 (a national code page: one character a byte, so the bytes come back
// unchanged); encoding, when given, receives it.
struct TTextEncoding {
  QStringConverter::Encoding Encoding = QStringConverter::Utf8;
  bool Bom = false;
};
QString ReadTextFile(const QString &fileName, TTextEncoding *encoding = nullptr);
// Replaces the editor's whole content with the file's text; on failure the editor keeps its
// text. The editor remembers the file's encoding for SaveEditorToFile.
void LoadEditorFromFile(TSQLEditor *editor, const QString &fileName);
// Writes the editor's text as it holds it: CR LF between lines, no break added at the end, in
// the encoding of the file last loaded into it (UTF-8 when none was, or when a character does
// not fit the loaded file's code page), so that a file loaded and saved keeps its bytes.
// The file is replaced only once the new content is complete ("Cannot create file %s").
void SaveEditorToFile(const TSQLEditor *editor, const QString &fileName);

// The editor's text, line numbers and highlighting in the named fixed-pitch face at 17 pixels.
void SetUpEditorFonts(TSQLEditor *editor, const QString &face = QStringLiteral("Courier New BaltRim"));
// A SQL editor as the editing windows show it: the named fixed-pitch face at 17 pixels, no
// wrapping, both scroll bars, Tab typed as a character, a context menu the window provides;
// Firebird highlighting, line numbers, the caret line and matching braces shown, search,
// go to line, comment toggling, completion and the server's errors marked in place.
TSQLEditor *CreateSQLEditor(QWidget *parent, const QString &face = QStringLiteral("Courier New BaltRim"));
// Marks the server's error in the editor (see TSQLEditor::MarkError) when its message names a
// line and column of the text sent, that text's first character standing at line (from 1)
// and column (from 0) of the editor; a line before the editor's first (a head the window
// put before the editor's text) marks nothing.
void MarkServerError(TSQLEditor *editor, const QString &message, int line = 1, int column = 0, bool moveCaret = true);
// Runs a command that sends text placed so in the editor, its error marked before it goes on.
void RunMarkingErrors(TSQLEditor *editor, const std::function<void()> &command, int line = 1, int column = 0);

// The sunken one-line panel under an editor that shows the caret position.
QLabel *CreatePositionIndicator(QWidget *parent);

// Binds an editor to its window's menus: a shortcut pressed in the editor goes to the first
// menu that has it, in the order given, and the editor's own bindings (Ctrl+A, Shift+Ins...)
// never see it (its own keys, such as Ctrl+F or F3, answer only where no menu has them); the key is spent even when the
// item is disabled. After every key release in the editor (and every mouse click, with onClick) caretMoved runs: the
// window's indicator.
class TEditorKeys : public QObject {
  Q_OBJECT
public:
  TEditorKeys(QAbstractScrollArea *editor, QList<QMenu *> menus, std::function<void()> caretMoved,
              bool onClick = false);
  // The item a shortcut invokes; null when no menu has it.
  QAction *FindShortCut(const QKeySequence &key) const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  QList<QMenu *> FMenus;
  std::function<void()> FCaretMoved;
  bool FOnClick;
};
