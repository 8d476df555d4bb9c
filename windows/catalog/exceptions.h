#pragma once
// The Exceptions window: the user's exceptions with their messages; creates an exception,
// changes the current one's message and drops it, through the shared exception dialog.
#include "ui/mdichild.h"

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TExceptionList;

class TExceptionsForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, opens the list and shows it in the main window's area. A failure to
  // open is shown in an error box; the window is shown all the same.
  explicit TExceptionsForm(QWidget *owner = nullptr);

  QFrame *btnPanel;
  QToolButton *NewBtn;
  QToolButton *UpdBtn;
  QToolButton *DropBtn;  // object name "SpeedButton3"
  QToolButton *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *ExcSource;
  TExceptionList *ExceptionsTable;

  void FormCreate();
  void newexcpBtnClick();
  void BtnUpdateClick();
  void DropBtnClick();
  void RefrBtnClick();
  void FGridDblClick();

  QSize sizeHint() const override;

protected:
  void FormClose() override;
};
