#pragma once
// The DDL statements window: a free editor whose whole text goes to the server as one
// request. The caret indicator and the file commands here are shared with the trigger
// source editor.
#include "base/lines.h"
#include "ui/dialogs.h"
#include "ui/mdichild.h"
#include "ui/sqleditor.h"

class QAction;
class QKeySequence;
class QLabel;
class QMenu;
class TScriptPanel;
class TResultsPane;
class QSplitter;

// The filter of the DDL file dialogs (patterns match either case) and their default extension.
extern const QString kDDLFilter;      // "SQL scripts|*.sql;*.ddl|DDL statements|*.DDL|All files|*.*"
extern const QString kDDLDefaultExt;  // "*.DDL"

class TSQLExprForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window and shows it in the main window's area.
  explicit TSQLExprForm(QWidget *parent = nullptr);

  QList<QMenu *> MergedMenus() const override { return {MnDDL}; }

  TSQLEditor *ExecSql;
  QLabel *PosIndic;
  TScriptPanel *ScriptPanel;  // progress and Cancel of "Run as script", under the editor
  QSplitter *Splitter;        // the editor above, the results of a statement below
  TResultsPane *Results;      // shown once a statement has returned rows
  int RunLine = 1;            // where the text sent by the last run starts in the editor, for
  int RunColumn = 0;          // marking the server's error in place

  // DDLMenu: the one top-level item "&DDL", merged into the main menu bar.
  QMenu *MnDDL;
  QAction *mnRun, *MnRunStatement, *MnRunScript, *MnSelect, *MNLoadfromFile, *MnSaveToFile, *MnAddToRepository;

  // The editor's context menu.
  QMenu *PopupMenu1;
  QAction *Cut1, *Copy1, *Paste1, *N1, *Run1, *RunStatement1, *RunScript1, *N2, *Select1, *LoadfromFile1, *SavetoFile1,
      *Addtorepository1, *N3, *MnInsertWizard, *MNUpdateWizard;

  TOpenDialog OpenDlg;
  TSaveDialog SaveDlg;

  // Handlers
  void RunClick();
  // Runs the statement under the caret (the script's statement it stands in or follows).
  void RunStatementClick();
  // Whether a statement (or its fetch or export) runs in the results pane.
  bool StatementRunning() const;
  // Runs the editor's statements one after another (see editing/scriptrun.h).
  void RunScriptClick();
  void SelectClick();
  void LoadFromFileClick();
  void SaveToFileClick();
  void AddToRepositoryClick();
  void ExecSqlKeyUp();

  // The item a shortcut pressed in the editor invokes: the context menu's first, then the
  // window menu's; null when neither has it.
  QAction *FindShortCut(const QKeySequence &key) const { return Keys->FindShortCut(key); }

protected:
  // Offers to save a text changed since it was opened, loaded or saved.
  bool FormCloseQuery() override;

private:
  void CreateMenus();
  void CreateScriptCommands();
  void CreateResultsPane();
  void EnableRuns();
  TEditorKeys *Keys;
};

// A new, empty window, shown in the main window's area.
TSQLExprForm *CreateSQLExprForm();
// A new window with the lines in its editor (the structure window's view source).
TSQLExprForm *CreateSQLExprForm(const TStringList &lines);
