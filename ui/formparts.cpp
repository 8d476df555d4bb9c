#include "ui/formparts.h"

#include "data/dataset.h"
#include "data/db.h"

#include <QComboBox>
#include <QToolButton>

QToolButton *CreateSpeedButton(QWidget *parent, const QString &name, const QString &caption) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(caption);
  b->setToolButtonStyle(Qt::ToolButtonTextOnly);
  b->setFocusPolicy(Qt::NoFocus);
  b->setMinimumSize(75, 25);
  return b;
}

QComboBox *CreateRelationList(QWidget *parent) {
  auto *list = new QComboBox(parent);
  list->setObjectName(QStringLiteral("TblsCB"));
  list->setEditable(false);
  list->setMinimumContentsLength(31);
  list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  return list;
}

void FillRelationList(QComboBox *list, const QString &alias) {
  QStringList names;
  Session().GetTableNames(alias, QString(), false, false, names);
  list->clear();
  list->addItems(names);
  list->setCurrentIndex(-1);
}

TStringList SourceLines(TField *source) {
  TBlobStream stream(source, TBlobStreamMode::bmRead);
  TStringList lines;
  lines.LoadFromStream(stream);
  return lines;
}
