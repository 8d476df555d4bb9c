#include "drivers/firebird/txquery.h"

#include "base/errors.h"
#include "drivers/firebird/driver.h"
#include "drivers/firebird/sqlda.h"

#include <QDateTime>
#include <QScopeGuard>
#include <cstring>

namespace {
constexpr short kUtf8 = 4;  // the attachment's character set

TFieldType TypeOf(const XSQLVAR &var) {
  const short type = var.sqltype & ~1;
  switch (type) {
  case SQL_TEXT:
  case SQL_VARYING: return TFieldType::ftString;
  case SQL_SHORT:
  case SQL_LONG: return var.sqlscale < 0 ? TFieldType::ftFloat : TFieldType::ftInteger;
  case SQL_INT64: return var.sqlscale < 0 ? TFieldType::ftFloat : TFieldType::ftLargeint;
  case SQL_FLOAT:
  case SQL_DOUBLE:
  case SQL_D_FLOAT: return TFieldType::ftFloat;
  case SQL_TYPE_DATE: return TFieldType::ftDate;
  case SQL_TYPE_TIME: return TFieldType::ftTime;
  case SQL_TIMESTAMP: return TFieldType::ftDateTime;
  case SQL_BOOLEAN: return TFieldType::ftBoolean;
  case SQL_BLOB: return TFieldType::ftBlob;
  default: throw EDatabaseError(QStringLiteral("Column %1 is of a type this program cannot read").arg(var.aliasname));
  }
}

QVariant Scaled(qint64 value, short scale) {
  double v = double(value);
  for (short i = 0; i > scale; --i)
    v /= 10;
  return v;
}

// A value of type T as the client library laid it out in a column's buffer.
template <typename T>
T Read(const char *data) {
  T v;
  std::memcpy(&v, data, sizeof v);
  return v;
}

// A whole-number column's value: a double when the column keeps decimals.
template <typename Plain>
QVariant Whole(qint64 value, short scale) {
  return scale < 0 ? Scaled(value, scale) : QVariant(Plain(value));
}

QVariant ValueOf(const XSQLVAR &var, isc_db_handle db, isc_tr_handle *tr) {
  if ((var.sqltype & 1) && *var.sqlind < 0) return {};
  const char *data = var.sqldata;
  switch (var.sqltype & ~1) {
  case SQL_TEXT: {
    qsizetype n = var.sqllen;
    while (n > 0 && data[n - 1] == ' ')
      --n;
    return QString::fromUtf8(data, n);
  }
  case SQL_VARYING: return QString::fromUtf8(data + sizeof(short), Read<short>(data));
  case SQL_SHORT: return Whole<int>(Read<short>(data), var.sqlscale);
  case SQL_LONG: return Whole<int>(Read<ISC_LONG>(data), var.sqlscale);
  case SQL_INT64: return Whole<qlonglong>(Read<ISC_INT64>(data), var.sqlscale);
  case SQL_FLOAT: return double(Read<float>(data));
  case SQL_DOUBLE:
  case SQL_D_FLOAT: return Read<double>(data);
  case SQL_BOOLEAN: return *reinterpret_cast<const unsigned char *>(data) != 0;
  case SQL_TYPE_DATE: {
    tm t{};
    isc_decode_sql_date(reinterpret_cast<const ISC_DATE *>(data), &t);
    return QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  }
  case SQL_TYPE_TIME: return QTime::fromMSecsSinceStartOfDay(int(Read<ISC_TIME>(data) / 10));
  case SQL_TIMESTAMP: {
    const auto v = Read<ISC_TIMESTAMP>(data);
    tm t{};
    isc_decode_sql_date(&v.timestamp_date, &t);
    return QDateTime(QDate(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday),
                     QTime::fromMSecsSinceStartOfDay(int(v.timestamp_time / 10)));
  }
  case SQL_BLOB: return ReadBlob(db, tr, Read<ISC_QUAD>(data));
  default: return {};
  }
}

// Every row read at open; nothing is ever written through it.
class TBufferedCursor : public TCursor {
public:
  QList<TFieldDef> Defs;
  QVector<TRow> Rows;

  const QList<TFieldDef> &Columns() const override { return Defs; }
  QList<int> KeyColumns() const override { return {}; }
  bool Fetch(QVector<TRow> &out, int max) override {
    const int n = max < 0 ? int(Rows.size()) : qMin(max, int(Rows.size()));
    for (int i = 0; i < n; ++i)
      out.append(std::move(Rows[i]));
    Rows.remove(0, n);
    return !Rows.isEmpty();
  }
  bool CanModify() const override { return false; }
  void Insert(TRow &) override { ReadOnly(); }
  void Update(const TRow &, TRow &) override { ReadOnly(); }
  void Delete(const TRow &) override { ReadOnly(); }

private:
  [[noreturn]] static void ReadOnly() { throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset")); }
};
}  // namespace

std::unique_ptr<TCursor> OpenQueryIn(isc_db_handle db, isc_tr_handle *transaction, const QString &sql,
                                     const QList<QPair<QString, QVariant>> &params) {
  ISC_STATUS_ARRAY status{};
  TStatementHandle stmt(status, &db);
  CheckStatusVector(status);
  const QByteArray text = sql.toUtf8();
  TSqlda out(20);
  isc_dsql_prepare(status, transaction, &stmt.Handle, 0, text.constData(), SQL_DIALECT_V6, out.Da());
  CheckStatusVector(status);
  if (out.Da()->sqld > out.Da()->sqln) {
    out = TSqlda(out.Da()->sqld);
    isc_dsql_describe(status, &stmt.Handle, SQL_DIALECT_V6, out.Da());
    CheckStatusVector(status);
  }
  // Parameters go as UTF-8 text, which the server converts to what the statement needs.
  TSqlda in(short(params.size()));
  isc_dsql_describe_bind(status, &stmt.Handle, SQL_DIALECT_V6, in.Da());
  CheckStatusVector(status);
  if (in.Da()->sqld != params.size()) throw EDatabaseError(QStringLiteral("Wrong number of parameters"));
  std::vector<QByteArray> texts(params.size());
  std::vector<short> nulls(params.size() + out.Da()->sqld, 0);
  for (int i = 0; i < params.size(); ++i) {
    XSQLVAR &var = in.Da()->sqlvar[i];
    texts[i] = params[i].second.toString().toUtf8();
    nulls[i] = params[i].second.isNull() ? -1 : 0;
    var.sqltype = SQL_TEXT + 1;
    var.sqlsubtype = kUtf8;
    var.sqlscale = 0;
    var.sqldata = texts[i].data();
    var.sqllen = short(texts[i].size());
    var.sqlind = &nulls[i];
  }
  auto cursor = std::make_unique<TBufferedCursor>();
  const short columns = out.Da()->sqld;
  std::vector<std::vector<char>> buffers(columns);
  for (short i = 0; i < columns; ++i) {
    XSQLVAR &var = out.Da()->sqlvar[i];
    TFieldDef def;
    def.Name = QString::fromUtf8(var.aliasname, var.aliasname_length);
    def.DataType = TypeOf(var);
    def.Size = def.DataType == TFieldType::ftString ? var.sqllen : 0;
    cursor->Defs.append(def);
    var.sqltype |= 1;
    buffers[i].resize(var.sqllen + sizeof(short) + 8);
    var.sqldata = buffers[i].data();
    var.sqlind = &nulls[params.size() + i];
  }
  isc_dsql_execute(status, transaction, &stmt.Handle, SQL_DIALECT_V6, params.isEmpty() ? nullptr : in.Da());
  CheckStatusVector(status);
  for (;;) {
    const ISC_STATUS rc = isc_dsql_fetch(status, &stmt.Handle, SQL_DIALECT_V6, out.Da());
    if (rc == 100) break;
    CheckStatusVector(status);
    TRow row(columns);
    for (short i = 0; i < columns; ++i)
      row[i] = ValueOf(out.Da()->sqlvar[i], db, transaction);
    cursor->Rows.append(std::move(row));
  }
  return cursor;
}

QByteArray ReadBlob(isc_db_handle db, isc_tr_handle *tr, ISC_QUAD id) {
  ISC_STATUS_ARRAY status{};
  isc_blob_handle blob = 0;
  isc_open_blob2(status, &db, tr, &blob, &id, 0, nullptr);
  CheckStatusVector(status);
  const auto close = qScopeGuard([&blob] {
    ISC_STATUS_ARRAY s;
    isc_close_blob(s, &blob);
  });
  QByteArray bytes;
  char segment[32768];
  for (;;) {
    unsigned short got = 0;
    const ISC_STATUS rc = isc_get_segment(status, &blob, &got, sizeof segment, segment);
    if (rc == isc_segstr_eof) break;
    if (rc != 0 && rc != isc_segment) CheckStatusVector(status);
    bytes.append(segment, got);
  }
  return bytes;
}
