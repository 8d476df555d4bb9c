#pragma once
// The procedure source editor: one procedure's name, input and output parameters (one
// declaration a line, with its type and default) and body, from which "&Apply" (F9) builds a
// CREATE OR ALTER PROCEDURE statement. It shares the DDL window's editor, file commands, key
// dispatch and caret indicator, as the trigger source editor does.
#include "base/lines.h"
#include "ui/dialogs.h"
#include "ui/mdichild.h"
#include "ui/sqleditor.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;

class TProcSourceForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the editor, not shown until ShowEditor.
  explicit TProcSourceForm(QWidget *parent = nullptr);
  // A new editor on the procedure (a catalog name): its name, parameters and body as the
  // extraction writes them (body, when not null, instead of the stored one); an empty one for
  // an empty name. Shown.
  static TProcSourceForm *OpenProcedure(const QString &name, const QString &body);
  // Shows the editor in the main window's area, the source editor focused.
  void ShowEditor();

  QList<QMenu *> MergedMenus() const override { return {MnProc}; }

  TSQLEditor *ProcSource;
  QFrame *ComPanel;
  QLabel *PosIndic;
  QLineEdit *ProcNameEdit;
  QPlainTextEdit *InputsEdit, *OutputsEdit;

  // "&Procedure", merged into the main menu bar while the editor is active.
  QMenu *MnProc;
  QAction *MnApply, *MnLoad, *MnSave, *MnShowSQL;
  // The source editor's context menu.
  QMenu *PopupMenu1;

  TOpenDialog OpenDlg;
  TSaveDialog SaveDlg;

  // The statement Apply sends: the head, then the body as the editor holds it.
  QString StatementText() const;

  void ApplyClick();
  void LoadFromFileClick();
  void SaveToFileClick();

protected:
  // Asks whether to apply what changed since the editor was opened or last applied.
  bool FormCloseQuery() override;

private:
  void CreateMenus();
  void CreatePanel();
  QStringList Head() const;
  QStringList Fields() const;
  void UpdateIndicator();
  TEditorKeys *Keys;
  QStringList FApplied;
};
