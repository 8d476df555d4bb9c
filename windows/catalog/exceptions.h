#pragma once
// The Exceptions window: the user's exceptions from RDB$EXCEPTIONS with their messages;
// creates an exception, changes the current one's message and drops it, through the shared
// exception dialog.
#include "ui/mdichild.h"

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSet;
class TDataSource;
class TField;
class TTable;
struct TStoredText;

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
  TTable *ExceptionsTable;

  TField *ExceptionsTableRDBEXCEPTION_NAME;
  TField *ExceptionsTableRDBMESSAGE;
  TField *ExceptionsTableRDBSYSTEM_FLAG;

  void FormCreate();
  void newexcpBtnClick();
  void BtnUpdateClick();
  void DropBtnClick();
  void RefrBtnClick();
  void FGridDblClick();
  void ExceptionsTableFilterRecord(TDataSet *DataSet, bool &Accept);

  QSize sizeHint() const override;

protected:
  void FormClose() override;

private:
  // Fills format with name and the dialog's message and runs it; a stored message that is
  // not UTF-8 goes back as its bytes while the dialog's text is unchanged.
  void SendException(const char *format, const QString &name, const TStoredText &stored);
};
