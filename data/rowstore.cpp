#include "data/rowstore.h"

#include <QDataStream>
#include <QDate>
#include <QDateTime>
#include <QIODevice>
#include <QTime>
#include <cstring>

namespace {
constexpr quint32 kBlockSize = 1 << 20;

enum Tag : char { tNull, tInt, tLong, tDouble, tString, tBytes, tDate, tTime, tDateTime, tBool, tOther };

template <class T>
void Put(QByteArray &out, T v) {
  out.append(reinterpret_cast<const char *>(&v), sizeof v);
}
template <class T>
T Take(const char *&p) {
  T v;
  memcpy(&v, p, sizeof v);
  p += sizeof v;
  return v;
}

void PutBytes(QByteArray &out, char tag, const QByteArray &bytes) {
  out.append(tag);
  Put<quint32>(out, quint32(bytes.size()));
  out.append(bytes);
}

void Encode(QByteArray &out, const QVariant &v) {
  if (v.isNull()) return void(out.append(tNull));
  switch (v.userType()) {
  case QMetaType::Int: out.append(tInt), Put<qint32>(out, v.toInt()); return;
  case QMetaType::LongLong: out.append(tLong), Put<qint64>(out, v.toLongLong()); return;
  case QMetaType::Double: out.append(tDouble), Put<double>(out, v.toDouble()); return;
  case QMetaType::Bool: out.append(tBool), out.append(char(v.toBool())); return;
  case QMetaType::QString: return PutBytes(out, tString, v.toString().toUtf8());
  case QMetaType::QByteArray: return PutBytes(out, tBytes, v.toByteArray());
  case QMetaType::QDate: out.append(tDate), Put<qint64>(out, v.toDate().toJulianDay()); return;
  case QMetaType::QTime: out.append(tTime), Put<qint32>(out, v.toTime().msecsSinceStartOfDay()); return;
  case QMetaType::QDateTime: {
    const QDateTime d = v.toDateTime();
    if (d.timeSpec() == Qt::LocalTime || d.timeSpec() == Qt::UTC) {
      out.append(tDateTime);
      out.append(char(d.timeSpec()));
      Put<qint64>(out, d.date().toJulianDay());
      Put<qint32>(out, d.time().msecsSinceStartOfDay());
      return;
    }
    break;
  }
  default: break;
  }
  QByteArray other;
  QDataStream s(&other, QIODevice::WriteOnly);
  s << v;
  PutBytes(out, tOther, other);
}

QVariant Decode(const char *&p) {
  const char tag = *p++;
  switch (tag) {
  case tNull: return {};
  case tInt: return Take<qint32>(p);
  case tLong: return qlonglong(Take<qint64>(p));
  case tDouble: return Take<double>(p);
  case tBool: return bool(*p++);
  case tDate: return QDate::fromJulianDay(Take<qint64>(p));
  case tTime: return QTime::fromMSecsSinceStartOfDay(Take<qint32>(p));
  case tDateTime: {
    const auto zone = Qt::TimeSpec(*p++);
    const QDate d = QDate::fromJulianDay(Take<qint64>(p));
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(Take<qint32>(p)), zone);
  }
  default: break;
  }
  const quint32 n = Take<quint32>(p);
  const QByteArray bytes(p, qsizetype(n));
  p += n;
  if (tag == tString) return QString::fromUtf8(bytes);
  if (tag == tBytes) return bytes;
  QVariant v;
  QDataStream s(bytes);
  s >> v;
  return v;
}

QByteArray EncodeRecord(const TRecord &rec) {
  QByteArray out;
  Put<quint32>(out, quint32(rec.Data.size()));
  for (const QVariant &v : rec.Data)
    Encode(out, v);
  Put<quint32>(out, quint32(rec.Calc.size()));
  for (const QVariant &v : rec.Calc)
    Encode(out, v);
  return out;
}
}  // namespace

void TRowStore::clear() {
  FRows = {};
  FBlocks.clear();
  FBlockSizes.clear();
  FUsed = 0;
  FCacheRow = -1;
}

// Appends the bytes to the last block, or to a new one (a row larger than a block gets a
// block of its own). A replaced row's old bytes stay where they were until the store is cleared.
TRowStore::Where TRowStore::Store(const char *bytes, quint32 n) {
  if (FBlocks.empty() || FUsed + n > FBlockSizes.back()) {
    const quint32 size = qMax(n, kBlockSize);
    FBlocks.push_back(std::make_unique<char[]>(size));
    FBlockSizes.push_back(size);
    FUsed = 0;
  }
  memcpy(FBlocks.back().get() + FUsed, bytes, n);
  Where w{quint32(FBlocks.size() - 1), FUsed};
  FUsed += n;
  return w;
}

// The length of one packed row: walks its values.
static quint32 PackedLength(const char *start) {
  const char *p = start;
  for (int part = 0; part < 2; ++part) {
    const quint32 n = Take<quint32>(p);
    for (quint32 i = 0; i < n; ++i) {
      switch (*p++) {
      case tNull: break;
      case tInt: p += 4; break;
      case tLong:
      case tDouble:
      case tDate: p += 8; break;
      case tTime: p += 4; break;
      case tBool: p += 1; break;
      case tDateTime: p += 1 + 8 + 4; break;
      default: p += Take<quint32>(p); break;
      }
    }
  }
  return quint32(p - start);
}

void TRowStore::appendPacked(const QByteArray &rows, int count) {
  const char *p = rows.constData();
  for (int i = 0; i < count; ++i) {
    const quint32 n = PackedLength(p);
    FRows.push_back(Store(p, n));
    p += n;
  }
  FCacheRow = -1;
}

qint64 TRowStore::byteSize() const {
  qint64 n = qint64(FRows.capacity() * sizeof(Where));
  for (quint32 s : FBlockSizes)
    n += s;
  return n;
}

void TPackedRow::Begin(int values) { Put<quint32>(FData, quint32(values)); }
void TPackedRow::Null() { FData.append(tNull); }
void TPackedRow::Int(qint32 v) { FData.append(tInt), Put(FData, v); }
void TPackedRow::Long(qint64 v) { FData.append(tLong), Put(FData, v); }
void TPackedRow::Double(double v) { FData.append(tDouble), Put(FData, v); }
void TPackedRow::Bool(bool v) { FData.append(tBool), FData.append(char(v)); }
void TPackedRow::Text(const char *utf8, int n) { PutBytes(FData, tString, QByteArray::fromRawData(utf8, n)); }
void TPackedRow::Bytes(const char *data, int n) { PutBytes(FData, tBytes, QByteArray::fromRawData(data, n)); }
void TPackedRow::Date(qint64 julianDay) { FData.append(tDate), Put(FData, julianDay); }
void TPackedRow::Time(int msecs) { FData.append(tTime), Put<qint32>(FData, msecs); }
void TPackedRow::Stamp(qint64 julianDay, int msecs) {
  FData.append(tDateTime);
  FData.append(char(Qt::UTC));
  Put(FData, julianDay);
  Put<qint32>(FData, msecs);
}
void TPackedRow::End() { Put<quint32>(FData, 0); }

void TRowStore::insert(int i, const TRecord &rec) {
  FRows.insert(FRows.begin() + i, Store(EncodeRecord(rec)));
  FCacheRow = -1;
}

void TRowStore::set(int i, const TRecord &rec) {
  FRows[size_t(i)] = Store(EncodeRecord(rec));
  FCacheRow = -1;
}

void TRowStore::removeAt(int i) {
  FRows.erase(FRows.begin() + i);
  FCacheRow = -1;
}

const TRecord &TRowStore::operator[](int i) const {
  if (i == FCacheRow) return FCache;
  const Where w = FRows[size_t(i)];
  const char *p = FBlocks[w.Block].get() + w.Offset;
  FCache.Data.resize(int(Take<quint32>(p)));
  for (QVariant &v : FCache.Data)
    v = Decode(p);
  FCache.Calc.resize(int(Take<quint32>(p)));
  for (QVariant &v : FCache.Calc)
    v = Decode(p);
  FCacheRow = i;
  return FCache;
}
