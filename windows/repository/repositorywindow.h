#pragma once
// The repository window: every stored entry, with its name in a grid and its source in a memo,
// edited through the data-aware controls.
#include "ui/mdichild.h"
#include "windows/repository/repositoryops.h"

class QFrame;
class TDBGrid;
class TDBMemo;
class TDBNavigator;
class TDataSource;
class TField;
class TTable;

class TObjRepos : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, opens its table (an error is shown, the window still appears) and
  // shows it as a child of the main window.
  explicit TObjRepos(QWidget *parent = nullptr);

  QFrame *NavigatorPanel;
  TDBNavigator *DBNavigator1;
  TDBGrid *NamesGrid;
  TDBMemo *DBMemo1;
  TTable *SrcTable;
  TField *nameField;  // "OBJECT NAME", string, Size 30, Required
  TField *SrcField;   // "OBJECT SOURCE", memo, Size 20
  TDataSource *DS;

  void FormCreate();

protected:
  void FormClose() override;
};
