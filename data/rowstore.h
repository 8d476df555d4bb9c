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

class TRowStore {
public:
  int size() const { return int(FRows.size()); }
  bool isEmpty() const { return FRows.empty(); }
  void clear();
  void append(const TRecord &rec) { insert(size(), rec); }
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
  Where Store(const QByteArray &bytes);

  std::vector<Where> FRows;
  std::vector<std::unique_ptr<char[]>> FBlocks;
  std::vector<quint32> FBlockSizes;
  quint32 FUsed = 0;  // bytes used in the last block
  mutable TRecord FCache;
  mutable int FCacheRow = -1;
};
