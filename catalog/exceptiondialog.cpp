#include "catalog/exceptiondialog.h"

TExcDlg *ExcDlg = nullptr;

TExcDlg::TExcDlg(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ExcDlg"));
  setWindowTitle(QStringLiteral("Exceptions"));
}
