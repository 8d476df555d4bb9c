#pragma once
// The Domains window: the user's domains with their decoded type, length, scale, default,
// computed expression and not-null flag; drops the current one.
#include "ui/mdichild.h"

class QFrame;
class QToolButton;
class TDBGrid;
class TDataSource;
class TDomainList;

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
  TDomainList *TableFields;

  void FormCreate();
  void DeleteDomainBtnClick();
  void RefrBtnClick();
  void FGridDblClick();

  QSize sizeHint() const override;

protected:
  void FormClose() override;
};
