#pragma once
// The Generators window: the names of the user's generators; drops the current one and
// re-reads the list.
#include "ui/mdichild.h"

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TGeneratorList;

class TGeneratorsForm : public TChildForm {
  Q_OBJECT
public:
  // Builds the window, opens the list and shows it in the main window's area. A failure to
  // open is shown in an error box; the window is shown all the same.
  explicit TGeneratorsForm(QWidget *owner = nullptr);

  QFrame *btnPanel;
  QToolButton *DropBtn;
  QToolButton *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *GeneratorSource;   // "DataSource1"
  TGeneratorList *GeneratorList;  // "Query1"

  void FormCreate();
  void DropBtnClick();
  void RefrBtnClick();
  void FGridDblClick();

  QSize sizeHint() const override;

protected:
  void FormClose() override;
};
