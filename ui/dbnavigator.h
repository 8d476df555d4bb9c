#pragma once
// The navigator: a row of buttons that move through and edit the rows of a data source's
// dataset. Each button is enabled only while its action makes sense.
#include "ui/datasource.h"

#include <QWidget>

class QToolButton;

enum TNavigateBtn { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
constexpr int kNavigateBtnCount = nbRefresh + 1;

class TDBNavigator : public QWidget {
  Q_OBJECT
public:
  explicit TDBNavigator(QWidget *parent = nullptr);

  TDataSource *DataSource() const { return FLink.DataSource(); }
  void SetDataSource(TDataSource *source) { FLink.SetDataSource(source); }

  // Delete asks "Delete record?" ("OK", "Cancel") first.
  bool ConfirmDelete = true;
  void SetVisibleButtons(const QList<TNavigateBtn> &buttons);

  QToolButton *Button(TNavigateBtn button) const { return FButtons[button]; }
  // Performs a button's action as a click does; errors are shown, not thrown.
  void BtnClick(TNavigateBtn button);

signals:
  // After a button's action has run.
  void OnClick(TNavigateBtn button);

private:
  void UpdateButtons();
  void Perform(TNavigateBtn button);

  TDataLink FLink;
  QToolButton *FButtons[kNavigateBtnCount] = {};
};
