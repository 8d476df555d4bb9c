#pragma once
// The exception dialog, created once at start-up and shared by every Exceptions window: an
// exception's name and the message it shows. The windows fill and read its fields, which keep
// what they held between uses.
#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class TExcDlg : public QDialog {
  Q_OBJECT
public:
  explicit TExcDlg(QWidget *parent = nullptr);

  QFrame *Bevel1;
  QLabel *NameLabel;
  QLineEdit *NameEdit;
  QLabel *MessageLabel;
  QPlainTextEdit *MsgEdit;
  QLabel *BytesNote;  // shown under the message while it holds bytes that are not UTF-8
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

  // Puts a stored message in; bytesKept says it holds bytes that only show as replacements.
  void ShowMessageText(const QString &text, bool bytesKept);

protected:
  // The focus goes to the first enabled field: the name, or the message when the name is
  // disabled.
  void showEvent(QShowEvent *event) override;
  // Enter in the message presses the default button instead of starting a new line.
  bool eventFilter(QObject *watched, QEvent *event) override;
};

extern TExcDlg *ExcDlg;
