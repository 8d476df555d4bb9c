#pragma once
// The Indices window: the user's indices, all of them or those of one table, with their
// segments or expression, state and selectivity; activates and deactivates an index,
// recomputes its statistics, shows its DDL and drops it (not one a constraint owns).
#include "ui/mdichild.h"

class QComboBox;
class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TIndexList;

class TIndicesForm : public TChildForm {
  Q_OBJECT
public:
  explicit TIndicesForm(QWidget *owner = nullptr);
  QSize sizeHint() const override;

  QFrame *btnPanel;
  QComboBox *TableCombo;
  QToolButton *ActivateBtn, *DeactivateBtn, *StatisticsBtn, *DDLBtn, *DropBtn, *RefreshBtn;
  TDBGrid *FGrid;
  TDataSource *IndexSource;
  TIndexList *IndexList;

  void TableComboChange();
  void ActivateBtnClick();
  void DeactivateBtnClick();
  void StatisticsBtnClick();
  void DDLBtnClick();
  void DropBtnClick();
  void RefreshBtnClick();

protected:
  void FormClose() override;
};
