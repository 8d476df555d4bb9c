#pragma once
// A memo bound to one field of a data source's current row, on the shared editor (its face,
// highlighting, search and line numbers; no completion). It holds no copy of the text beyond
// what it shows: row moves, refreshes and cancels reload it; typing (unless read-only) puts
// the row into edit state through the data source and writes the text back into the field as
// it changes. The text comes back exactly as the field held it while unchanged.
#include "ui/datasource.h"
#include "ui/sqleditorwidget.h"

class TDBMemo : public TSQLEditor {
  Q_OBJECT
public:
  explicit TDBMemo(QWidget *parent = nullptr);

  TDataSource *DataSource() const { return FLink.DataSource(); }
  void SetDataSource(TDataSource *source) { FLink.SetDataSource(source); }
  QString DataField() const { return FDataField; }
  void SetDataField(const QString &fieldName);
  // The bound field of the current dataset, or null.
  TField *Field() const;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool on);

  // A paste starts the edit.
  void paste() override;

protected:
  bool event(QEvent *e) override;
  void keyPressEvent(QKeyEvent *event) override;
  bool focusNextPrevChild(bool next) override;

private:
  void LoadText();
  void UpdateEditable();
  void WriteText();
  bool StartEdit();
  // Whether the text may change: not read-only, on a field of a data source.
  bool CanChange() const { return !FReadOnly && DataSource() && Field(); }

  TDataLink FLink;
  QString FDataField;
  bool FReadOnly = false;
  bool FLoading = false;
  bool FWriting = false;
};
