#include "drivers/firebird/posts.h"

#include "drivers/firebird/driver.h"
#include "drivers/firebird/sqlda.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QTime>
#include <cstring>
#include <memory>
#include <vector>

namespace {
constexpr short kOctets = 1;        // bytes, never converted
constexpr short kUtf8 = 4;          // the attachment's character set, UTF8
constexpr int kNonTextRoom = 512;   // room for any number, date, time or boolean as text
constexpr int kMaxVarying = 32765;  // the longest VARCHAR in bytes

// The server's words for a held row ("deadlock", "update conflicts with concurrent update") mean
// little to a user: a sentence that does comes first, the server's text after it.
const QString kRowHeld =
    QStringLiteral("Another transaction is changing this row; commit or roll it back, then post again");

[[noreturn]] void Raise(const ISC_STATUS *status) {
  const QString message = StatusText(status, u'\n');
  const ISC_STATUS code = status[1];
  if (code == isc_lock_conflict || code == isc_deadlock || code == isc_update_conflict || code == isc_lock_timeout)
    throw ELockConflict(kRowHeld + QLatin1Char('\n') + message);
  throw EDatabaseError(message);
}

using Sqlda = TSqlda;

// A statement and its transaction, released on every path; the transaction is rolled back
// unless committed.
class Post {
public:
  explicit Post(isc_db_handle db) : FDb(db) {
    static const char tpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_read_committed, isc_tpb_rec_version,
                               isc_tpb_nowait};
    isc_start_transaction(FStatus, &FTr, 1, &FDb, short(sizeof tpb), tpb);
    if (IsStatusError(FStatus)) Raise(FStatus);
    isc_dsql_allocate_statement(FStatus, &FDb, &FStmt);
    Check();
  }
  ~Post() {
    ISC_STATUS_ARRAY s;
    if (FStmt) isc_dsql_free_statement(s, &FStmt, DSQL_drop);
    if (FTr) isc_rollback_transaction(s, &FTr);
  }
  void Check() {
    if (IsStatusError(FStatus)) Raise(FStatus);
  }
  ISC_STATUS_ARRAY FStatus{};
  isc_db_handle FDb;
  isc_tr_handle FTr = 0;
  isc_stmt_handle FStmt = 0;
};

ISC_QUAD WriteBlob(Post &p, const QByteArray &bytes) {
  ISC_QUAD id{};
  isc_blob_handle blob = 0;
  isc_create_blob2(p.FStatus, &p.FDb, &p.FTr, &blob, &id, 0, nullptr);
  p.Check();
  for (qsizetype at = 0; at < bytes.size(); at += 32767) {
    const unsigned short n = static_cast<unsigned short>(qMin<qsizetype>(32767, bytes.size() - at));
    isc_put_segment(p.FStatus, &blob, n, bytes.constData() + at);
    if (IsStatusError(p.FStatus)) {
      ISC_STATUS_ARRAY s;
      isc_cancel_blob(s, &blob);
      p.Check();
    }
  }
  isc_close_blob(p.FStatus, &blob);
  p.Check();
  return id;
}

// Room for a returned value as UTF-8 text. Text comes as long as the server described it:
// already in UTF-8 bytes, or in bytes of the column's own character set (NONE and the
// single-byte sets), where a character may take up to four bytes in UTF-8.
short ReturnedRoom(const XSQLVAR &var) {
  const short type = var.sqltype & ~1;
  if (type != SQL_TEXT && type != SQL_VARYING) return short(kNonTextRoom);
  const int bytes = (var.sqlsubtype & 0xFF) == kUtf8 ? var.sqllen : 4 * var.sqllen;
  return short(qBound(1, bytes, kMaxVarying));
}

bool IsOctets(const XSQLVAR &var) {
  const short type = var.sqltype & ~1;
  return (type == SQL_TEXT || type == SQL_VARYING) && (var.sqlsubtype & 0xFF) == kOctets;
}

// A binary floating-point number, which text of the server's few digits would not bring back.
bool IsFloating(const XSQLVAR &var) {
  const short type = var.sqltype & ~1;
  return (type == SQL_DOUBLE || type == SQL_FLOAT) && var.sqlscale == 0;
}

// Points a returned column at its buffer: bytes and floating-point numbers stay as the server
// described them, everything else comes as UTF-8 text.
void BindReturned(XSQLVAR &var, std::vector<char> &buffer, short *null) {
  if (!IsOctets(var) && !IsFloating(var)) {
    const short room = ReturnedRoom(var);
    var.sqltype = SQL_VARYING + 1;
    var.sqlsubtype = kUtf8;
    var.sqlscale = 0;
    var.sqllen = room;
  } else {
    var.sqltype |= 1;
  }
  buffer.resize(var.sqllen + sizeof(short));
  var.sqldata = buffer.data();
  var.sqlind = null;
}

// A returned value: null, bytes (a CHAR keeps its padding) or text.
QVariant ReturnedValue(const XSQLVAR &var) {
  if (*var.sqlind < 0) return {};
  if ((var.sqltype & ~1) == SQL_DOUBLE) return *reinterpret_cast<const double *>(var.sqldata);
  if ((var.sqltype & ~1) == SQL_FLOAT) return double(*reinterpret_cast<const float *>(var.sqldata));
  if ((var.sqltype & ~1) == SQL_TEXT) return QByteArray(var.sqldata, var.sqllen);
  short len = 0;
  memcpy(&len, var.sqldata, sizeof len);
  if (IsOctets(var)) return QByteArray(var.sqldata + sizeof len, len);
  return QString::fromUtf8(var.sqldata + sizeof len, len);
}

int RowsAffected(Post &p) {
  const char item = isc_info_sql_records;
  char buf[128] = {};
  isc_dsql_sql_info(p.FStatus, &p.FStmt, 1, &item, sizeof buf, buf);
  p.Check();
  if (buf[0] != isc_info_sql_records) return 0;
  int rows = 0;
  for (const char *c = buf + 3; *c != isc_info_end && c < buf + sizeof buf - 7;) {
    const char kind = *c;
    const short len = static_cast<short>(isc_vax_integer(c + 1, 2));
    const int n = static_cast<int>(isc_vax_integer(c + 3, len));
    if (kind == isc_info_req_update_count || kind == isc_info_req_delete_count || kind == isc_info_req_insert_count)
      rows += n;
    c += 3 + len;
  }
  return rows;
}

// The text a value goes to the server as: numbers exactly (the shortest text of a double reads
// back as the same double, and is what was typed), dates and times in ISO form.
QByteArray PostText(const QVariant &v) {
  switch (v.userType()) {
  case QMetaType::Double: return QByteArray::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
  case QMetaType::Float: return QByteArray::number(double(v.toFloat()), 'g', 9);
  case QMetaType::Bool: return v.toBool() ? "TRUE" : "FALSE";
  case QMetaType::QDate: return v.toDate().toString(Qt::ISODate).toLatin1();
  case QMetaType::QTime: return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")).toLatin1();
  case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1();
  case QMetaType::QByteArray: return v.toByteArray();
  default: return v.toString().toUtf8();
  }
}
}  // namespace

TPostResult ExecutePost(isc_db_handle db, const QString &sql, const QList<TPostParam> &params) {
  Post p(db);
  const QByteArray text = sql.toUtf8();
  Sqlda out(20);
  isc_dsql_prepare(p.FStatus, &p.FTr, &p.FStmt, 0, text.constData(), SQL_DIALECT_V6, out.Da());
  p.Check();
  if (out.Da()->sqld > out.Da()->sqln) {
    out = Sqlda(out.Da()->sqld);
    isc_dsql_describe(p.FStatus, &p.FStmt, SQL_DIALECT_V6, out.Da());
    p.Check();
  }
  Sqlda in(short(params.size()));
  isc_dsql_describe_bind(p.FStatus, &p.FStmt, SQL_DIALECT_V6, in.Da());
  p.Check();
  if (in.Da()->sqld != params.size()) throw EDatabaseError(QStringLiteral("Wrong number of parameters"));
  // Every value goes over as text, or as a blob id; the server converts it to the column.
  std::vector<QByteArray> texts(params.size());
  std::vector<ISC_QUAD> blobs(params.size());
  std::vector<short> nulls(params.size() + out.Da()->sqld, 0);
  for (int i = 0; i < params.size(); ++i) {
    XSQLVAR &var = in.Da()->sqlvar[i];
    var.sqlind = &nulls[i];
    if (params[i].Value.isNull()) {
      nulls[i] = -1;
      var.sqltype = SQL_TEXT + 1;
      var.sqllen = 0;
      var.sqldata = nullptr;
    } else if (params[i].Blob) {
      const QVariant &v = params[i].Value;
      blobs[i] = WriteBlob(p, v.userType() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8());
      var.sqltype = SQL_BLOB + 1;
      var.sqldata = reinterpret_cast<char *>(&blobs[i]);
      var.sqllen = sizeof(ISC_QUAD);
    } else {
      texts[i] = PostText(params[i].Value);
      if (texts[i].size() > kMaxVarying) throw EDatabaseError(QStringLiteral("Value too long"));
      var.sqltype = SQL_TEXT + 1;
      var.sqlsubtype = params[i].Value.userType() == QMetaType::QByteArray ? kOctets : kUtf8;
      var.sqlscale = 0;
      var.sqldata = texts[i].data();
      var.sqllen = static_cast<short>(texts[i].size());
    }
  }
  const short returned = out.Da()->sqld;
  std::vector<std::vector<char>> values(returned);
  for (short i = 0; i < returned; ++i)
    BindReturned(out.Da()->sqlvar[i], values[i], &nulls[params.size() + i]);
  isc_dsql_execute2(p.FStatus, &p.FTr, &p.FStmt, SQL_DIALECT_V6, in.Da(), returned ? out.Da() : nullptr);
  p.Check();
  TPostResult result;
  result.RowsAffected = RowsAffected(p);
  for (short i = 0; i < returned; ++i)
    result.Returned.append(ReturnedValue(out.Da()->sqlvar[i]));
  isc_dsql_free_statement(p.FStatus, &p.FStmt, DSQL_drop);
  p.FStmt = 0;
  isc_commit_transaction(p.FStatus, &p.FTr);
  p.Check();
  return result;
}
