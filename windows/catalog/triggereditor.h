#pragma once
// The trigger source editor: one trigger's name, event, position, table and body, from which
// "&New" builds a CREATE TRIGGER and "&Update" an ALTER TRIGGER statement. It shares the DDL
// window's editor, file commands, key dispatch and caret indicator.
#include "base/lines.h"
#include "ui/dialogs.h"
#include "ui/mdichild.h"
#include "ui/sqleditor.h"

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QSpinBox;

class TTrigSourceForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the editor with the table and view names in TableNameEdit's list; it is not shown
  // until ShowEditor, so the triggers window can fill it first. A failure to read the names
  // is shown in an error box and the editor stays usable.
  explicit TTrigSourceForm(QWidget *parent = nullptr);
  // Shows the editor in the main window's area, the source editor focused. A named trigger is
  // taken to be on the server (the close question's Yes updates it) unless onServer is false.
  void ShowEditor(bool onServer = true);
  // Chooses the event a trigger has, as the list shows it (none for an empty one).
  void SetEvent(const QString &event);
  // The catalog name of the trigger the editor was opened on (empty for a new one), and the
  // open editor of a trigger, if any.
  QString OpenedOn;
  static TTrigSourceForm *EditorOf(const QString &trigger);

  QList<QMenu *> MergedMenus() const override { return {MnDDL}; }

  TSQLEditor *TrigSource;
  QFrame *ComPanel;
  QLabel *PosIndic;
  QLabel *NameLabel, *PositionLabel, *EventLabel, *TableLabel;  // "Label1".."Label4"
  QLineEdit *TrigNameEdit;
  QComboBox *EventTypeEdit;
  QSpinBox *PositionEdit;
  QComboBox *TableNameEdit;

  // "&Trigger", merged into the main menu bar while the editor is active.
  QMenu *MnDDL;
  QAction *MnNew, *mnRun, *MNLoadfromFile, *MnSaveToFile, *MnShowSQL, *N4, *Insertstatementwizard1,
      *Updatestatementwizard1;

  // The source editor's context menu.
  QMenu *PopupMenu1;
  QAction *Cut1, *Copy1, *Paste1, *N1, *Run1, *MnUpdate, *N2, *LoadfromFile1, *SavetoFile1, *N3, *MnInsertWizard,
      *MNUpdateWizard;

  TOpenDialog OpenDlg;
  TSaveDialog SaveDlg;

  // The statements the two commands send, one line list each (CR LF after every line when
  // joined).
  TStringList NewStatementLines() const;
  TStringList UpdateStatementLines() const;

  // Handlers
  void MnNewClick();
  void mnRunClick();
  void LoadFromFileClick();
  void SaveToFileClick();
  void TrigNameEditChange();
  void TrigSourceKeyUp();

protected:
  // Asks whether to apply what changed since the editor was opened or last applied.
  bool FormCloseQuery() override;

private:
  void CreateMenus();
  void CreatePanel();
  void Execute(const QStringList &head);
  int Position() const;
  QString TableName() const;
  QStringList UpdateHead() const;
  QStringList NewHead() const;
  // The statement as sent: head, then the editor's text as it holds it.
  QString StatementText(const QStringList &head) const;
  // Every field as shown, to tell a change.
  QStringList Fields() const;
  void MarkApplied();
  TEditorKeys *Keys;
  QStringList FApplied;
  int FAppliedPosition = 0;
  bool FExisting = false;  // the trigger is on the server: the close question's Yes updates it
};
