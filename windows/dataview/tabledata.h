#pragma once
// The table data window: the rows of one table or view of the server database, chosen from a
// list of them, in a grid where they can be browsed, edited, inserted and deleted.
#include "ui/mdichild.h"

#include <QHash>
#include <QList>

class QComboBox;
class QFrame;
class QLabel;
class TDBGrid;
class TDBNavigator;
class TDataSource;
class TTable;

class TDataForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, fills the list of tables and shows it in the main window's area. A
  // failure to list the tables is shown in an error box; the window is shown all the same.
  explicit TDataForm(QWidget *owner = nullptr);

  QFrame *TablePanel;
  QLabel *TableLabel;
  QComboBox *TblsCB;
  TDBNavigator *DBNavigator1;
  TDBGrid *DataGrid;
  TTable *SrcTable;
  TDataSource *DS;

  void FormCreate();
  // The user picked a table: a pending change of the shown one is posted first (a refused
  // post keeps the edit and the table), then the picked one opens.
  void TblsCBClick();
  void DataGridDblClick();

protected:
  // A change of the current row not yet posted is posted, dropped or kept open, as the user says.
  bool FormCloseQuery() override;
  void FormClose() override;

private:
  friend TDataForm *ShowTableData(const QString &tableName);
  // Opens the table under the name, its columns as the user left them here before (each
  // table's widths are kept while the window is open), else sized to what they show.
  void OpenTable(const QString &name);
  QHash<QString, QList<int>> FWidths;
};

// A new data window opened on the named table (or view); the caption becomes "Data Viewer-"
// and the name. A failed open leaves the window on screen, empty, and raises the error.
TDataForm *ShowTableData(const QString &tableName);
