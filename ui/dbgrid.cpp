#include "ui/dbgrid.h"

#include "ui/dialogs.h"
#include "ui/errordisplay.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>

namespace {
// Draws the column and row lines the options ask for, hides the selection while the grid
// is not focused (unless always shown), and limits string editors to the field's size.
class TDBGridDelegate : public QStyledItemDelegate {
public:
  explicit TDBGridDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), FGrid(grid) {}

  void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QStyleOptionViewItem opt(option);
    if (!(FGrid->Options() & dgAlwaysShowSelection) && !FGrid->hasFocus() && !FGrid->isPersistentEditorOpen(index))
      opt.state &= ~QStyle::State_Selected;
    QStyledItemDelegate::paint(painter, opt, index);
    const TDBGridOptions o = FGrid->Options();
    if (!(o & (dgColLines | dgRowLines))) return;
    painter->save();
    painter->setPen(QColor(QRgb(FGrid->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, FGrid))));
    const QRect r = option.rect;
    if (o & dgColLines) painter->drawLine(r.topRight(), r.bottomRight());
    if (o & dgRowLines) painter->drawLine(r.bottomLeft(), r.bottomRight());
    painter->restore();
  }

  QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
      TField *f = FGrid->Model()->FieldAt(index.column());
      if (f && f->DataType() == TFieldType::ftString && f->Size > 0) line->setMaxLength(f->Size);
    }
    return editor;
  }

private:
  TDBGrid *FGrid;
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// TDBGrid

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent),
      FModel(new TGridModel(this)),
      FLink(
          this,
          [this](TDataSource *source) {
            auto indicator = [this] { verticalHeader()->viewport()->update(); };
            // A source turned to another dataset, open already, has its current row marked at once.
            return QList<QMetaObject::Connection>{
                connect(source, &TDataSource::Scrolled, this, &TDBGrid::SyncCurrent),
                connect(source, &TDataSource::DataSetChanged, this, &TDBGrid::SyncCurrent),
                connect(source, &TDataSource::Scrolled, this, indicator),
                connect(source, &TDataSource::StateChanged, this, indicator),
                connect(source, &TDataSource::UpdateData, this, &TDBGrid::CommitOpenEditor)};
          },
          [this] { SyncCurrent(); }) {
  setModel(FModel);
  setItemDelegate(new TDBGridDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                  QAbstractItemView::SelectedClicked);
  setShowGrid(false);  // the delegate draws the lines the options ask for
  setWordWrap(false);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  verticalHeader()->setHighlightSections(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  verticalHeader()->setFixedWidth(fontMetrics().height());
  connect(FModel, &QAbstractItemModel::modelAboutToBeReset, this, &TDBGrid::SaveLayout);
  connect(FModel, &QAbstractItemModel::modelReset, this, &TDBGrid::ApplyLayout);
  ApplyLayout();
}

void TDBGrid::SetDataSource(TDataSource *source) {
  // The model follows the rows first; the current cell follows once they are in place.
  FModel->SetDataSource(source);
  FLink.SetDataSource(source);
}

void TDBGrid::SetOptions(TDBGridOptions options) {
  FOptions = options;
  FModel->SetEditingAllowed(options & dgEditing);
  ApplyLayout();
  viewport()->update();
}

void TDBGrid::SetColumns(const QList<TColumn> &columns) {
  FModel->SetColumns(columns);
  SyncCurrent();
}

void TDBGrid::AddColumn(const TColumn &column) {
  FModel->AddColumn(column);
  SyncCurrent();
}

void TDBGrid::AddColumn(const QString &fieldName, const QString &title) {
  TColumn c;
  c.FieldName = fieldName;
  c.Title = title;
  AddColumn(c);
}

void TDBGrid::ClearColumns() { SetColumns({}); }

void TDBGrid::SetColor(const QColor &color) {
  QPalette p = palette();
  p.setColor(QPalette::Base, color);
  setPalette(p);
}

void TDBGrid::SetFixedColor(const QColor &color) {
  FModel->SetFixedColor(color);
  for (QHeaderView *h : {horizontalHeader(), verticalHeader()}) {
    QPalette p = h->palette();
    p.setColor(QPalette::Button, color);
    p.setColor(QPalette::Window, color);
    h->setPalette(p);
  }
}

void TDBGrid::SetTitleFont(const QFont &font) {
  horizontalHeader()->setFont(font);
  ApplyLayout();
}

int TDBGrid::DefaultColumnWidth(int column) const {
  TField *f = FModel->FieldAt(column);
  if (!f) return 64;
  const int cell = f->DisplayWidth() * fontMetrics().averageCharWidth() + 8;
  if (!(FOptions & dgTitles)) return cell;
  const QString title = FModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
  return qMax(cell, horizontalHeader()->fontMetrics().horizontalAdvance(title) + 12);
}

QStringList TDBGrid::ColumnSignature() const {
  QStringList signature;
  for (int i = 0; i < FModel->columnCount(); ++i) {
    TField *f = FModel->FieldAt(i);
    signature << (f ? f->FieldName : QString()) + QLatin1Char('|') +
                     FModel->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
  }
  return signature;
}

void TDBGrid::SaveLayout() {
  FSavedSignature = ColumnSignature();
  FSavedWidths.clear();
  for (int i = 0; i < FSavedSignature.size(); ++i)
    FSavedWidths << columnWidth(i);
}

void TDBGrid::ApplyLayout() {
  horizontalHeader()->setVisible(FOptions & dgTitles);
  verticalHeader()->setVisible(FOptions & dgIndicator);
  horizontalHeader()->setSectionResizeMode((FOptions & dgColumnResize) ? QHeaderView::Interactive : QHeaderView::Fixed);
  setTabKeyNavigation(FOptions & dgTabs);
  const bool same = !FSavedSignature.isEmpty() && FSavedSignature == ColumnSignature();
  for (int i = 0; i < FModel->columnCount(); ++i) {
    const TColumn *c = FModel->ColumnAt(i);
    setColumnWidth(i, same ? FSavedWidths.value(i) : c && c->Width > 0 ? c->Width : DefaultColumnWidth(i));
  }
  FSavedSignature.clear();
}

TField *TDBGrid::SelectedField() const { return FModel->FieldAt(SelectedIndex()); }

bool TDBGrid::SelectedFieldIsMemo() const {
  TField *f = SelectedField();
  return f && f->IsMemo();
}

int TDBGrid::SelectedIndex() const {
  const int column = currentIndex().isValid() ? currentIndex().column() : (FModel->columnCount() > 0 ? 0 : -1);
  return column;
}

void TDBGrid::SetSelectedIndex(int column) {
  if (column < 0 || column >= FModel->columnCount()) return;
  TDataSet *ds = DataSet();
  const int row = ds && ds->RecNo() >= 0 ? ds->RecNo() : currentIndex().row();
  if (row >= 0) {
    const bool was = FSyncing;
    FSyncing = true;
    setCurrentIndex(FModel->index(row, column));
    FSyncing = was;
  }
}

void TDBGrid::SyncCurrent() {
  TDataSet *ds = DataSet();
  const int row = ds && ds->Active() ? ds->RecNo() : -1;
  const bool was = FSyncing;
  FSyncing = true;
  if (row >= 0 && row < FModel->rowCount() && FModel->columnCount() > 0) {
    const int column =
        qBound(0, currentIndex().isValid() ? currentIndex().column() : FLastColumn, FModel->columnCount() - 1);
    const QModelIndex target = FModel->index(row, column);
    if (currentIndex() != target) selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    scrollTo(target);
  } else if (currentIndex().isValid()) {
    selectionModel()->clearCurrentIndex();
  }
  FSyncing = was;
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous) {
  QTableView::currentChanged(current, previous);          // commits an open editor first
  if (current.isValid()) FLastColumn = current.column();  // kept over resets, such as a refresh
  TDataSet *ds = DataSet();
  if (FSyncing || !ds || !ds->Active() || !current.isValid() || current.row() == ds->RecNo()) return;
  Guard([&] {
    // Leaving the row posts (or drops an untouched insert, which shifts the rows below).
    ds->CheckBrowseMode();
    const int row = currentIndex().isValid() ? currentIndex().row() : current.row();
    ds->SetRecNo(row);
  });
  if (ds && currentIndex().row() != ds->RecNo())
    QMetaObject::invokeMethod(this, &TDBGrid::SyncCurrent, Qt::QueuedConnection);
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) {
  const bool opens = index.isValid() && state() != EditingState && (FModel->flags(index) & Qt::ItemIsEditable) &&
                     (trigger == AllEditTriggers || (trigger & editTriggers())) &&
                     !(trigger == SelectedClicked && !selectionModel()->isSelected(index));
  if (opens) {
    TDataSet *ds = DataSet();
    if (index.row() != ds->RecNo()) return false;
    bool editing = false;
    Guard([&] { editing = DataSource()->Edit(); });
    if (!editing) return false;
  }
  return QTableView::edit(index, trigger, event);
}

void TDBGrid::CommitOpenEditor() {
  if (state() != EditingState) return;
  if (QWidget *editor = indexWidget(currentIndex())) commitData(editor);
}

void TDBGrid::DeleteWithConfirmation() {
  TDataSet *ds = DataSet();
  if (!ds || !ds->Active() || FModel->ReadOnly() || ds->IsEmpty() || !ds->CanModify()) return;
  if ((FOptions & dgConfirmDelete) && MessageDlg(QStringLiteral("Delete record?"), mbOKCancel) != mrOK) return;
  ds->Delete();
}

void TDBGrid::keyPressEvent(QKeyEvent *event) {
  TDataSet *ds = DataSet();
  const bool ctrl = event->modifiers() & Qt::ControlModifier;
  if (event->key() == Qt::Key_Delete && ctrl) {
    Guard([&] { DeleteWithConfirmation(); });
    return;
  }
  // Ctrl+Home and Ctrl+End go to the dataset's first and last row, not the fetched ones'.
  if ((event->key() == Qt::Key_Home || event->key() == Qt::Key_End) && ctrl && ds && ds->Active() &&
      state() != EditingState) {
    Guard([&] { event->key() == Qt::Key_Home ? ds->First() : ds->Last(); });
    return;
  }
  // Ctrl+0 makes the current cell null: an emptied text cell holds an empty string, which on
  // the server is a value of its own.
  if (event->key() == Qt::Key_0 && event->modifiers() == Qt::ControlModifier && state() != EditingState &&
      currentIndex().isValid() && FModel->CanEditColumn(currentIndex().column())) {
    Guard([&] {
      TField *f = FModel->FieldAt(currentIndex().column());
      if (DataSource()->Edit()) f->Clear();
    });
    return;
  }
  if (event->key() == Qt::Key_Insert && !ctrl && event->modifiers() == Qt::NoModifier) {
    if (FModel->CanEditDataSet()) Guard([&] { ds->Insert(); });
    return;
  }
  if (event->key() == Qt::Key_Escape && state() != EditingState && ds && ds->Active() &&
      (ds->State() == TDataSetState::dsEdit || ds->State() == TDataSetState::dsInsert)) {
    Guard([&] { ds->Cancel(); });
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && state() != EditingState &&
      currentIndex().isValid() && (FModel->flags(currentIndex()) & Qt::ItemIsEditable)) {
    edit(currentIndex(), EditKeyPressed, nullptr);
    return;
  }
  QTableView::keyPressEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event) {
  QTableView::mouseDoubleClickEvent(event);
  emit OnDblClick();
}

void TDBGrid::focusOutEvent(QFocusEvent *event) {
  QTableView::focusOutEvent(event);
  viewport()->update();  // the selection shows only while focused, unless always shown
  // Moving to another control drops an insert the user has not typed into.
  QWidget *next = QApplication::focusWidget();
  TDataSet *ds = DataSet();
  if ((FOptions & dgCancelOnExit) && next && !isAncestorOf(next) && ds && ds->State() == TDataSetState::dsInsert &&
      !ds->Modified() && event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
    Guard([&] { ds->Cancel(); });
}

void FitColumns(TDBGrid *grid) {
  constexpr int kMaxWidth = 400;
  for (int c = 0; c < grid->model()->columnCount(); ++c) {
    if (grid->isColumnHidden(c)) continue;
    grid->resizeColumnToContents(c);  // the title's width and the cells'
    if (grid->columnWidth(c) > kMaxWidth) grid->setColumnWidth(c, kMaxWidth);
  }
}

QList<int> ColumnWidths(const TDBGrid *grid) {
  QList<int> widths;
  for (int c = 0; c < grid->model()->columnCount(); ++c)
    widths << grid->columnWidth(c);
  return widths;
}

void SetColumnWidths(TDBGrid *grid, const QList<int> &widths) {
  if (widths.size() != grid->model()->columnCount()) return;
  for (int c = 0; c < widths.size(); ++c)
    grid->setColumnWidth(c, widths[c]);
}
