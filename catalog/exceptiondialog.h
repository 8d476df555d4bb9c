#pragma once
// The exception dialog, created once at start-up and shared by every Exceptions window.
#include <QDialog>

class TExcDlg : public QDialog {
  Q_OBJECT
public:
  explicit TExcDlg(QWidget *parent = nullptr);
};

extern TExcDlg *ExcDlg;
