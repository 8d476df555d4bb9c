#pragma once
// The Triggers window: the user's triggers, all of them or those of one table or view, with
// their event and active state; opens a trigger's source in the trigger source editor, keeps
// it in the repository, drops, deactivates and activates it.
#include "ui/mdichild.h"

class QComboBox;
class QFrame;
class QLabel;
class QToolButton;
class TDBGrid;
class TDataSource;
class TTriggerList;
class TTrigSourceForm;

class TFormTriggers : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, reads the list and shows it in the main window's area. A failure to
  // read is shown in an error box; the window is shown all the same.
  explicit TFormTriggers(QWidget *owner = nullptr);

  QFrame *RelationPanel;  // "Panel1"
  QLabel *RelationLabel;  // "Label1"
  QComboBox *TableCombo;
  QToolButton *SrcBtn;
  QToolButton *AddBtn;
  QToolButton *DropBtn;        // "SpeedButton1"
  QToolButton *DeactivateBtn;  // "DeactivteBtn"
  QToolButton *ActivateBtn;
  QToolButton *InsWiz;
  QToolButton *UpdWiz;  // "SpeedButton3"
  QToolButton *DelWiz;
  QToolButton *RefreshBtn;
  TDBGrid *TriggerGrid;        // "DBGrid1"
  TDataSource *TriggerSource;  // "DataSource1"
  TTriggerList *TrigTable;

  // The relation whose triggers are listed, or "<All relations>".
  QString SelectedRelation;

  void FormCreate();
  void TableComboChange();
  // Opens a new editor on the current trigger and returns it (shown).
  TTrigSourceForm *SrcBtnClick();
  // The wizards: an editor filled with a trigger for the chosen view (or the current trigger's)
  // that passes an insert, update or delete on to its tables. Nothing goes to the server until
  // the user applies it in the editor.
  TTrigSourceForm *WizardClick(int change);
  void AddBtnClick();
  void DropBtnClick();
  void DeactivateBtnClick();
  void ActivateBtnClick();
  void RefreshBtnClick();

protected:
  void FormClose() override;

private:
  void CreatePanel();
  void CreateTable();
  void CreateGrid();
};
