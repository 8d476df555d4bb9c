#pragma once
// The Domains window: the user's domains from RDB$FIELDS with their decoded type, length,
// scale, default, computed expression and not-null flag; drops the current one.
#include "ui/mdichild.h"

#include <QVariant>

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSet;
class TDataSource;
class TField;
class TTable;

class TDomainsForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, opens the list and shows it in the main window's area. A failure to
  // open is shown in an error box; the window is shown all the same.
  explicit TDomainsForm(QWidget *owner = nullptr);

  QFrame *btnPanel;
  QToolButton *DropBtn;
  QToolButton *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *FieldSource;
  TTable *TableFields;

  TField *TableFieldsRDBFIELD_NAME;
  TField *TableFieldsFTYPE;
  TField *TableFieldsRDBCOMPUTED_SOURCE;
  TField *TableFieldsRDBDEFAULT_SOURCE;
  TField *TableFieldsRDBFIELD_LENGTH;
  TField *TableFieldsRDBFIELD_SCALE;
  TField *TableFieldsRDBFIELD_TYPE;
  TField *TableFieldsRDBSYSTEM_FLAG;
  TField *TableFieldsRDBNULL_FLAG;

  void FormCreate();
  void DeleteDomainBtnClick();
  void RefrBtnClick();
  void FGridDblClick();
  void TableFieldsCalcFields(TDataSet *DataSet);
  void TableFieldsFilterRecord(TDataSet *DataSet, bool &Accept);

  QSize sizeHint() const override;

protected:
  void FormClose() override;
};
