#pragma once
// What a data grid shows: one row per fetched row of a data source's dataset, one column per
// grid column, and which of its cells may be edited. The view only asks.
#include "ui/datasource.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>

// An explicit grid column. Unset colours and widths fall back to the grid's and the field's.
struct TColumn {
  QString FieldName;
  QString Title;      // empty: the field's DisplayLabel
  QColor Color;       // cell background
  QColor FontColor;   // cell text
  QColor TitleColor;  // title background
  int Width = -1;     // pixels; -1: the field's DisplayWidth in characters
  bool ReadOnly = false;
};

class TGridModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TGridModel(QObject *parent = nullptr);

  TDataSource *DataSource() const { return FLink.DataSource(); }
  void SetDataSource(TDataSource *source) { FLink.SetDataSource(source); }
  TDataSet *DataSet() const { return FLink.DataSet(); }

  // Explicit columns; without any, one column per visible field titled by its DisplayLabel.
  const QList<TColumn> &Columns() const { return FColumns; }
  void SetColumns(const QList<TColumn> &columns);
  void AddColumn(const TColumn &column);

  // Background of the titles and the row indicator where a column sets none.
  void SetFixedColor(const QColor &color) { FFixedColor = color; }
  // Whether a null cell shows a dimmed "<null>" rather than what an empty value shows. Display
  // only: an editor starts from empty text and leaves the value null unless something is typed.
  bool ShowNulls() const { return FShowNulls; }
  void SetShowNulls(bool on);

  // Edit rules. A cell may be edited while editing is allowed, the model is not read-only, the
  // source may start an edit of a modifiable dataset, and neither field nor column is read-only.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool on) { FReadOnly = on; }
  bool EditingAllowed() const { return FEditingAllowed; }
  void SetEditingAllowed(bool on) { FEditingAllowed = on; }
  bool CanEditDataSet() const;
  bool CanEditColumn(int column) const;

  TField *FieldAt(int column) const;
  // The explicit column shown at a column, or null.
  const TColumn *ColumnAt(int column) const;
  int ColumnOfField(const TField *field) const;
  // Re-reads the column list and the rows (after a change of columns or dataset).
  void Rebuild();

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool canFetchMore(const QModelIndex &parent) const override;
  void fetchMore(const QModelIndex &parent) override;

private:
  struct ShownColumn {
    QPointer<TField> Field;
    int Explicit = -1;  // index into FColumns, or -1
  };
  void OnRowsAppended();
  void OnRowInserted(int row);
  void OnRowRemoved(int row);
  void OnRowChanged(int row);
  void SyncRowCount();

  TDataLink FLink;
  QList<TColumn> FColumns;
  QColor FFixedColor;
  bool FReadOnly = false;
  bool FEditingAllowed = true;
  bool FShowNulls = false;
  QList<ShownColumn> FShown;
  int FRowCount = 0;
};
