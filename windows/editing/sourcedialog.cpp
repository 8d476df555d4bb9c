#include "windows/editing/sourcedialog.h"

#include "base/errors.h"
#include "ui/editorlines.h"
#include "ui/errordisplay.h"
#include "ui/sqleditor.h"
#include "windows/repository/repositoryops.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

TSQLSourceForm::TSQLSourceForm(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("SQLSourceForm"));
  setWindowTitle(QStringLiteral("SQL Source"));

  SourceMemo = CreateSQLEditor(this, QStringLiteral("Courier New"));
  SourceMemo->setObjectName(QStringLiteral("Memo1"));
  SourceMemo->setReadOnly(true);
  SourceMemo->SetCompletion(false);
  // Wrapped at the width: the whole statement reads without scrolling sideways.
  SourceMemo->setWrapMode(QsciScintilla::WrapWord);
  SourceMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SourceMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SourceMemo->setContextMenuPolicy(Qt::DefaultContextMenu);  // the editor's own: Copy, Select All
  SourceMemo->installEventFilter(this);

  ButtonPanel = new QWidget(this);
  ButtonPanel->setObjectName(QStringLiteral("Panel1"));
  BitBtn1 = new QPushButton(QStringLiteral("OK"), ButtonPanel);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), ButtonPanel);
  AddBtn = new QPushButton(QStringLiteral("&Add to repository"), ButtonPanel);
  AddBtn->setToolTip(QStringLiteral("Add to repository"));
  AddBtn->setStatusTip(QStringLiteral("Add to repository"));
  BitBtn1->setDefault(true);
  BitBtn1->setAutoDefault(true);
  BitBtn2->setAutoDefault(false);
  AddBtn->setAutoDefault(false);
  auto *buttons = new QHBoxLayout(ButtonPanel);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addWidget(AddBtn);
  buttons->addStretch();

  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(SourceMemo);
  layout->addWidget(ButtonPanel);

  connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  ConnectGuarded(AddBtn, &QPushButton::clicked, this, &TSQLSourceForm::AddBtnClick);
  resize(560, 360);
}

void TSQLSourceForm::AddBtnClick() { AddObjectSource(SourceMemo); }

bool TSQLSourceForm::eventFilter(QObject *watched, QEvent *event) {
  // Enter in the text belongs to the default button, Escape to the dialog (the editor would
  // take it for its own cancel).
  if (watched == SourceMemo && event->type() == QEvent::KeyPress) {
    auto *k = static_cast<QKeyEvent *>(event);
    if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
      BitBtn1->click();
      return true;
    }
    if (k->key() == Qt::Key_Escape && k->modifiers() == Qt::NoModifier) {
      reject();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ShowSQLSource(const TStringList &lines) {
  auto dlg = std::make_unique<TSQLSourceForm>();
  SetEditorLines(dlg->SourceMemo, lines);
  if (dlg->exec() != QDialog::Accepted) Abort();
}
