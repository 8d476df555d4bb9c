#include "ui/editorsearch.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFindDialog::TFindDialog(TSQLEditor *editor) : QDialog(editor, Qt::Tool), FEditor(editor) {
  setObjectName(QStringLiteral("FindDialog"));
  setWindowTitle(QStringLiteral("Find"));
  FindEdit = new QLineEdit(this);
  ReplaceEdit = new QLineEdit(this);
  ReplaceLabel = new QLabel(QStringLiteral("Replace &with:"), this);
  ReplaceLabel->setBuddy(ReplaceEdit);
  auto *findLabel = new QLabel(QStringLiteral("&Find what:"), this);
  findLabel->setBuddy(FindEdit);
  CaseBox = new QCheckBox(QStringLiteral("Match &case"), this);
  WordBox = new QCheckBox(QStringLiteral("Whole &word"), this);
  RegExpBox = new QCheckBox(QStringLiteral("Regular e&xpression"), this);
  WrapBox = new QCheckBox(QStringLiteral("Wra&p around"), this);
  WrapBox->setChecked(true);
  NextBtn = new QPushButton(QStringLiteral("Find &Next"), this);
  NextBtn->setDefault(true);
  PrevBtn = new QPushButton(QStringLiteral("Find &Previous"), this);
  MarkAllBtn = new QPushButton(QStringLiteral("&Mark All"), this);
  ReplaceBtn = new QPushButton(QStringLiteral("&Replace"), this);
  ReplaceAllBtn = new QPushButton(QStringLiteral("Replace &All"), this);
  auto *closeBtn = new QPushButton(QStringLiteral("Close"), this);
  Status = new QLabel(this);

  auto *grid = new QGridLayout(this);
  grid->addWidget(findLabel, 0, 0);
  grid->addWidget(FindEdit, 0, 1);
  grid->addWidget(ReplaceLabel, 1, 0);
  grid->addWidget(ReplaceEdit, 1, 1);
  grid->addWidget(CaseBox, 2, 1);
  grid->addWidget(WordBox, 3, 1);
  grid->addWidget(RegExpBox, 4, 1);
  grid->addWidget(WrapBox, 5, 1);
  grid->addWidget(Status, 6, 0, 1, 2);
  int row = 0;
  for (QPushButton *b : {NextBtn, PrevBtn, MarkAllBtn, ReplaceBtn, ReplaceAllBtn, closeBtn})
    grid->addWidget(b, row++, 2);

  connect(NextBtn, &QPushButton::clicked, this, [this] { FindNext(false); });
  connect(PrevBtn, &QPushButton::clicked, this, [this] { FindNext(true); });
  connect(MarkAllBtn, &QPushButton::clicked, this, [this] {
    const int n = FEditor->MarkAll(Text(), Options());
    Status->setText(QStringLiteral("%1 found").arg(n));
  });
  connect(ReplaceBtn, &QPushButton::clicked, this, &TFindDialog::ReplaceOne);
  connect(ReplaceAllBtn, &QPushButton::clicked, this, [this] {
    const int n = FEditor->ReplaceAll(Text(), ReplaceEdit->text(), Options());
    Status->setText(QStringLiteral("%1 replaced").arg(n));
  });
  connect(closeBtn, &QPushButton::clicked, this, &QDialog::hide);
}

void TFindDialog::ShowFor(bool replace, const QString &selected) {
  setWindowTitle(replace ? QStringLiteral("Replace") : QStringLiteral("Find"));
  for (QWidget *w : {static_cast<QWidget *>(ReplaceEdit), static_cast<QWidget *>(ReplaceLabel),
                     static_cast<QWidget *>(ReplaceBtn), static_cast<QWidget *>(ReplaceAllBtn)})
    w->setVisible(replace);
  if (!selected.isEmpty() && !selected.contains(u'\n')) FindEdit->setText(selected);
  Status->clear();
  show();
  raise();
  activateWindow();
  FindEdit->setFocus();
  FindEdit->selectAll();
}

QString TFindDialog::Text() const { return FindEdit->text(); }

TFindOptions TFindDialog::Options() const {
  TFindOptions o;
  o.CaseSensitive = CaseBox->isChecked();
  o.WholeWord = WordBox->isChecked();
  o.RegExp = RegExpBox->isChecked();
  o.Wrap = WrapBox->isChecked();
  return o;
}

void TFindDialog::ShowResult(bool found) { Status->setText(found ? QString() : QStringLiteral("Not found")); }

void TFindDialog::FindNext(bool backward) {
  TFindOptions o = Options();
  o.Backward = backward;
  ShowResult(FEditor->Find(Text(), o));
}

void TFindDialog::ReplaceOne() {
  // The selection is replaced when it is a match (as the last search left it), then the next
  // match is found.
  FEditor->ReplaceSelection(Text(), ReplaceEdit->text(), Options());
  FindNext(false);
}
