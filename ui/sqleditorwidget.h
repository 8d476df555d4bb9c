#pragma once
// The SQL editor widget every editing window shares, on Scintilla: it lexes only what it
// shows and lays out only the lines in view, so a script of megabytes or a line of megabytes
// edits as quickly as a short one.
#include <Qsci/qsciscintilla.h>

class QKeyEvent;
class TFindDialog;
class TSQLLexer;

// How a search looks for its text.
struct TFindOptions {
  bool CaseSensitive = false;
  bool WholeWord = false;
  bool RegExp = false;
  bool Wrap = true;
  bool Backward = false;
};

class TSQLEditor : public QsciScintilla {
  Q_OBJECT
public:
  explicit TSQLEditor(QWidget *parent = nullptr);
  ~TSQLEditor() override;

  // The text with LF between lines, every character kept.
  QString toPlainText() const;
  // Replaces the whole text (its line breaks made LF) and starts a new undo history,
  // unmodified, the caret at the start.
  void setPlainText(const QString &text);
  // Selects from one position of toPlainText() to another and scrolls the selection into view.
  void SelectChars(int from, int to);

  // Search. Find selects the next match after the selection (the one before it, Backward);
  // false when there is none. ReplaceAll replaces every match in one undo step; MarkAll
  // highlights every match (drawn as it comes into view) until the next MarkAll. Both return how many there were.
  bool Find(const QString &what, const TFindOptions &options);
  int ReplaceAll(const QString &what, const QString &with, const TFindOptions &options);
  int MarkAll(const QString &what, const TFindOptions &options);
  // The indicator Mark All draws with.
  static constexpr int FoundIndicator = 9;
  // Replaces the selection when it is a match (the last search's); false when it is not.
  bool ReplaceSelection(const QString &what, const QString &with, const TFindOptions &options);
  // The search dialog, with the replace part when replace (Ctrl+F, Ctrl+H); the dialog's
  // text and options are also what F3 and Shift+F3 look for.
  TFindDialog *ShowFind(bool replace);
  void FindAgain(bool backward);
  TFindDialog *FindDialog() const { return FFind; }

  // Moves the caret to the start of a line (from 1) and shows it; Ctrl+G asks for it.
  void GoToLine(int line);
  void AskGoToLine();
  // Comments out the selected lines (or the caret's) with "-- ", or uncomments them when
  // every non-blank one is commented; one undo step (Ctrl+/).
  void ToggleComment();

  // The server's error at line (from 1) and column (from 1) of the text: a marker in the
  // margin, the word there underlined and in view, the caret on it unless the selection is to
  // stay (a failed script statement's). ClearError takes both away.
  void MarkError(int line, int column, bool moveCaret = true);
  void ClearError();
  // The marked error's line (from 1), 0 when none.
  int ErrorLine() const;

  // Completion at the caret: keywords and the database's names that start with the word
  // before it, the columns of a table or alias after "name.". Opens by itself after three
  // characters of a word (or a '.'), or with Ctrl+Shift+Space.
  void ShowCompletion(bool forced);
  // The entries a completion at the caret offers (what ShowCompletion lists).
  QStringList CompletionEntries(QString *prefix = nullptr) const;
  // Off, the editor offers no completion at all (an editor of plain texts rather than SQL).
  void SetCompletion(bool on) { FCompletion = on; }

  TSQLLexer *Lexer() const { return FLexer; }

public slots:
  // Ctrl+V, Shift+Ins and the menus' Paste.
  void paste() override;

protected:
  bool event(QEvent *e) override;
  void keyPressEvent(QKeyEvent *e) override;

private:
  // The command of a key of the editor's own, or none.
  bool OwnKey(const QKeyEvent *e, bool run);
  void CharAdded(int c);
  // The caret's line before the caret (its last stretch on a very long line), and where in it
  // the word the caret ends starts.
  QString BeforeCaret(qsizetype *wordStart) const;
  long BytePos(int charPos) const;
  // Calls found(start, end) for every match of the marked text from one position to another.
  template <typename F>
  void ForEachMatch(long from, long to, F &&found);
  // Marks the matches in view; false when they were already.
  bool MarkVisible();

  TSQLLexer *FLexer;
  TFindDialog *FFind = nullptr;
  bool FListCut = false;  // the list shows only the first of its entries
  QByteArray FMark;       // what Mark All looks for, empty when nothing is marked
  int FMarkFlags = 0;
  long FMarkedFrom = -1, FMarkedTo = -1, FMarkedLength = -1;  // the stretch marked, and the text's length then
  bool FCompletion = true;
};
