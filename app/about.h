#pragma once
// The About box: created hidden at start-up and shown modally by "&About".
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

class TAboutBox : public QDialog {
  Q_OBJECT
public:
  explicit TAboutBox(QWidget *parent = nullptr);

  QFrame *InfoPanel;  // the bevelled panel around everything but the button
  QLabel *ProgramIcon;
  QLabel *ProductName;  // "ZUL Tesselor for IB", bold
  QLabel *Version;      // "Betta release" / "Version 1.01a"
  QLabel *Licence;
  QLabel *Feedback;
  QLabel *Comments;
  QPushButton *OKButton;

protected:
  void showEvent(QShowEvent *event) override;
};

extern TAboutBox *AboutBox;
