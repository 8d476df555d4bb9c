#pragma once
// The Procedures window: the user's stored procedures with their parameter counts and kind;
// opens a procedure in the procedure source editor (or a new one), executes it with the
// values the user gives its inputs, keeps its source in the repository, shows its DDL and
// drops it.
#include "ui/mdichild.h"

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TProcedureList;
class TProcSourceForm;

class TProceduresForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, reads the list and shows it in the main window's area. A failure to
  // read is shown in an error box; the window is shown all the same.
  explicit TProceduresForm(QWidget *owner = nullptr);
  QSize sizeHint() const override;

  QFrame *btnPanel;
  QToolButton *EditBtn, *NewBtn, *ExecBtn, *AddBtn, *DDLBtn, *DropBtn, *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *ProcSource;
  TProcedureList *ProcList;

  // Opens a new editor on the current procedure and returns it (shown).
  TProcSourceForm *EditBtnClick();
  TProcSourceForm *NewBtnClick();
  // Asks for the inputs and shows what the procedure returns.
  void ExecBtnClick();
  void AddBtnClick();
  void DDLBtnClick();
  void DropBtnClick();
  void RefreshBtnClick();

protected:
  void FormClose() override;
};
