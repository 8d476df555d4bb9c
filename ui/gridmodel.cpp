#include "ui/gridmodel.h"

#include "data/valuetext.h"
#include "ui/errordisplay.h"

#include <QPalette>

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
}  // namespace

TGridModel::TGridModel(QObject *parent)
    : QAbstractTableModel(parent),
      FLink(
          this,
          [this](TDataSource *source) {
            return QList<QMetaObject::Connection>{
                connect(source, &TDataSource::DataSetChanged, this, &TGridModel::Rebuild),
                connect(source, &TDataSource::RowsAppended, this, &TGridModel::OnRowsAppended),
                connect(source, &TDataSource::RowInserted, this, &TGridModel::OnRowInserted),
                connect(source, &TDataSource::RowRemoved, this, &TGridModel::OnRowRemoved),
                connect(source, &TDataSource::RowChanged, this, &TGridModel::OnRowChanged)};
          },
          [this] { Rebuild(); }) {}

void TGridModel::Rebuild() {
  beginResetModel();
  FShown.clear();
  TDataSet *ds = DataSet();
  if (ds && ds->Active()) {
    if (FColumns.isEmpty()) {
      for (TField *f : ds->Fields())
        if (f->Visible) FShown.append({f, -1});
    } else {
      // A column whose field the dataset does not have is not shown.
      for (int i = 0; i < FColumns.size(); ++i)
        if (TField *f = ds->FindField(FColumns[i].FieldName)) FShown.append({f, i});
    }
  }
  FRowCount = ds && ds->Active() ? ds->RecordCount() : 0;
  endResetModel();
}

void TGridModel::SetShowNulls(bool on) {
  FShowNulls = on;
  Rebuild();
}

void TGridModel::SetColumns(const QList<TColumn> &columns) {
  FColumns = columns;
  Rebuild();
}

void TGridModel::AddColumn(const TColumn &column) {
  FColumns.append(column);
  Rebuild();
}

bool TGridModel::CanEditDataSet() const {
  TDataSet *ds = DataSet();
  return FEditingAllowed && !FReadOnly && ds && ds->Active() && ds->CanModify();
}

bool TGridModel::CanEditColumn(int column) const {
  if (!CanEditDataSet() || !DataSource()->CanStartEdit()) return false;
  TField *f = FieldAt(column);
  const TColumn *c = ColumnAt(column);
  return f && !f->ReadOnly && !f->Calculated && !f->IsBlob() && !(c && c->ReadOnly);
}

void TGridModel::SyncRowCount() {
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

void TGridModel::OnRowsAppended() { SyncRowCount(); }

void TGridModel::OnRowInserted(int row) {
  TDataSet *ds = DataSet();
  if (ds && ds->RecordCount() == FRowCount + 1 && row >= 0 && row <= FRowCount) {
    beginInsertRows(QModelIndex(), row, row);
    ++FRowCount;
    endInsertRows();
  }
  SyncRowCount();
}

void TGridModel::OnRowRemoved(int row) {
  if (row >= 0 && row < FRowCount) {
    beginRemoveRows(QModelIndex(), row, row);
    --FRowCount;
    endRemoveRows();
  }
  SyncRowCount();  // a delete may have fetched the rows that follow
}

void TGridModel::OnRowChanged(int row) {
  if (row >= 0 && row < FRowCount && !FShown.isEmpty()) emit dataChanged(index(row, 0), index(row, FShown.size() - 1));
}

int TGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FRowCount; }

int TGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : FShown.size(); }

TField *TGridModel::FieldAt(int column) const {
  return column >= 0 && column < FShown.size() ? FShown[column].Field.data() : nullptr;
}

int TGridModel::ColumnOfField(const TField *field) const {
  for (int i = 0; i < FShown.size(); ++i)
    if (FShown[i].Field == field) return i;
  return -1;
}

const TColumn *TGridModel::ColumnAt(int column) const {
  if (column < 0 || column >= FShown.size()) return nullptr;
  const int i = FShown[column].Explicit;
  return i >= 0 && i < FColumns.size() ? &FColumns[i] : nullptr;
}

QVariant TGridModel::data(const QModelIndex &index, int role) const {
  TDataSet *ds = DataSet();
  TField *f = FieldAt(index.column());
  if (!ds || !f || index.row() >= FRowCount) return {};
  const bool shownNull = FShowNulls && ds->RowValue(index.row(), f).isNull();
  switch (role) {
  case Qt::DisplayRole: return shownNull ? NullText() : ds->RowDisplayText(index.row(), f);
  case Qt::EditRole: return f->IsBlob() ? QVariant() : QVariant(ds->RowDisplayText(index.row(), f));
  case Qt::TextAlignmentRole:
    return int((IsNumeric(f->DataType()) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
  case Qt::BackgroundRole:
    if (const TColumn *c = ColumnAt(index.column()); c && c->Color.isValid()) return c->Color;
    return {};
  case Qt::ForegroundRole:
    if (shownNull) return QPalette().color(QPalette::PlaceholderText);
    if (const TColumn *c = ColumnAt(index.column()); c && c->FontColor.isValid()) return c->FontColor;
    return {};
  default: return {};
  }
}

bool TGridModel::setData(const QModelIndex &index, const QVariant &value, int role) {
  TDataSet *ds = DataSet();
  TField *f = FieldAt(index.column());
  if (role != Qt::EditRole || !ds || !f) return false;
  bool done = false;
  Guard([&] {
    if (index.row() != ds->RecNo()) return;
    const QString text = value.toString();
    if (text == ds->RowDisplayText(index.row(), f))
      return;  // an editor opened and closed unchanged leaves the row unmodified (and nulls null)
    if (!DataSource()->Edit()) return;
    f->SetAsString(text);
    done = true;
  });
  return done;
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal) {
    TField *f = FieldAt(section);
    const TColumn *c = ColumnAt(section);
    switch (role) {
    case Qt::DisplayRole:
      if (c && !c->Title.isEmpty()) return c->Title;
      return f ? f->DisplayLabel() : QString();
    case Qt::BackgroundRole:
      if (c && c->TitleColor.isValid()) return c->TitleColor;
      return FFixedColor.isValid() ? QVariant(FFixedColor) : QVariant();
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
  if (role == Qt::BackgroundRole && FFixedColor.isValid()) return FFixedColor;
  if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
  return {};
}

Qt::ItemFlags TGridModel::flags(const QModelIndex &index) const {
  Qt::ItemFlags fl = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (CanEditColumn(index.column())) fl |= Qt::ItemIsEditable;
  return fl;
}

bool TGridModel::canFetchMore(const QModelIndex &parent) const {
  TDataSet *ds = DataSet();
  return !parent.isValid() && ds && ds->Active() && !ds->AllFetched();
}

void TGridModel::fetchMore(const QModelIndex &parent) {
  TDataSet *ds = DataSet();
  if (parent.isValid() || !ds || !ds->Active()) return;
  Guard([&] { ds->FetchMore(kFetchBatch); });
  SyncRowCount();
}
