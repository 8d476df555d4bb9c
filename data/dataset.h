#pragma once
// Datasets: a current row over the rows of a table or a query, declared or automatic fields,
// edit states, filter and calculated-field hooks, and signals that data-aware controls follow.
#include "base/lines.h"
#include "data/driver.h"
#include "data/rowstore.h"

#include <QIODevice>
#include <QObject>
#include <QVariant>
#include <functional>
#include <memory>

class TDatabase;
class TDataSet;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

class TField : public QObject {
  Q_OBJECT
public:
  TField(TDataSet *owner, TFieldType type, const QString &fieldName, int size = 0);

  TDataSet *DataSet() const { return FDataSet; }
  TFieldType DataType() const { return FDataType; }
  QString FieldName;
  QString DisplayLabel() const { return FDisplayLabel.isEmpty() ? FieldName : FDisplayLabel; }
  void SetDisplayLabel(const QString &s) { FDisplayLabel = s; }
  int DisplayWidth() const { return FDisplayWidth > 0 ? FDisplayWidth : DefaultDisplayWidth(); }
  void SetDisplayWidth(int w) { FDisplayWidth = w; }
  bool Visible = true;
  bool Calculated = false;
  bool Required = false;
  bool ReadOnly = false;
  int Size = 0;
  bool IsBlob() const { return FDataType == TFieldType::ftMemo || FDataType == TFieldType::ftBlob; }
  bool IsMemo() const { return FDataType == TFieldType::ftMemo; }

  QVariant Value() const;
  void SetValue(const QVariant &v);
  bool IsNull() const { return Value().isNull(); }
  void Clear() { SetValue(QVariant()); }
  QString AsString() const;            // null or no row: empty text
  void SetAsString(const QString &s);  // string fields keep their first Size characters
  int AsInteger() const;               // null or no row: 0
  void SetAsInteger(int v) { SetValue(v); }
  double AsFloat() const { return Value().toDouble(); }
  // The text a grid shows: memos show "(MEMO)" or "(Memo)"; others AsString.
  QString DisplayText() const;

  int Index() const;
  int ColumnIndex = -1;  // driver column of a data field (set at open)
  int CalcIndex = -1;    // slot of a calculated field

private:
  friend class TDataSet;
  int DefaultDisplayWidth() const;
  TDataSet *FDataSet;
  TFieldType FDataType;
  QString FDisplayLabel;
  int FDisplayWidth = 0;
};

class TStringField : public TField {
public:
  TStringField(TDataSet *owner, const QString &name, int size = 20) : TField(owner, TFieldType::ftString, name, size) {}
};
class TSmallintField : public TField {
public:
  TSmallintField(TDataSet *owner, const QString &name) : TField(owner, TFieldType::ftSmallint, name) {}
};
class TIntegerField : public TField {
public:
  TIntegerField(TDataSet *owner, const QString &name) : TField(owner, TFieldType::ftInteger, name) {}
};
class TFloatField : public TField {
public:
  TFloatField(TDataSet *owner, const QString &name) : TField(owner, TFieldType::ftFloat, name) {}
};
class TDateTimeField : public TField {
public:
  TDateTimeField(TDataSet *owner, const QString &name) : TField(owner, TFieldType::ftDateTime, name) {}
};
class TMemoField : public TField {
public:
  TMemoField(TDataSet *owner, const QString &name, int size = 0) : TField(owner, TFieldType::ftMemo, name, size) {}
};
class TBlobField : public TField {
public:
  TBlobField(TDataSet *owner, const QString &name) : TField(owner, TFieldType::ftBlob, name) {}
};

// Sets a declared field's label and width in characters (an empty label or a width of 0 keeps
// the field's own) and its visibility; returns the field.
TField *DeclareField(TField *field, const QString &label, int width, bool visible = true);

class TDataSet : public QObject {
  Q_OBJECT
public:
  explicit TDataSet(QObject *owner = nullptr);
  ~TDataSet() override;

  // The alias of the database (TSession::Default()).
  QString DatabaseName;
  TDatabase *Database() const;

  // Fields: declared ones are created with the dataset as owner before Open and kept;
  // without declared fields one field per column is created at Open and freed at Close.
  const QList<TField *> &Fields() const { return FFields; }
  int FieldCount() const { return FFields.size(); }
  TField *FindField(const QString &name) const;
  TField *FieldByName(const QString &name) const;  // raises "Field 'X' not found"
  void AddField(TField *field);                    // called by TField's constructor

  void Open();
  void Close();
  bool Active() const { return FState != TDataSetState::dsInactive; }
  void SetActive(bool on) { on ? Open() : Close(); }
  TDataSetState State() const { return FState; }
  void Refresh();

  // Navigation. RecNo is 0-based here; -1 when there is no row.
  void First();
  void Last();
  void Next();
  void Prior();
  int MoveBy(int distance);
  bool Bof() const { return FBof; }
  bool Eof() const { return FEof; }
  bool IsEmpty() const { return FRows.isEmpty(); }
  int RecNo() const { return FRecNo; }
  void SetRecNo(int row);                           // fetches as needed
  int RecordCount() const { return FRows.size(); }  // rows fetched so far
  bool AllFetched() const { return !FMoreRows; }
  int FetchMore(int count);  // returns the number of rows added
  void FetchAll();
  // Locates the first row whose field has the value (fetches as needed).
  bool Locate(const QString &fieldName, const QVariant &value);

  // Editing.
  bool CanModify() const;
  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();  // posts a pending change when the row is modified, else cancels
  bool Modified() const { return FModified; }

  // Hooks.
  bool Filtered = false;
  void SetFiltered(bool on);
  // Applies the filter again to the rows read since the last open or refresh, without reading
  // them again (a change of the filter's criterion on a read-only dataset); rows not read yet
  // are filtered as they come. A dataset that can be modified is refreshed instead.
  void Refilter();
  std::function<void(TDataSet *DataSet, bool &Accept)> OnFilterRecord;
  std::function<void(TDataSet *DataSet)> OnCalcFields;
  std::function<void(TDataSet *DataSet)> AfterOpen;
  std::function<void(TDataSet *DataSet)> AfterScroll;

  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return FDisableCount > 0; }

  // Values of any fetched row (for grids): the field's value in row `row`.
  QVariant RowValue(int row, const TField *field) const;
  QString RowDisplayText(int row, const TField *field) const;

  // Used by TField.
  QVariant FieldValue(const TField *field) const;
  void SetFieldValue(TField *field, const QVariant &v);

signals:
  void DataSetChanged();  // opened, closed, refreshed, re-filtered: read everything again
  void RowsAppended(int first, int last);
  void RowInserted(int row);
  void RowRemoved(int row);
  void RowChanged(int row);  // values of a row changed
  void Scrolled();           // the current row moved
  void StateChanged();

protected:
  // Opens the driver's cursor for this dataset.
  virtual std::unique_ptr<TCursor> CreateCursor(TDriverConnection &conn) = 0;
  // The columns of the declared data fields (none without declared fields).
  QStringList DeclaredColumns() const;

private:
  using Record = TRecord;
  const Record *ActiveRecord() const;
  void BindFields();
  void FreeAutoFields();
  bool Accepts(Record &rec);
  void Calculate(Record &rec);
  int FetchInto(int count);
  void SetState(TDataSetState s);
  void StartInsert(int row);
  void SetRecNoInternal(int row, bool notify = true);
  void CheckActive() const;
  void CheckRequired();
  void DropCursor();
  int FindRow(const TRow &key) const;
  TRow KeyOf(const TRow &row) const;
  void NotifyChanged();
  void WithConflictAdvice(const std::function<void()> &change);

  std::unique_ptr<TCursor> FCursor;
  QList<TField *> FFields;
  QList<TField *> FAutoFields;
  TRowStore FRows;
  TRowStore FRead;          // every row a read-only dataset has read, accepted or not
  QList<int> FTextColumns;  // blob columns under a declared memo field: read as text
  Record FEditBuffer;
  Record FOldBuffer;
  Record *FCalcRecord = nullptr;  // record being filtered or calculated
  TDataSetState FState = TDataSetState::dsInactive;
  int FRecNo = -1;
  bool FBof = true, FEof = true;
  bool FMoreRows = false;
  bool FModified = false;
  int FDisableCount = 0;
  bool FPendingChange = false;
  TDatabase *FBoundDatabase = nullptr;
  friend class TField;
};

class TTable : public TDataSet {
  Q_OBJECT
public:
  explicit TTable(QObject *owner = nullptr) : TDataSet(owner) {}
  QString TableName;
  QString IndexFieldNames;  // "A;B": the row order
  bool ReadOnly = false;
  // Creates the table on a closed TTable from the declared non-calculated fields.
  void CreateTable();
  // Adds an index (name may be empty for a primary index).
  void AddIndex(const QString &name, const QString &fields, bool primary, bool unique = true);

protected:
  std::unique_ptr<TCursor> CreateCursor(TDriverConnection &conn) override;
};

class TQuery : public TDataSet {
  Q_OBJECT
public:
  explicit TQuery(QObject *owner = nullptr) : TDataSet(owner) {}
  TStringList SQL;
  // Parameters ":Name" or ":\"Name\"", matched without regard to case.
  void ParamByName(const QString &name, const QVariant &value);
  QStringList ParamNames() const;  // in order of first appearance, as written

protected:
  std::unique_ptr<TCursor> CreateCursor(TDriverConnection &conn) override;

private:
  QList<QPair<QString, QVariant>> FParams;
};

enum class TBlobStreamMode { bmRead, bmWrite };

// A stream over a memo field of the current row. Read mode yields the whole text (nothing
// without a current row or for null); write mode needs edit or insert state, empties the
// memo and sets it as the stream is written.
class TBlobStream : public QIODevice {
public:
  TBlobStream(TField *field, TBlobStreamMode mode);
  ~TBlobStream() override;
  qint64 size() const override { return FData.size(); }
  bool isSequential() const override { return false; }

protected:
  qint64 readData(char *data, qint64 maxlen) override;
  qint64 writeData(const char *data, qint64 len) override;

private:
  TField *FField;
  TBlobStreamMode FMode;
  QByteArray FData;
};
