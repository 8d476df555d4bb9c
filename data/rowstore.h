#pragma once
// The fetched rows of a dataset, packed: each row's values are encoded one after another in
// large shared blocks, so a row costs little more than its data (a vector of variants costs
// several times as much, which a table of millions of rows cannot afford). Rows are decoded
// on demand; the last one decoded is kept.
#include "data/driver.h"

#include <QVariant>
#include <QVector>
#include <memory>
#include <vector>

struct TRecord {
  TRow Data;
  QVector<QVariant> Calc;
};

// A row built in the store's own encoding without passing through variants: what a reader of
// millions of rows appends (TRowStore::appendPacked). Values go in column order after Begin.
class TPackedRow {
public:
  void Begin(int values);
  void Null();
  void Int(qint32 v);
  void Long(qint64 v);
  void Double(double v);
  void Bool(bool v);
  void Text(const char *utf8, int n);   // a QString when read back
  void Bytes(const char *data, int n);  // a QByteArray when read back
  void Date(qint64 julianDay);
  void Time(int msecs);
  void Stamp(qint64 julianDay, int msecs);  // a QDateTime in UTC (zone-free wall clock)
  void End();
  const QByteArray &Data() const { return FData; }
  void Clear() { FData.clear(); }

private:
  QByteArray FData;
};

class TRowStore {
public:
  int size() const { return int(FRows.size()); }
  bool isEmpty() const { return FRows.empty(); }
  void clear();
  void append(const TRecord &rec) { insert(size(), rec); }
  // Appends rows packed one after another by TPackedRow; count tells how many.
  void appendPacked(const QByteArray &rows, int count);
  // Bytes the store holds (blocks and the row index), for measuring.
  qint64 byteSize() const;
  void insert(int i, const TRecord &rec);
  void set(int i, const TRecord &rec);
  void removeAt(int i);
  // Row i decoded; the reference holds until the store is read at another row or changed.
  const TRecord &operator[](int i) const;

private:
  struct Where {
    quint32 Block;
    quint32 Offset;
  };
  Where Store(const QByteArray &bytes) { return Store(bytes.constData(), quint32(bytes.size())); }
  Where Store(const char *bytes, quint32 n);

  std::vector<Where> FRows;
  std::vector<std::unique_ptr<char[]>> FBlocks;
  std::vector<quint32> FBlockSizes;
  quint32 FUsed = 0;  // bytes used in the last block
  mutable TRecord FCache;
  mutable int FCacheRow = -1;
};
