#pragma once
// The repository settings dialog: chooses the directory of the repository table, creating
// the directory and the table when they are missing. The choice takes effect at once.
#include <QDialog>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

// Whether the path names an existing directory.
bool DirectoryPresent(const QString &path);
// Creates the directory and every missing ancestor, outermost first; failures are ignored
// (they surface when the directory is used). The file-system root ends the recursion.
void CreateDirectoryChain(const QString &path);
// Offers to make what the repository in dir lacks: the directory (with its ancestors), then the
// table, each after a question. Returns whether the table was created; EAbort when the user
// declines a question.
bool OfferRepositoryTable(QString dir);

class TORepOptDlg : public QDialog {
  Q_OBJECT
public:
  explicit TORepOptDlg(QWidget *parent = nullptr);
  ~TORepOptDlg() override;

  QFrame *Bevel1;
  QLabel *DirLabel;
  QLineEdit *DirName;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

  void FormCreate();
  void OKBtnClick();

  // Cancel, Esc and the close box end with the modal result Cancel.
  void reject() override;

protected:
  void showEvent(QShowEvent *event) override;
};

extern TORepOptDlg *ORepOptDlg;
