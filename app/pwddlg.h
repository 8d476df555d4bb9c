#pragma once
// The login dialog for the server database. Created afresh for every login, so it always
// starts with the default user name and password.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

class TDBEntryDlg : public QDialog {
  Q_OBJECT
public:
  explicit TDBEntryDlg(QWidget *parent = nullptr);

  QLabel *Label2;         // "&Username"
  QLineEdit *UserN;       // upper-cases every typed letter
  QLabel *PasswordLabel;  // "&Password"
  QLineEdit *Password;    // masked
  QPushButton *OKBtn;     // default
  QPushButton *CancelBtn;

protected:
  void showEvent(QShowEvent *event) override;
};
