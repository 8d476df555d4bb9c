#include "app/pwddlg.h"

#include "ui/dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>

namespace {
// Turns whatever is typed or pasted into capitals, as it arrives.
class TUpperCaseValidator : public QValidator {
public:
  using QValidator::QValidator;
  State validate(QString &input, int &) const override {
    input = input.toUpper();
    return Acceptable;
  }
};
}  // namespace

TDBEntryDlg::TDBEntryDlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("DBEntryDlg"));
  setWindowTitle(QStringLiteral("Database login"));
  setModal(true);

  Label2 = new QLabel(QStringLiteral("&Username"), this);
  UserN = new QLineEdit(QStringLiteral("SYSDBA"), this);
  UserN->setObjectName(QStringLiteral("UserN"));
  UserN->setValidator(new TUpperCaseValidator(UserN));
  Label2->setBuddy(UserN);

  PasswordLabel = new QLabel(QStringLiteral("&Password"), this);
  Password = new QLineEdit(QStringLiteral("tarnwidge"), this);
  Password->setObjectName(QStringLiteral("Password"));
  Password->setEchoMode(QLineEdit::Password);
  Password->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));  // '*' for each character
  PasswordLabel->setBuddy(Password);

  OKBtn = new QPushButton(QStringLiteral("OK"), this);
  OKBtn->setObjectName(QStringLiteral("OKBtn"));
  OKBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  CancelBtn->setAutoDefault(false);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);  // Esc rejects as well

  auto *fields = new QVBoxLayout;
  fields->addWidget(Label2);
  fields->addWidget(UserN);
  fields->addSpacing(6);
  fields->addWidget(PasswordLabel);
  fields->addWidget(Password);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(fields);
  layout->addSpacing(10);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  UserN->setMinimumWidth(220);

  UserN->setFocus();
}

void TDBEntryDlg::showEvent(QShowEvent *event) {
  QDialog::showEvent(event);
  CenterOnScreen(this);
  UserN->setFocus();
}
