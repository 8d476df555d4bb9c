#pragma once
// The data grid: a table view over the rows of a data source's dataset. Rows are fetched as
// the view scrolls; the current cell's row is the dataset's current row.
#include "ui/gridmodel.h"

#include <QTableView>

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

class TDBGrid : public QTableView {
  Q_OBJECT
public:
  explicit TDBGrid(QWidget *parent = nullptr);

  TDataSource *DataSource() const { return FModel->DataSource(); }
  void SetDataSource(TDataSource *source);
  TDataSet *DataSet() const { return FModel->DataSet(); }

  TDBGridOptions Options() const { return FOptions; }
  void SetOptions(TDBGridOptions options);
  bool ReadOnly() const { return FModel->ReadOnly(); }
  bool ShowNulls() const { return FModel->ShowNulls(); }
  void SetShowNulls(bool on) { FModel->SetShowNulls(on); }
  void SetReadOnly(bool on) { FModel->SetReadOnly(on); }

  // Explicit columns; without any, one column per visible field titled by its DisplayLabel.
  const QList<TColumn> &Columns() const { return FModel->Columns(); }
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

  TGridModel *Model() const { return FModel; }
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
  void SaveLayout();
  void ApplyLayout();
  QStringList ColumnSignature() const;
  void SyncCurrent();
  void DeleteWithConfirmation();
  void CommitOpenEditor();

  TGridModel *FModel;
  TDBGridOptions FOptions = DefaultGridOptions();
  bool FSyncing = false;
  int FLastColumn = 0;
  // Widths as the user left them, kept over a reset that shows the same columns (a refresh).
  QStringList FSavedSignature;
  QList<int> FSavedWidths;
  TDataLink FLink;
};

// Each column as wide as its title and the cells shown need, within 400 pixels.
void FitColumns(TDBGrid *grid);
// The grid's column widths, and back (a list of another length is left alone).
QList<int> ColumnWidths(const TDBGrid *grid);
void SetColumnWidths(TDBGrid *grid, const QList<int> &widths);
