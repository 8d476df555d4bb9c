#include "windows/catalog/listwindow.h"

#include "data/dataset.h"
#include "firebird/session.h"
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/errordisplay.h"
#include "ui/formparts.h"
#include "ui/mdichild.h"
#include "ui/memoviewops.h"
#include "ui/shell.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMdiArea>
#include <QPointer>
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

QToolButton *AddDDLButton(QFrame *panel, TDataSource *source, TObjectKind kind, std::function<QString()> name) {
  QToolButton *b = AddSpeedButton(panel, "DDLBtn", QStringLiteral("Show DD&L"),
                                  QStringLiteral("Show the statements that create it"));
  ConnectGuarded(b, &QToolButton::clicked, b, [kind, name = std::move(name)] { ShowObjectDDL(kind, name()); });
  EnableWithRows(source, {b});
  return b;
}

void ShowObjectDDL(TObjectKind kind, const QString &name) {
  TStringList lines;
  lines.SetText(ObjectDDL(kind, name));
  if (Shell()) Shell()->ShowDDL(lines);
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

void FollowCatalog(QWidget *form, std::function<void()> reread) {
  if (TFbSession *session = FbSession())
    QObject::connect(session, &TFbSession::CatalogChanged, form, [reread = std::move(reread)] { Guard(reread); });
}

void EnableWithRows(TDataSource *source, const QList<QToolButton *> &buttons) {
  QList<QPointer<QToolButton>> guarded(buttons.begin(), buttons.end());  // the window's end deletes them first
  const auto update = [source, guarded] {
    const TDataSet *list = source->DataSet();
    const bool rows = list && list->Active() && !list->IsEmpty();
    for (QToolButton *b : guarded)
      if (b) b->setEnabled(rows);
  };
  for (auto signal : {&TDataSource::DataSetChanged, &TDataSource::StateChanged, &TDataSource::Scrolled})
    QObject::connect(source, signal, source, update);
  QObject::connect(source, &TDataSource::RowRemoved, source, update);
  QObject::connect(source, &TDataSource::RowsAppended, source, update);
  update();
}

bool ConfirmDrop(const char *kind, const QString &name) {
  return MessageDlg(QStringLiteral("Drop %1 %2?").arg(QLatin1String(kind), name), mbYes | mbNo) == mrYes;
}

void ShowDDLText(const QString &text) {
  TStringList lines;
  lines.SetText(text);
  if (Shell()) Shell()->ShowDDL(lines);
}
