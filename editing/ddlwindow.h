#pragma once
// The DDL statements window: a free editor whose whole text goes to the server as one
// request. The caret indicator and the file commands here are shared with the trigger
// source editor.
#include "server/lines.h"
#include "ui/dialogs.h"
#include "ui/mdichild.h"

#include <QFont>
#include <QPlainTextEdit>

class QAction;
class QKeySequence;
class QLabel;
class QMenu;

// The filter of the DDL file dialogs and their default extension.
extern const QString kDDLFilter;      // "DDL statements|*.DDL|All files|*.*"
extern const QString kDDLDefaultExt;  // "*.DDL"

// A fixed-pitch face of the given pixel size: the named one when the system has it, else the
// system's fixed-pitch face.
QFont FixedPitchFont(const QString &face, int pixelSize);

// Brings a child window that has just been shown up to at least the given size.
void ShowAtUsableSize(TChildForm *form, const QSize &size);

// Line (from 1) and column (from 0) of the editor's selection start.
struct TCaretPos {
  int Line = 1;
  int Column = 0;
};
TCaretPos CaretPos(const QPlainTextEdit *editor);
// "   Line : %d   Column: %d "
QString CaretPosText(const QPlainTextEdit *editor);

// The largest text file a load accepts; beyond it "Text exceeds memo capacity".
constexpr qint64 kMaxEditorFileBytes = 32ll * 1024 * 1024;
// Reads a whole text file with every line break (CR, LF or CR LF) made one break, as the
// editor holds them. "Cannot open file %s" when the file cannot be read; files that are not
// text (NUL bytes without a Unicode byte-order mark) and oversized files are refused.
QString ReadTextFile(const QString &fileName);
// Replaces the editor's whole content with the file's text; on failure the editor keeps its
// text.
void LoadEditorFromFile(QPlainTextEdit *editor, const QString &fileName);
// Writes the editor's text as it holds it: CR LF between lines, no break added at the end.
// The file is replaced only once the new content is complete ("Cannot create file %s").
void SaveEditorToFile(const QPlainTextEdit *editor, const QString &fileName);

// The editor of the window: a plain-text memo that does not wrap. Its layout does not depend
// on its width, so a change of width keeps the laid-out lines (Qt would lay out every line of
// the text anew, a quarter of a second for a 10 MB script).
class TNoWrapMemo : public QPlainTextEdit {
  Q_OBJECT
public:
  explicit TNoWrapMemo(QWidget *parent = nullptr);

protected:
  void resizeEvent(QResizeEvent *event) override;
  void wheelEvent(QWheelEvent *event) override;
};

class TSQLExprForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window and shows it in the main window's area.
  explicit TSQLExprForm(QWidget *parent = nullptr);

  QList<QMenu *> MergedMenus() const override { return {MnDDL}; }

  TNoWrapMemo *ExecSql;
  QLabel *PosIndic;

  // DDLMenu: the one top-level item "&DDL", merged into the main menu bar.
  QMenu *MnDDL;
  QAction *mnRun, *MnSelect, *MNLoadfromFile, *MnSaveToFile, *MnAddToRepository;

  // The editor's context menu.
  QMenu *PopupMenu1;
  QAction *Cut1, *Copy1, *Paste1, *N1, *Run1, *N2, *Select1, *LoadfromFile1, *SavetoFile1, *Addtorepository1, *N3,
      *MnInsertWizard, *MNUpdateWizard;

  TOpenDialog OpenDlg;
  TSaveDialog SaveDlg;

  // Handlers
  void RunClick();
  void SelectClick();
  void LoadFromFileClick();
  void SaveToFileClick();
  void AddToRepositoryClick();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();
  void ExecSqlKeyUp();

  // The item a shortcut pressed in the editor invokes: the context menu's first, then the
  // window menu's; null when neither has it.
  QAction *FindShortCut(const QKeySequence &key) const;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
};

// A new, empty window, shown in the main window's area.
TSQLExprForm *CreateSQLExprForm();
// A new window with the lines in its editor (the structure window's view source).
TSQLExprForm *CreateSQLExprForm(const TStringList &lines);
