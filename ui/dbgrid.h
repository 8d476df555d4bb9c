#pragma once
// The data grid: a table view over the rows of a data source's dataset. Rows are fetched as
// the view scrolls; the current cell's row is the dataset's current row.
#include "ui/datasource.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QTableView>

class TDBGrid;

enum TDBGridOption {
  dgEditing = 0x001,
  dgTitles = 0x002,
  dgIndicator = 0x004,
  dgColumnResize = 0x008,
  dgColLines = 0x010,
  dgRowLines = 0x020,
  dgTabs = 0x040,
  dgAlwaysShowSelection = 0x080,
  dgConfirmDelete = 0x100,
  dgCancelOnExit = 0x200,
};
Q_DECLARE_FLAGS(TDBGridOptions, TDBGridOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDBGridOptions)

constexpr TDBGridOptions DefaultGridOptions() {
  return TDBGridOptions(dgEditing | dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgTabs |
                        dgConfirmDelete | dgCancelOnExit);
}

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

// The model the grid shows: one row per fetched row, one column per grid column.
class TDBGridModel : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TDBGridModel(TDBGrid *grid);

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  bool setData(const QModelIndex &index, const QVariant &value, int role) override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex &index) const override;
  bool canFetchMore(const QModelIndex &parent) const override;
  void fetchMore(const QModelIndex &parent) override;

  TField *FieldAt(int column) const;
  int ColumnOfField(const TField *field) const;
  // Re-reads the column list and the rows (after a change of columns or dataset).
  void Rebuild();

private:
  friend class TDBGrid;
  struct ShownColumn {
    QPointer<TField> Field;
    int Explicit = -1;  // index into the grid's explicit columns, or -1
  };
  TDataSet *DataSet() const;
  const TColumn *ExplicitColumn(int column) const;
  void Attach(TDataSource *source);
  void OnRowsAppended();
  void OnRowInserted(int row);
  void OnRowRemoved(int row);
  void OnRowChanged(int row);
  void SyncRowCount();

  TDBGrid *FGrid;
  QList<ShownColumn> FShown;
  int FRowCount = 0;
  QList<QMetaObject::Connection> FConnections;
};

class TDBGrid : public QTableView {
  Q_OBJECT
public:
  explicit TDBGrid(QWidget *parent = nullptr);

  TDataSource *DataSource() const { return FDataSource; }
  void SetDataSource(TDataSource *source);
  TDataSet *DataSet() const { return FDataSource ? FDataSource->DataSet() : nullptr; }

  TDBGridOptions Options() const { return FOptions; }
  void SetOptions(TDBGridOptions options);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool on) { FReadOnly = on; }

  // Explicit columns; without any, one column per visible field titled by its DisplayLabel.
  const QList<TColumn> &Columns() const { return FColumns; }
  void SetColumns(const QList<TColumn> &columns);
  void AddColumn(const TColumn &column);
  void AddColumn(const QString &fieldName, const QString &title = QString());
  void ClearColumns();

  // Background of the cells, and of the titles and the row indicator.
  void SetColor(const QColor &color);
  void SetFixedColor(const QColor &color);
  void SetTitleFont(const QFont &font);

  // The field of the selected column, or null; and whether it is a memo.
  TField *SelectedField() const;
  bool SelectedFieldIsMemo() const;
  int SelectedIndex() const;
  void SetSelectedIndex(int column);

  TDBGridModel *Model() const { return FModel; }
  // Width in pixels a column gets from its field's DisplayWidth (and its title).
  int DefaultColumnWidth(int column) const;

signals:
  void OnDblClick();

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void mouseDoubleClickEvent(QMouseEvent *event) override;
  void focusOutEvent(QFocusEvent *event) override;
  void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
  bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;

private:
  friend class TDBGridModel;
  void SaveLayout();
  void ApplyLayout();
  QStringList ColumnSignature() const;
  void SyncCurrent();
  void DeleteWithConfirmation();
  bool CanEditDataSet() const;
  bool CanEditColumn(int column) const;
  void CommitOpenEditor();

  QPointer<TDataSource> FDataSource;
  TDBGridModel *FModel;
  TDBGridOptions FOptions = DefaultGridOptions();
  bool FReadOnly = false;
  QList<TColumn> FColumns;
  QColor FFixedColor;
  bool FSyncing = false;
  int FLastColumn = 0;
  // Widths as the user left them, kept over a reset that shows the same columns (a refresh).
  QStringList FSavedSignature;
  QList<int> FSavedWidths;
  QList<QMetaObject::Connection> FConnections;
};
