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
constexpr int kFetchBatch = 200;

bool IsNumeric(TFieldType t) {
  switch (t) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint:
  case TFieldType::ftFloat:
  case TFieldType::ftBCD: return true;
  default: return false;
  }
}

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
// TDBGridModel

TDBGridModel::TDBGridModel(TDBGrid *grid) : QAbstractTableModel(grid), FGrid(grid) {}

TDataSet *TDBGridModel::DataSet() const { return FGrid->DataSet(); }

void TDBGridModel::Attach(TDataSource *source) {
  for (const auto &c : FConnections)
    disconnect(c);
  FConnections.clear();
  if (source) {
    FConnections << connect(source, &TDataSource::DataSetChanged, this, &TDBGridModel::Rebuild)
                 << connect(source, &TDataSource::RowsAppended, this, &TDBGridModel::OnRowsAppended)
                 << connect(source, &TDataSource::RowInserted, this, &TDBGridModel::OnRowInserted)
                 << connect(source, &TDataSource::RowRemoved, this, &TDBGridModel::OnRowRemoved)
                 << connect(source, &TDataSource::RowChanged, this, &TDBGridModel::OnRowChanged)
                 << connect(source, &QObject::destroyed, this, &TDBGridModel::Rebuild);
  }
  Rebuild();
}

void TDBGridModel::Rebuild() {
  beginResetModel();
  FShown.clear();
  TDataSet *ds = DataSet();
  if (ds && ds->Active()) {
    const QList<TColumn> &explicitColumns = FGrid->Columns();
    if (explicitColumns.isEmpty()) {
      for (TField *f : ds->Fields())
        if (f->Visible) FShown.append({f, -1});
    } else {
      // A column whose field the dataset does not have is not shown.
      for (int i = 0; i < explicitColumns.size(); ++i)
        if (TField *f = ds->FindField(explicitColumns[i].FieldName)) FShown.append({f, i});
    }
  }
  FRowCount = ds && ds->Active() ? ds->RecordCount() : 0;
  endResetModel();
}

void TDBGridModel::SyncRowCount() {
  TDataSet *ds = DataSet();
  const int target = ds && ds->Active() ? ds->RecordCount() : 0;
  if (target > FRowCount) {
    beginInsertRows(QModelIndex(), FRowCount, target - 1);
    FRowCount = target;
    endInsertRows();
  } else if (target < FRowCount) {
    beginRemoveRows(QModelIndex(), target, FRowCount - 1);
    FRowCount = target;
    endRemoveRows();
  }
}

void TDBGridModel::OnRowsAppended() { SyncRowCount(); }

void TDBGridModel::OnRowInserted(int row) {
  TDataSet *ds = DataSet();
  if (ds && ds->RecordCount() == FRowCount + 1 && row >= 0 && row <= FRowCount) {
    beginInsertRows(QModelIndex(), row, row);
    ++FRowCount;
    endInsertRows();
  }
  SyncRowCount();
}

void TDBGridModel::OnRowRemoved(int row) {
  if (row >= 0 && row < FRowCount) {
    beginRemoveRows(QModelIndex(), row, row);
    --FRowCount;
    endRemoveRows();
  }
  SyncRowCount();  // a delete may have fetched the rows that follow
}

void TDBGridModel::OnRowChanged(int row) {
  if (row >= 0 && row < FRowCount && !FShown.isEmpty()) emit dataChanged(index(row, 0), index(row, FShown.size() - 1));
}

int TDBGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FRowCount; }

int TDBGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FShown.size(); }

TField *TDBGridModel::FieldAt(int column) const {
  return column >= 0 && column < FShown.size() ? FShown[column].Field.data() : nullptr;
}

int TDBGridModel::ColumnOfField(const TField *field) const {
  for (int i = 0; i < FShown.size(); ++i)
    if (FShown[i].Field == field) return i;
  return -1;
}

const TColumn *TDBGridModel::ExplicitColumn(int column) const {
  if (column < 0 || column >= FShown.size()) return nullptr;
  const int i = FShown[column].Explicit;
  return i >= 0 && i < FGrid->Columns().size() ? &FGrid->Columns()[i] : nullptr;
}

QVariant TDBGridModel::data(const QModelIndex &index, int role) const {
  TDataSet *ds = DataSet();
  TField *f = FieldAt(index.column());
  if (!ds || !f || index.row() >= FRowCount) return {};
  switch (role) {
  case Qt::DisplayRole: return ds->RowDisplayText(index.row(), f);
  case Qt::EditRole: return f->IsBlob() ? QVariant() : QVariant(ds->RowDisplayText(index.row(), f));
  case Qt::TextAlignmentRole:
    return int((IsNumeric(f->DataType()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  case Qt::BackgroundRole:
    if (const TColumn *c = ExplicitColumn(index.column()); c && c->Color.isValid()) return c->Color;
    return {};
  case Qt::ForegroundRole:
    if (const TColumn *c = ExplicitColumn(index.column()); c && c->FontColor.isValid()) return c->FontColor;
    return {};
  default: return {};
  }
}

bool TDBGridModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  TDataSet *ds = DataSet();
  TField *f = FieldAt(index.column());
  if (role != Qt::EditRole || !ds || !f) return false;
  bool done = false;
  Guard([&] {
    if (index.row() != ds->RecNo()) return;
    const QString text = value.toString();
    if (text == ds->RowDisplayText(index.row(), f))
      return;  // an editor opened and closed unchanged leaves the row unmodified (and nulls null)
    if (!FGrid->DataSource()->Edit()) return;
    f->SetAsString(text);
    done = true;
  });
  return done;
}

QVariant TDBGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    TField *f = FieldAt(section);
    const TColumn *c = ExplicitColumn(section);
    switch (role) {
    case Qt::DisplayRole:
      if (c && !c->Title.isEmpty()) return c->Title;
      return f ? f->DisplayLabel() : QString();
    case Qt::BackgroundRole:
      if (c && c->TitleColor.isValid()) return c->TitleColor;
      return FGrid->FFixedColor.isValid() ? QVariant(FGrid->FFixedColor) : QVariant();
    default: return {};
    }
  }
  if (role == Qt::DisplayRole) {
    TDataSet *ds = DataSet();
    if (!ds || section != ds->RecNo()) return QString();
    switch (ds->State()) {
    case TDataSetState::dsEdit: return QStringLiteral("I");
    case TDataSetState::dsInsert: return QStringLiteral("*");
    default: return QString(QChar(0x25B6));
    }
  }
  if (role == Qt::BackgroundRole && FGrid->FFixedColor.isValid()) return FGrid->FFixedColor;
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (FGrid->CanEditColumn(index.column())) fl |= Qt::ItemIsEditable;
  return fl;
}

bool TDBGridModel::canFetchMore(const QModelIndex &parent) const {
  TDataSet *ds = DataSet();
  return !parent.isValid() && ds && ds->Active() && !ds->AllFetched();
}

void TDBGridModel::fetchMore(const QModelIndex &parent) {
  TDataSet *ds = DataSet();
  if (parent.isValid() || !ds || !ds->Active()) return;
  Guard([&] { ds->FetchMore(kFetchBatch); });
  SyncRowCount();
}

// ---------------------------------------------------------------------------------------------
// TDBGrid

TDBGrid::TDBGrid(QWidget *parent) : QTableView(parent), FModel(new TDBGridModel(this)) {
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
  for (const auto &c : FConnections)
    disconnect(c);
  FConnections.clear();
  FDataSource = source;
  if (source) {
    // The model follows the rows first; the current cell follows once they are in place.
    FModel->Attach(source);
    auto indicator = [this] { verticalHeader()->viewport()->update(); };
    // A source turned to another dataset, open already, has its current row marked at once.
    FConnections << connect(source, &TDataSource::Scrolled, this, &TDBGrid::SyncCurrent)
                 << connect(source, &TDataSource::DataSetChanged, this, &TDBGrid::SyncCurrent)
                 << connect(source, &TDataSource::Scrolled, this, indicator)
                 << connect(source, &TDataSource::StateChanged, this, indicator)
                 << connect(source, &TDataSource::UpdateData, this, &TDBGrid::CommitOpenEditor);
  } else {
    FModel->Attach(nullptr);
  }
  SyncCurrent();
}

void TDBGrid::SetOptions(TDBGridOptions options) {
  FOptions = options;
  ApplyLayout();
  viewport()->update();
}

void TDBGrid::SetColumns(const QList<TColumn> &columns) {
  FColumns = columns;
  FModel->Rebuild();
  SyncCurrent();
}

void TDBGrid::AddColumn(const TColumn &column) {
  FColumns.append(column);
  FModel->Rebuild();
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
  FFixedColor = color;
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
    const TColumn *c = FModel->ExplicitColumn(i);
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

bool TDBGrid::CanEditDataSet() const {
  TDataSet *ds = DataSet();
  return (FOptions & dgEditing) && !FReadOnly && ds && ds->Active() && ds->CanModify();
}

bool TDBGrid::CanEditColumn(int column) const {
  if (!CanEditDataSet() || !FDataSource->CanStartEdit()) return false;
  TField *f = FModel->FieldAt(column);
  const TColumn *c = FModel->ExplicitColumn(column);
  return f && !f->ReadOnly && !f->Calculated && !f->IsBlob() && !(c && c->ReadOnly);
}

bool TDBGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) {
  const bool opens = index.isValid() && state() != EditingState && (FModel->flags(index) & Qt::ItemIsEditable) &&
                     (trigger == AllEditTriggers || (trigger & editTriggers())) &&
                     !(trigger == SelectedClicked && !selectionModel()->isSelected(index));
  if (opens) {
    TDataSet *ds = DataSet();
    if (index.row() != ds->RecNo()) return false;
    bool editing = false;
    Guard([&] { editing = FDataSource->Edit(); });
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
  if (!ds || !ds->Active() || FReadOnly || ds->IsEmpty() || !ds->CanModify()) return;
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
      currentIndex().isValid() && CanEditColumn(currentIndex().column())) {
    Guard([&] {
      TField *f = FModel->FieldAt(currentIndex().column());
      if (FDataSource->Edit()) f->Clear();
    });
    return;
  }
  if (event->key() == Qt::Key_Insert && !ctrl && event->modifiers() == Qt::NoModifier) {
    if (CanEditDataSet()) Guard([&] { ds->Insert(); });
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
