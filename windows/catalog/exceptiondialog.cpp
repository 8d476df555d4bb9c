#include "windows/catalog/exceptiondialog.h"

#include "ui/editorlines.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TExcDlg *ExcDlg = nullptr;

TExcDlg::TExcDlg(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ExcDlg"));
  setWindowTitle(QStringLiteral("Exceptions"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  QFont face(QStringLiteral("MS Sans Serif"));
  face.setPixelSize(14);
  setFont(face);

  Bevel1 = new QFrame(this);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel1->setFrameShape(QFrame::Box);
  Bevel1->setFrameShadow(QFrame::Sunken);
  NameLabel = new QLabel(QStringLiteral("Exception &Name"), Bevel1);
  NameLabel->setObjectName(QStringLiteral("Label1"));
  NameEdit = new QLineEdit(Bevel1);
  NameEdit->setObjectName(QStringLiteral("NameEdit"));
  NameEdit->setMaxLength(32767);  // no limit of the dialog's own: the server judges the name
  NameLabel->setBuddy(NameEdit);
  MessageLabel = new QLabel(QStringLiteral("&Message to show"), Bevel1);
  MessageLabel->setObjectName(QStringLiteral("Label2"));
  MsgEdit = new QPlainTextEdit(Bevel1);
  MsgEdit->setObjectName(QStringLiteral("MsgEdit"));
  MsgEdit->setTabChangesFocus(true);
  MsgEdit->installEventFilter(this);
  MessageLabel->setBuddy(MsgEdit);
  BytesNote = new QLabel(
      QStringLiteral("This message holds bytes that are not UTF-8; they are kept unless you change the text"), Bevel1);
  BytesNote->setObjectName(QStringLiteral("BytesNote"));
  BytesNote->setWordWrap(true);
  BytesNote->hide();

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects too
  setTabOrder(NameEdit, MsgEdit);
  setTabOrder(MsgEdit, OKBtn);
  setTabOrder(OKBtn, CancelBtn);

  auto *fields = new QVBoxLayout(Bevel1);
  fields->addWidget(NameLabel);
  fields->addWidget(NameEdit);
  fields->addWidget(MessageLabel);
  fields->addWidget(MsgEdit);
  fields->addWidget(BytesNote);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Bevel1);
  layout->addLayout(buttons);
  resize(420, 260);
  setFixedSize(size());
}

void TExcDlg::ShowMessageText(const QString &text, bool bytesKept) {
  SetEditorText(MsgEdit, text);
  BytesNote->setVisible(bytesKept);
}

void TExcDlg::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  (NameEdit->isEnabled() ? static_cast<QWidget *>(NameEdit) : MsgEdit)->setFocus(Qt::OtherFocusReason);
}

bool TExcDlg::eventFilter(QObject *watched, QEvent *event) {
  if (watched == MsgEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OKBtn->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}
