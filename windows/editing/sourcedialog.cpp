#include "windows/editing/sourcedialog.h"

#include "base/errors.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/sqleditor.h"
#include "windows/repository/repositoryops.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

TSQLSourceForm::TSQLSourceForm(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SQLSourceForm"));
  setWindowTitle(QStringLiteral("SQL Source"));

  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setFont(FixedPitchFont(QStringLiteral("Courier New"), 17));
  Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Memo1->installEventFilter(this);

  Panel1 = new QWidget(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  BitBtn1 = new QPushButton(QStringLiteral("OK"), Panel1);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), Panel1);
  AddBtn = new QPushButton(QStringLiteral("&Add to repository"), Panel1);
  AddBtn->setToolTip(QStringLiteral("Add to repository"));
  AddBtn->setStatusTip(QStringLiteral("Add to repository"));
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(true);
  BitBtn2->setAutoDefault(false);
  AddBtn->setAutoDefault(false);
  auto *buttons = new QHBoxLayout(Panel1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addWidget(AddBtn);
  buttons->addStretch();

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(Memo1);
  layout->addWidget(Panel1);

  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  ConnectGuarded(AddBtn, &QPushButton::clicked, this, &TSQLSourceForm::AddBtnClick);
  resize(560, 360);
}

void TSQLSourceForm::AddBtnClick() { AddObjectSource(static_cast<const QPlainTextEdit *>(Memo1)); }

bool TSQLSourceForm::eventFilter(QObject *watched, QEvent *event) {
  // Enter in the text belongs to the default button.
  if (watched == Memo1 && event->type() == QEvent::KeyPress) {
    auto *k = static_cast<QKeyEvent *>(event);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      BitBtn1->click();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowSQLSource(const TStringList &lines) {
  auto dlg = std::make_unique<TSQLSourceForm>();
  SetEditorLines(dlg->Memo1, lines);
  if (dlg->exec() != QDialog::Accepted) Abort();
}
