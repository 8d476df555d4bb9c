#pragma once
// The SQL Source dialog: shows a statement for approval before it is executed, and lets the
// user keep it in the object repository.
#include "base/lines.h"

#include <QDialog>

class TSQLEditor;
class QPushButton;

class TSQLSourceForm : public QDialog {
  Q_OBJECT
public:
  explicit TSQLSourceForm(QWidget *parent = nullptr);

  TSQLEditor *SourceMemo;
  QWidget *ButtonPanel;
  QPushButton *BitBtn1;  // "OK"
  QPushButton *BitBtn2;  // "Cancel"
  QPushButton *AddBtn;   // "&Add to repository"

  void AddBtnClick();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;
};

// Shows the lines modally; returns when the user confirms with OK. Any other end (Cancel,
// Escape, the close box) raises the silent abort. The lines are not changed.
void ShowSQLSource(const TStringList &lines);
