#pragma once
// Reading a local table whole and changing it one row at a time, each change applied to the
// table as it is on disk at that moment (see paradox_store.h for how it gets there).
#include "drivers/paradox/format.h"
#include "drivers/paradox/store.h"

#include <QStringList>

// A table read whole, in key order, values in field form.
struct TPxSnapshot {
  TPxTable Layout;  // columns and key; Records left empty
  QStringList Required;
  QVector<TRow> Rows;
};
TPxSnapshot PxLoad(const TPxFiles &files);

// Fields marked required at creation, kept beside the table because pxlib cannot write the
// Paradox validity file.
QStringList PxReadRequired(const TPxFiles &files);

// A change of a table under its exclusive lock: rows come and go as values in field form;
// Commit writes the whole table anew, durably.
class TPxChange {
public:
  explicit TPxChange(const TPxFiles &files);
  TPxChange(const TPxChange &) = delete;
  TPxChange &operator=(const TPxChange &) = delete;

  TPxTable &Table() { return FTable; }
  const TPxCodec &Codec() const { return FCodec; }
  int Count() const { return FTable.Records.size(); }
  TRow Row(int i);                          // every value, memos read from the memo file
  QVariant KeyValue(int i, int col) const;  // a value of a column that is not a memo
  // Record with the same key values as row (keyed tables), or equal in every value; -1 if none.
  int Find(const TRow &row);
  // row must hold normalized values (PxNormalize).
  void Insert(const TRow &row);
  void Replace(int i, const TRow &row, const TRow &old);
  void Remove(int i);
  void SetKeyCount(int keyCount);  // makes the table keyed on its first keyCount fields
  void Commit();

private:
  QByteArray Encode(const TRow &row, const QByteArray *reuse, const TRow *old);
  const TPxMemoFile &Memo();
  void SortByKey();
  QList<TPxFileImage> MemoImages();

  TPxFiles FFiles;
  TPxLock FLock;
  TPxTable FTable;
  TPxCodec FCodec;
  qint64 FMemoSize;
  TPxMemoWriter FNewBlobs;
  std::unique_ptr<TPxMemoFile> FMemo;
  QVector<TRow> FKeys;  // decoded key values per record
};

// Writes a new empty table (and memo file and required list) from declared fields.
void PxCreateTable(const TPxFiles &files, const QList<TFieldDef> &fields);
