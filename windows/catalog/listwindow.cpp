#include "windows/catalog/listwindow.h"

#include "data/dataset.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/formparts.h"
#include "ui/mdichild.h"
#include "ui/memoviewops.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

QFrame *CreateButtonPanel(QWidget *parent) {
  auto *panel = new QFrame(parent);
  panel->setObjectName(QStringLiteral("btnPanel"));
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFixedHeight(37);
  auto *buttons = new QHBoxLayout(panel);
  buttons->setContentsMargins(4, 4, 4, 4);
  buttons->setSpacing(2);
  buttons->addStretch();
  return panel;
}

QToolButton *AddSpeedButton(QFrame *panel, const char *objectName, const QString &caption, const QString &hint) {
  QToolButton *b = CreateSpeedButton(panel, QString::fromLatin1(objectName), caption);
  if (!hint.isEmpty()) {
    b->setToolTip(hint);
    b->setStatusTip(hint);
  }
  auto *buttons = static_cast<QHBoxLayout *>(panel->layout());
  buttons->insertWidget(buttons->count() - 1, b);  // before the closing stretch
  return b;
}

TDataSource *CreateListSource(TDataSet *dataSet, QWidget *form, const char *objectName) {
  auto *source = new TDataSource(dataSet, form);
  source->setObjectName(QString::fromLatin1(objectName));
  source->AutoEdit = false;
  return source;
}

TDBGrid *CreateListGrid(QWidget *form, QFrame *panel, TDataSource *source) {
  auto *grid = new TDBGrid(form);
  grid->setObjectName(QStringLiteral("FGrid"));
  grid->SetDataSource(source);
  auto *layout = new QVBoxLayout(form);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(panel);
  layout->addWidget(grid);
  return grid;
}

void ShowSelectedMemo(TDBGrid *grid) {
  TField *field = grid->SelectedField();
  if (field && field->IsMemo()) ShowMemoField(field, grid->DataSource());
}

QSize ColumnsSizeHint(const TDBGrid *grid, QSize base, int minHeight) {
  const int columns = grid->model()->columnCount();
  if (columns == 0) return base;
  int width = grid->verticalHeader()->sizeHint().width() + grid->verticalScrollBar()->sizeHint().width() +
              2 * grid->frameWidth() + 2;
  for (int c = 0; c < columns; ++c)
    width += grid->DefaultColumnWidth(c);
  QSize size(width, qMax(base.height(), minHeight));
  if (QMdiArea *area = ChildArea()) size = size.boundedTo(area->viewport()->size() - QSize(16, 40));
  return size;
}
