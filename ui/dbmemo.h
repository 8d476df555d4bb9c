#pragma once
// A memo bound to one field of a data source's current row. It holds no copy of the text
// beyond what it shows: row moves, refreshes and cancels reload it; typing (unless
// read-only) puts the row into edit state through the data source and writes the text
// back into the field as it changes.
#include "ui/datasource.h"

#include <QPlainTextEdit>

class TDBMemo : public QPlainTextEdit {
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

protected:
  void keyPressEvent(QKeyEvent *event) override;
  void insertFromMimeData(const QMimeData *source) override;

private:
  void LoadText();
  void UpdateEditable();
  void WriteText();
  bool StartEdit();

  TDataLink FLink;
  QString FDataField;
  bool FReadOnly = false;
  bool FLoading = false;
  bool FWriting = false;
};
