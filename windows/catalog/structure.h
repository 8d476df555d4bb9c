#pragma once
// The table structure window: for a table or view picked from a list, its columns (position,
// name, declared type, domain, not null, default, computed expression) and every catalog object
// that depends on it; a view's source opens in a new DDL statements window, and the relation's
// rows in a new data window.
#include "ui/mdichild.h"

#include <QHash>
#include <QList>

class QComboBox;
class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TRelationDependencies;
class TRelationFields;
class TViewSource;

class TFormTblStr : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, fills the list of relations and shows it in the main window's area.
  explicit TFormTblStr(QWidget *owner = nullptr);

  QFrame *PanelComs;
  QComboBox *TblsCB;
  QToolButton *DataBtn;
  QToolButton *ViewSourceBtn;  // "SpeedButton1", "&Show SQL for view"
  QToolButton *DDLBtn;         // the statements that create the table or view
  TDBGrid *FieldGrid;          // "DBGrid1"
  TDBGrid *DependencyGrid;     // "DBGrid2"
  TDataSource *DS;
  TDataSource *DepsDS;
  TRelationFields *StrQuery;
  TRelationDependencies *DepQuery;
  TViewSource *SQLSourceQ;

  void FormCreate();
  void TblsCBClick();
  void ViewSourceBtnClick();
  void SrcDataClick();
  // The relations, columns and dependencies read again, on the same relation.
  void Reread();

protected:
  void FormClose() override;

private:
  // Column widths of both grids as the user left them, by relation, while the window is open.
  QHash<QString, QList<int>> FWidths;
  QString FShown;  // the relation the grids show
  void KeepWidths();
  void ShowWidths(const QString &relation);
};
