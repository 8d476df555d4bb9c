#pragma once
// The Views window: the user's views; for the current one its stored query (read-only), its
// columns, what it reads and what reads it. "&Edit" opens a DDL window with a CREATE OR ALTER
// VIEW of it, "Da&ta" its rows in a data window; Drop and Show DDL.
#include "ui/mdichild.h"

class QFrame;
class QSplitter;
class QTabWidget;
class QToolButton;
class TDBGrid;
class TDataSource;
class TSQLEditor;
class TRelationDependencies;
class TRelationFields;
class TViewList;
class TViewReads;

class TViewsForm : public TChildForm {
  Q_OBJECT
public:
  explicit TViewsForm(QWidget *owner = nullptr);
  ~TViewsForm() override;

  QFrame *btnPanel;
  QToolButton *EditBtn, *DataBtn, *DDLBtn, *DropBtn, *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *ViewSource;
  TViewList *ViewList;
  QTabWidget *Pages;
  TSQLEditor *SourceMemo;
  TDBGrid *ColumnGrid, *ReadsGrid, *ReadByGrid;
  TRelationFields *Columns;
  TViewReads *Reads;
  TRelationDependencies *ReadBy;

  void EditBtnClick();
  void DataBtnClick();
  void DDLBtnClick();
  void DropBtnClick();
  void RefreshBtnClick();
  // The pages show the current view (or nothing on an empty list).
  void ShowCurrent();

protected:
  void FormClose() override;

private:
  QString FShown;  // the view the pages show
};
