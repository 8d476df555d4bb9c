#include "firebird/statementrun.h"

#include "base/errors.h"
#include "data/valuetext.h"
#include "drivers/firebird/driver.h"
#include "firebird/session.h"

#include <QDate>
#include <QSaveFile>
#include <cstring>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <vector>

namespace {
const QString kOnlyRows = QStringLiteral("Only a statement that returns rows can be exported");
constexpr int kExportChunk = 1 << 20;  // bytes gathered before a write
constexpr qint64 kExportBlobBytes = 64ll * 1024 * 1024;
constexpr qint64 kJulianOfBase = 2400001;  // the client library's day 0, 17 November 1858

// Raises the server's message when a call failed; a lost attachment is told to the database
// from the event loop (it waits for the claim's end).
void Check(const ISC_STATUS *status, TIBDataBase *db) {
  if (!IsStatusError(status)) return;
  if (IsConnectionLost(status))
    QMetaObject::invokeMethod(
        db, [db] { db->ConnectionLost(); }, Qt::QueuedConnection);
  const QString text = StatusText(status, u'\r');
  throw EDatabaseError(text.isEmpty() ? text : u'\r' + text);
}

// An info item's integer value at p (length, then value); p moves past it.
qint64 InfoValue(const char *&p) {
  const auto len = static_cast<short>(isc_vax_integer(p, 2));
  const qint64 v = isc_portable_integer(reinterpret_cast<const ISC_UCHAR *>(p + 2), len);
  p += 2 + len;
  return v;
}

void PageCounters(TIBDataBase *db, TStatementCost &into, int sign) {
  const char items[] = {isc_info_reads, isc_info_writes, isc_info_fetches, isc_info_end};
  char buf[64] = {};
  ISC_STATUS_ARRAY status{};
  if (isc_database_info(status, &db->DatabaseHandle, sizeof items, items, sizeof buf, buf)) return;
  for (const char *p = buf; p < buf + sizeof buf && *p != isc_info_end;) {
    const char item = *p++;
    const qint64 v = InfoValue(p) * sign;
    if (item == isc_info_reads) into.Reads += v;
    if (item == isc_info_writes) into.Writes += v;
    if (item == isc_info_fetches) into.Fetches += v;
  }
}

// A CSV field: quoted when it holds a separator, a quote or a line break, and when it is empty
// (so that an empty text differs from a NULL written as nothing).
void AppendCsv(QByteArray &out, const char *p, qsizetype n) {
  bool plain = n > 0;
  for (qsizetype i = 0; plain && i < n; ++i)
    plain = p[i] != ',' && p[i] != '"' && p[i] != '\n' && p[i] != '\r';
  if (plain) {
    out.append(p, n);
    return;
  }
  out += '"';
  for (qsizetype i = 0; i < n; ++i) {
    if (p[i] == '"') out += '"';
    out += p[i];
  }
  out += '"';
}
void AppendCsv(QByteArray &out, const QString &text) {
  const QByteArray bytes = text.toUtf8();
  AppendCsv(out, bytes.constData(), bytes.size());
}
}  // namespace

// What a task found out, handed from the worker to the user-interface thread.
struct TStatementRun::TOutcome {
  enum { Start, Fetch, Export } Kind = Start;
  int FirstRows = 0;  // Start: rows to fetch once it has executed
  TIBDataBase::TDetached Detached;
  bool Cancelled = false;
  bool Executed = false;  // Start: the statement ran
  bool CursorOpen = false;
  bool CommitAtEnd = false;  // Start: the cursor's transaction is the run's own, under auto commit
  QList<TResultColumn> Columns;
  QString Plan;
  qint64 Affected = -1;
  TStatementCost Cost;
  bool ExportOk = false;
  QString ExportMessage;
};

// The statement handle, its description and the buffers the rows arrive in. Used by one
// thread at a time: the worker during a task, the user-interface thread between tasks.
struct TStatementRun::TWorker {
  TIBDataBase *Db;
  isc_stmt_handle Handle = 0;
  std::vector<char> Sqlda;
  std::vector<std::vector<char>> Buffers;
  std::vector<short> Nulls;
  int Type = 0;
  QList<TResultColumn> Columns;
  int BlobCount = 0;

  explicit TWorker(TIBDataBase *db) : Db(db) {}
  ~TWorker() { Free(DSQL_drop); }
  XSQLDA *Out() { return reinterpret_cast<XSQLDA *>(Sqlda.data()); }

  void Free(unsigned short option) {
    if (!Handle) return;
    ISC_STATUS_ARRAY status{};
    isc_dsql_free_statement(status, &Handle, option);
    if (option == DSQL_drop) Handle = 0;
  }

  void Prepare(const QByteArray &text) {
    ISC_STATUS_ARRAY status{};
    isc_dsql_allocate_statement(status, &Db->DatabaseHandle, &Handle);
    Check(status, Db);
    const auto dialect = static_cast<unsigned short>(Db->SQLDialect());
    Describe(1);
    isc_dsql_prepare(status, &Db->TransactionHandle, &Handle, 0, text.constData(), dialect, Out());
    Check(status, Db);
    if (Out()->sqld > Out()->sqln) {
      Describe(Out()->sqld);
      isc_dsql_describe(status, &Handle, dialect, Out());
      Check(status, Db);
    }
    Type = int(Info(isc_info_sql_stmt_type));
    Bind();
  }

  void Describe(int n) {
    Sqlda.assign(XSQLDA_LENGTH(n), 0);
    Out()->version = SQLDA_VERSION1;
    Out()->sqln = static_cast<ISC_SHORT>(n);
  }

  // Buffers for every output value, each with its null flag; the columns as the grid takes them.
  void Bind() {
    XSQLDA *out = Out();
    Buffers.resize(size_t(out->sqld));
    Nulls.assign(size_t(out->sqld), 0);
    Columns.clear();
    BlobCount = 0;
    for (int i = 0; i < out->sqld; ++i) {
      XSQLVAR &v = out->sqlvar[i];
      const int type = v.sqltype & ~1;
      Buffers[size_t(i)].assign(size_t(v.sqllen) + (type == SQL_VARYING ? 2 : 0) + 8, 0);
      v.sqldata = Buffers[size_t(i)].data();
      v.sqlind = &Nulls[size_t(i)];
      v.sqltype = static_cast<ISC_SHORT>(type | 1);
      TResultColumn c;
      c.Name = QString::fromUtf8(v.aliasname, v.aliasname_length);
      const bool octets = (type == SQL_TEXT || type == SQL_VARYING) && (v.sqlsubtype & 0xFF) == 1;
      switch (type) {
      case SQL_SHORT:
      case SQL_LONG:
      case SQL_INT64:
        c.Type = v.sqlscale < 0      ? TFieldType::ftBCD
                 : type == SQL_SHORT ? TFieldType::ftSmallint
                 : type == SQL_LONG  ? TFieldType::ftInteger
                                     : TFieldType::ftLargeint;
        c.Size = -v.sqlscale;
        break;
      case SQL_FLOAT: c.Type = TFieldType::ftFloat, c.Size = 4; break;
      case SQL_DOUBLE:
      case SQL_D_FLOAT: c.Type = TFieldType::ftFloat; break;
      case SQL_TYPE_DATE: c.Type = TFieldType::ftDate; break;
      case SQL_TYPE_TIME: c.Type = TFieldType::ftTime; break;
      case SQL_TIMESTAMP: c.Type = TFieldType::ftDateTime; break;
      case SQL_BOOLEAN: c.Type = TFieldType::ftBoolean; break;
      case SQL_BLOB:
        c.Type = v.sqlsubtype == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
        c.Blob = true;
        c.BlobSlot = out->sqld + 2 * BlobCount++;
        break;
      default: c.Type = octets ? TFieldType::ftBytes : TFieldType::ftString; break;
      }
      Columns << c;
    }
  }

  qint64 Info(char item) {
    char buf[16] = {};
    ISC_STATUS_ARRAY status{};
    isc_dsql_sql_info(status, &Handle, 1, &item, sizeof buf, buf);
    Check(status, Db);
    if (buf[0] != item) return 0;
    const char *p = buf + 1;
    return InfoValue(p);
  }

  QString Plan() {
    const char item = isc_info_sql_get_plan;
    for (int size = 4096; size <= (1 << 20); size *= 4) {
      std::vector<char> buf(size_t(size), 0);
      ISC_STATUS_ARRAY status{};
      if (isc_dsql_sql_info(status, &Handle, 1, &item, static_cast<short>(qMin(size, 32767)), buf.data())) return {};
      if (buf[0] == isc_info_truncated && size < 32767) continue;
      if (buf[0] != item) return {};
      const auto len = static_cast<unsigned short>(isc_vax_integer(buf.data() + 1, 2));
      return QString::fromUtf8(buf.data() + 3, len).trimmed();
    }
    return {};
  }

  qint64 Affected() {
    const char item = isc_info_sql_records;
    char buf[64] = {};
    ISC_STATUS_ARRAY status{};
    if (isc_dsql_sql_info(status, &Handle, 1, &item, sizeof buf, buf) || buf[0] != item) return -1;
    qint64 n = 0;
    for (const char *p = buf + 3; p < buf + sizeof buf && *p != isc_info_end;) {
      const char sub = *p++;
      const qint64 v = InfoValue(p);
      if (sub == isc_info_req_insert_count || sub == isc_info_req_update_count || sub == isc_info_req_delete_count)
        n += v;
    }
    return n;
  }

  bool Selects() const { return Type == isc_info_sql_stmt_select || Type == isc_info_sql_stmt_select_for_upd; }
  bool Changes() const {
    return Type == isc_info_sql_stmt_insert || Type == isc_info_sql_stmt_update || Type == isc_info_sql_stmt_delete;
  }

  // Executes; a procedure's or a RETURNING's one row lands in the buffers (true).
  bool Execute() {
    ISC_STATUS_ARRAY status{};
    const auto dialect = static_cast<unsigned short>(Db->SQLDialect());
    const bool singleton = !Selects() && Out()->sqld > 0;
    if (singleton)
      isc_dsql_execute2(status, &Db->TransactionHandle, &Handle, dialect, nullptr, Out());
    else
      isc_dsql_execute(status, &Db->TransactionHandle, &Handle, dialect, nullptr);
    Check(status, Db);
    return singleton;
  }

  // The next row into the buffers; false at the end.
  bool Fetch() {
    ISC_STATUS_ARRAY status{};
    const ISC_STATUS rc = isc_dsql_fetch(status, &Handle, static_cast<unsigned short>(Db->SQLDialect()), Out());
    if (rc == 100) return false;
    Check(status, Db);
    return true;
  }

  // A blob's bytes, up to limit, and its whole length.
  QByteArray ReadBlob(ISC_QUAD id, qint64 limit, qint64 &length) {
    ISC_STATUS_ARRAY status{};
    isc_blob_handle blob = 0;
    isc_open_blob2(status, &Db->DatabaseHandle, &Db->TransactionHandle, &blob, &id, 0, nullptr);
    Check(status, Db);
    const auto close = qScopeGuard([&blob] {
      ISC_STATUS_ARRAY s{};
      isc_close_blob(s, &blob);
    });
    const char item = isc_info_blob_total_length;
    char info[32] = {};
    length = -1;
    if (!isc_blob_info(status, &blob, 1, &item, sizeof info, info) && info[0] == item) {
      const char *p = info + 1;
      length = InfoValue(p);
    }
    QByteArray bytes;
    char segment[32768];
    while (bytes.size() < limit) {
      unsigned short got = 0;
      const auto want = static_cast<unsigned short>(qMin<qint64>(sizeof segment, limit - bytes.size()));
      const ISC_STATUS rc = isc_get_segment(status, &blob, &got, want, segment);
      if (rc && rc != isc_segment) {
        if (rc == isc_segstr_eof) break;
        Check(status, Db);
      }
      bytes.append(segment, got);
    }
    if (length < 0) length = bytes.size();
    return bytes;
  }

  // The current row's values in column order, into a sink with TPackedRow's calls; the raw
  // size of what the server sent is added to raw.
  template <class Sink>
  void Decode(Sink &sink, qint64 blobLimit, qint64 &raw) {
    XSQLDA *out = Out();
    for (int i = 0; i < out->sqld; ++i) {
      const XSQLVAR &v = out->sqlvar[i];
      const int type = v.sqltype & ~1;
      const char *d = v.sqldata;
      if (*v.sqlind < 0) {
        type == SQL_BLOB ? sink.NullBlob(i) : sink.Null(i);
        continue;
      }
      raw += v.sqllen;
      switch (type) {
      case SQL_SHORT: {
        qint16 n;
        memcpy(&n, d, 2);
        v.sqlscale < 0 ? sink.Long(i, n) : sink.Int(i, n);
        break;
      }
      case SQL_LONG: {
        qint32 n;
        memcpy(&n, d, 4);
        v.sqlscale < 0 ? sink.Long(i, n) : sink.Int(i, n);
        break;
      }
      case SQL_INT64: {
        qint64 n;
        memcpy(&n, d, 8);
        sink.Long(i, n);
        break;
      }
      case SQL_FLOAT: {
        float f;
        memcpy(&f, d, 4);
        sink.Double(i, f);
        break;
      }
      case SQL_DOUBLE:
      case SQL_D_FLOAT: {
        double f;
        memcpy(&f, d, 8);
        sink.Double(i, f);
        break;
      }
      case SQL_BOOLEAN: sink.Bool(i, *d != 0); break;
      case SQL_TYPE_DATE: {
        ISC_DATE day;
        memcpy(&day, d, 4);
        sink.Date(i, day + kJulianOfBase);
        break;
      }
      case SQL_TYPE_TIME: {
        ISC_TIME t;
        memcpy(&t, d, 4);
        sink.Time(i, t);
        break;
      }
      case SQL_TIMESTAMP: {
        ISC_TIMESTAMP s;
        memcpy(&s, d, sizeof s);
        sink.Stamp(i, s.timestamp_date + kJulianOfBase, s.timestamp_time);
        break;
      }
      case SQL_TEXT: {
        int n = v.sqllen;
        if ((v.sqlsubtype & 0xFF) != 1)
          while (n > 0 && d[n - 1] == ' ')  // CHAR's pad blanks, as the data window drops them
            --n;
        (v.sqlsubtype & 0xFF) == 1 ? sink.Bytes(i, d, n) : sink.Text(i, d, n);
        break;
      }
      case SQL_VARYING: {
        unsigned short n;
        memcpy(&n, d, 2);
        raw += n + 2 - v.sqllen;
        (v.sqlsubtype & 0xFF) == 1 ? sink.Bytes(i, d + 2, n) : sink.Text(i, d + 2, n);
        break;
      }
      case SQL_BLOB: {
        ISC_QUAD id;
        memcpy(&id, d, sizeof id);
        qint64 length = 0;
        const QByteArray bytes = ReadBlob(id, blobLimit, length);
        raw += bytes.size();
        quint64 key;
        memcpy(&key, &id, sizeof key);
        sink.Blob(i, v.sqlsubtype == 1, bytes, key, length);
        break;
      }
      case SQL_NULL: sink.Null(i); break;
      default: {
        const QByteArray text = QStringLiteral("<type %1>").arg(type).toUtf8();
        sink.Text(i, text.constData(), int(text.size()));
      }
      }
    }
  }
};

namespace {
// Rows packed for the row store: the visible values, then each blob's id and whole length.
class TPackSink {
public:
  TPackedRow Row;
  int Count = 0;
  std::vector<qint64> Slots;

  void Begin(int visible, int blobs) {
    Row.Begin(visible + 2 * blobs);
    Slots.clear();
  }
  void End() {
    for (qint64 s : Slots)
      Row.Long(s);
    Row.End();
    ++Count;
  }
  void Null(int) { Row.Null(); }
  void NullBlob(int) {
    Row.Null();
    Slots.insert(Slots.end(), {0, 0});
  }
  void Int(int, qint32 v) { Row.Int(v); }
  void Long(int, qint64 v) { Row.Long(v); }
  void Double(int, double v) { Row.Double(v); }
  void Bool(int, bool v) { Row.Bool(v); }
  void Text(int, const char *p, int n) { Row.Text(p, n); }
  void Bytes(int, const char *p, int n) { Row.Bytes(p, n); }
  void Date(int, qint64 jd) { Row.Date(jd); }
  void Time(int, quint32 units) {
    if (units % 10 == 0) return Row.Time(int(units / 10));
    const QByteArray t = TimeUnitsText(units).toUtf8();
    Row.Text(t.constData(), int(t.size()));
  }
  void Stamp(int, qint64 jd, quint32 units) {
    if (units % 10 == 0) return Row.Stamp(jd, int(units / 10));
    const QByteArray t = (QDate::fromJulianDay(jd).toString(Qt::ISODate) + u' ' + TimeUnitsText(units)).toUtf8();
    Row.Text(t.constData(), int(t.size()));
  }
  void Blob(int, bool text, const QByteArray &bytes, quint64 id, qint64 length) {
    text ? Row.Text(bytes.constData(), int(bytes.size())) : Row.Bytes(bytes.constData(), int(bytes.size()));
    Slots.push_back(qint64(id));
    Slots.push_back(length);
  }
};

// Values as CSV fields: the grid's text of each (ValueText's, or the same text made directly).
class TCsvSink {
public:
  TCsvSink(const QList<TResultColumn> &columns, const QString &nullText)
      : FColumns(columns), FNull(nullText.toUtf8()) {}
  QByteArray Out;

  void Null(int i) { Sep(i), Out += FNull; }
  void NullBlob(int i) { Null(i); }
  void Int(int i, qint32 v) { Sep(i), Out += QByteArray::number(v); }
  void Long(int i, qint64 v) {
    Sep(i);
    Out += FColumns[i].Type == TFieldType::ftBCD ? ScaledText(v, FColumns[i].Size).toLatin1() : QByteArray::number(v);
  }
  void Double(int i, double v) { Field(i, QVariant(v)); }
  void Bool(int i, bool v) { Field(i, QVariant(v)); }
  void Text(int i, const char *p, int n) { Sep(i), AppendCsv(Out, p, n); }
  void Bytes(int i, const char *p, int n) { Sep(i), Out += QByteArray::fromRawData(p, n).toHex().toUpper(); }
  void Date(int i, qint64 jd) { Sep(i), Out += DayText(jd); }
  void Time(int i, quint32 units) { Sep(i), Out += TimeShownText(units); }
  void Stamp(int i, qint64 jd, quint32 units) { Sep(i), Out += DayText(jd) + ' ' + TimeShownText(units); }
  void Blob(int i, bool text, const QByteArray &bytes, quint64, qint64) {
    text ? Text(i, bytes.constData(), int(bytes.size())) : Bytes(i, bytes.constData(), int(bytes.size()));
  }
  void EndRow() { Out += "\r\n"; }

private:
  void Sep(int i) {
    if (i > 0) Out += ',';
  }
  void Field(int i, const QVariant &v) {
    Sep(i);
    AppendCsv(Out, ValueText(v, FColumns[i].Type, FColumns[i].Size));
  }
  const QList<TResultColumn> &FColumns;
  QByteArray FNull;
};
}  // namespace

// ---- The run ---------------------------------------------------------------------------------

TStatementRun::TStatementRun(QObject *parent) : QObject(parent) {
  // Commit Work or Rollback Work ends the transaction the cursor lives in: its rows end there.
  if (FbSession())
    connect(FbSession(), &TFbSession::StateChanged, this, [this] {
      if (Busy() || !FCursorOpen || FbSession()->Database()->InTransaction()) return;
      FWorker.reset();
      FCursorOpen = false;
      FCommitAtEnd = false;
      emit TaskEnded();
    });
}

TStatementRun::~TStatementRun() {
  disconnect(this, nullptr, nullptr, nullptr);
  if (!FbSession()) {
    if (FPending.valid()) FPending.wait();
    return;
  }
  CancelNow();
  Close();
}

void TStatementRun::Run(const std::shared_ptr<TOutcome> &outcome, std::function<void(TOutcome &)> task) {
  TIBDataBase *db = FbSession()->Database();
  FClaim = std::make_unique<TAttachmentClaim>(db, QStringLiteral("running a statement"));
  try {
    FClaim->Use([db] { db->PrepareDetached(); });
  } catch (...) {
    FClaim.reset();
    throw;
  }
  FCancel = false;
  FOutcome = outcome;
  FPending = std::async(std::launch::async, [this, task = std::move(task), outcome] {
    // The embedded engine works on this thread: below the interface thread, so that the window
    // gets the processor first when both want it.
    setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), 2);
    try {
      task(*outcome);
    } catch (const Exception &e) {
      outcome->Detached.Error = e.Message();
    } catch (const std::exception &e) {
      outcome->Detached.Error = QString::fromUtf8(e.what());
    }
    QMetaObject::invokeMethod(this, &TStatementRun::Finish, Qt::QueuedConnection);
  });
}

void TStatementRun::Start(const QString &statement, int firstRows) {
  if (Busy()) return;
  FbSession()->Database()->CheckFree();
  Close();
  FText = statement;
  FColumns.clear();
  FRows.clear();
  FPlan.clear();
  FCost = {};
  FAffected = -1;
  FRawBytes = 0;
  TIBDataBase *db = FbSession()->Database();
  const bool commitAfter = FbSession()->CommitsEachCommand();
  const QByteArray text = TIBDataBase::StatementBytes(statement);
  auto outcome = std::make_shared<TOutcome>();
  outcome->FirstRows = firstRows;
  const bool active = db->InTransaction();
  Run(outcome, [this, db, text, commitAfter, active](TOutcome &o) {
    QElapsedTimer clock;
    bool started = active;
    try {
      if (!started) {
        ISC_STATUS_ARRAY status{};
        db->TransactionHandle = 0;
        isc_start_transaction(status, &db->TransactionHandle, 1, &db->DatabaseHandle, 0, nullptr);
        Check(status, db);
        o.Detached.Started = started = true;
      }
      auto worker = std::make_unique<TWorker>(db);
      clock.start();
      worker->Prepare(text);
      o.Cost.PrepareMs = clock.restart();
      o.Plan = worker->Plan();
      o.Columns = worker->Columns;
      PageCounters(db, o.Cost, -1);
      const bool singleton = worker->Execute();
      o.Cost.ExecuteMs = clock.restart();
      if (worker->Changes()) o.Affected = worker->Affected();
      if (worker->Type == isc_info_sql_stmt_commit || worker->Type == isc_info_sql_stmt_rollback)
        o.Detached.Ended = true;
      if (singleton) {
        TPackSink sink;
        sink.Begin(int(o.Columns.size()), worker->BlobCount);
        qint64 raw = 0;
        worker->Decode(sink, kBlobPreviewBytes, raw);
        sink.End();
        QMetaObject::invokeMethod(
            this, [this, rows = sink.Row.Data(), raw] { Arrive(rows, 1, raw); }, Qt::QueuedConnection);
      }
      if (worker->Selects()) {
        o.CursorOpen = true;
        o.CommitAtEnd = commitAfter && o.Detached.Started;
        FWorker = std::move(worker);  // the user-interface thread looks at it only after Finish
      } else if (commitAfter && !o.Detached.Ended) {
        worker.reset();
        ISC_STATUS_ARRAY status{};
        isc_commit_transaction(status, &db->TransactionHandle);
        Check(status, db);
        o.Detached.Ended = true;
      }
      PageCounters(db, o.Cost, 1);
      o.Executed = true;
    } catch (const Exception &e) {
      o.Detached.Error = e.Message();
      FWorker.reset();
      o.CursorOpen = false;
      // As the program's DDL: with auto commit on the failed work is rolled back.
      if (commitAfter && started && !o.Detached.Ended) {
        ISC_STATUS_ARRAY status{};
        if (!isc_rollback_transaction(status, &db->TransactionHandle)) o.Detached.Ended = true;
      }
    }
  });
}

void TStatementRun::FetchMore(int n) {
  if (Busy() || !FCursorOpen || !FWorker) return;
  TIBDataBase *db = FbSession()->Database();
  const bool commitAtEnd = FCommitAtEnd;
  auto outcome = std::make_shared<TOutcome>();
  outcome->Kind = TOutcome::Fetch;
  outcome->CursorOpen = true;
  TWorker *worker = FWorker.get();
  Run(outcome, [this, db, n, commitAtEnd, worker](TOutcome &o) {
    QElapsedTimer clock, sent;
    clock.start();
    sent.start();
    PageCounters(db, o.Cost, -1);
    TPackSink sink;
    qint64 raw = 0;
    const int visible = int(worker->Columns.size());
    const auto flush = [&] {
      if (sink.Count == 0) return;
      QMetaObject::invokeMethod(
          this, [this, rows = sink.Row.Data(), count = sink.Count, raw] { Arrive(rows, count, raw); },
          Qt::QueuedConnection);
      sink.Row.Clear();
      sink.Count = 0;
      raw = 0;
      sent.restart();
    };
    const auto end = qScopeGuard([&] {
      flush();
      o.Cost.FetchMs = clock.elapsed();
    });
    for (int i = 0; n < 0 || i < n; ++i) {
      if (FCancel) return;
      if (!worker->Fetch()) {
        o.CursorOpen = false;
        break;
      }
      sink.Begin(visible, worker->BlobCount);
      worker->Decode(sink, kBlobPreviewBytes, raw);
      sink.End();
      // Fetch all hands the rows over as they come, so that the grid and its count move.
      if (n < 0 && (sink.Count >= 5000 || sent.elapsed() > 100)) flush();
    }
    PageCounters(db, o.Cost, 1);
    if (!o.CursorOpen) {
      worker->Free(DSQL_close);
      if (commitAtEnd) {
        ISC_STATUS_ARRAY status{};
        isc_commit_transaction(status, &db->TransactionHandle);
        if (!IsStatusError(status)) o.Detached.Ended = true;
      }
    }
  });
}

void TStatementRun::Export(const TCsvOptions &options) {
  if (Busy()) return;
  if (!ReturnsRows() || FAffected >= 0) throw Exception(kOnlyRows);
  TIBDataBase *db = FbSession()->Database();
  const QByteArray text = TIBDataBase::StatementBytes(FText);
  auto outcome = std::make_shared<TOutcome>();
  outcome->Kind = TOutcome::Export;
  const bool active = db->InTransaction();
  Run(outcome, [this, db, text, options, active](TOutcome &o) {
    if (!active) {  // the rows as a new transaction sees them; it ends with the export
      ISC_STATUS_ARRAY status{};
      db->TransactionHandle = 0;
      isc_start_transaction(status, &db->TransactionHandle, 1, &db->DatabaseHandle, 0, nullptr);
      Check(status, db);
    }
    const auto endOwn = qScopeGuard([db, active] {
      if (active) return;
      ISC_STATUS_ARRAY status{};
      isc_rollback_transaction(status, &db->TransactionHandle);
    });
    QSaveFile file(options.FileName);
    try {
      TWorker worker(db);
      worker.Prepare(text);
      if (!worker.Selects()) throw Exception(kOnlyRows);
      if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(options.FileName, file.errorString()));
      TCsvSink sink(worker.Columns, options.NullText);
      if (options.Header) {
        for (int i = 0; i < worker.Columns.size(); ++i) {
          if (i) sink.Out += ',';
          AppendCsv(sink.Out, worker.Columns[i].Name);
        }
        sink.EndRow();
      }
      worker.Execute();
      qint64 rows = 0, raw = 0;
      QElapsedTimer told;
      told.start();
      const auto write = [&] {
        if (file.write(sink.Out) != sink.Out.size())
          throw Exception(QStringLiteral("Cannot write %1: %2").arg(options.FileName, file.errorString()));
        sink.Out.clear();
      };
      while (worker.Fetch()) {
        if (FCancel) break;
        worker.Decode(sink, kExportBlobBytes, raw);
        sink.EndRow();
        ++rows;
        if (sink.Out.size() >= kExportChunk) write();
        if (told.elapsed() > 100) {
          QMetaObject::invokeMethod(
              this, [this, rows] { emit ExportProgress(rows); }, Qt::QueuedConnection);
          told.restart();
        }
      }
      if (FCancel) {
        file.cancelWriting();
        o.ExportMessage =
            QStringLiteral("Export cancelled after %1 rows: %2 was not written").arg(rows).arg(options.FileName);
        return;
      }
      write();
      if (!file.commit())
        throw Exception(QStringLiteral("Cannot write %1: %2").arg(options.FileName, file.errorString()));
      o.ExportOk = true;
      o.ExportMessage = QStringLiteral("%1 rows exported to %2").arg(rows).arg(options.FileName);
    } catch (const Exception &e) {
      file.cancelWriting();
      o.ExportMessage = (FCancel ? QStringLiteral("Export cancelled: %1 was not written")
                                 : QStringLiteral("Export failed, %1 was not written:"))
                            .arg(options.FileName) +
                        (FCancel ? QString() : u' ' + e.Message());
    }
  });
}

void TStatementRun::Finish() {
  if (!FPending.valid()) return;
  FPending.get();
  const std::shared_ptr<TOutcome> o = std::move(FOutcome);
  FbSession()->Database()->SettleDetached(o->Detached);
  if (o->Detached.Ended) FCommitAtEnd = false;
  const bool cancelled = FCancel.exchange(false);
  FCost.PrepareMs += o->Cost.PrepareMs;
  FCost.ExecuteMs += o->Cost.ExecuteMs;
  FCost.FetchMs += o->Cost.FetchMs;
  FCost.Reads += o->Cost.Reads;
  FCost.Writes += o->Cost.Writes;
  FCost.Fetches += o->Cost.Fetches;
  const bool failed = !o->Detached.Error.isEmpty();
  switch (o->Kind) {
  case TOutcome::Start:
    FColumns = o->Columns;
    FPlan = o->Plan;
    FAffected = o->Affected;
    FCursorOpen = o->CursorOpen;
    FCommitAtEnd = o->CommitAtEnd;
    break;
  case TOutcome::Fetch: FCursorOpen = o->CursorOpen && !failed && !cancelled; break;
  case TOutcome::Export: break;
  }
  if (!FCursorOpen) FWorker.reset();
  FClaim.reset();  // other windows may use the attachment again
  if (o->Kind == TOutcome::Export) {
    emit ExportEnded(o->ExportOk, o->ExportMessage);
  } else if (cancelled) {
    emit Cancelled();
  } else if (failed) {
    emit Failed(o->Detached.Error);
  } else if (o->Kind == TOutcome::Start) {
    emit Executed();
    if (FCursorOpen && o->FirstRows != 0) {
      FetchMore(o->FirstRows);
      return;
    }
  }
  emit TaskEnded();
}

void TStatementRun::Arrive(const QByteArray &rows, int count, qint64 raw) {
  const int first = FRows.size();
  FRows.appendPacked(rows, count);
  FRawBytes += raw;
  emit RowsArrived(first, count);
}

void TStatementRun::Cancel() {
  if (!Busy()) return;
  FCancel = true;
  // The server stops the request under way; the attachment stays. A call that is not the
  // server's (a write to the export's file) sees the flag.
  ISC_STATUS_ARRAY status{};
  fb_cancel_operation(status, &FbSession()->Database()->DatabaseHandle, fb_cancel_raise);
}

void TStatementRun::CancelNow() {
  if (!FPending.valid()) return;
  Cancel();
  FPending.wait();
  Finish();
}

void TStatementRun::Close() {
  if (Busy()) return;
  const bool commit = FCommitAtEnd;
  FWorker.reset();
  FCursorOpen = false;
  FCommitAtEnd = false;
  TIBDataBase *db = FbSession()->Database();
  if (commit && db->InTransaction() && !db->Claimed()) {
    try {
      db->Commit();
    } catch (const Exception &) {  // the transaction stays for the user to resolve
    }
  }
}

QString TStatementRun::Text(int row, int column) const {
  const QVariant &v = FRows[row].Data[column];
  const TResultColumn &c = FColumns[column];
  if (v.isNull()) return NullText();
  QString s = ValueText(v, c.Type, c.Size);
  if (c.Blob && FRows[row].Data[c.BlobSlot + 1].toLongLong() > kBlobPreviewBytes) s += QStringLiteral("...");
  return s;
}

QVariant TStatementRun::WholeBlob(int row, int column) {
  TIBDataBase *db = FbSession()->Database();
  db->CheckFree();
  const TRecord &rec = FRows[row];
  const TResultColumn &c = FColumns[column];
  if (!c.Blob || rec.Data[column].isNull()) return rec.Data[column];
  const quint64 key = quint64(rec.Data[c.BlobSlot].toLongLong());
  ISC_QUAD id;
  memcpy(&id, &key, sizeof id);
  db->StartTransaction();
  TWorker reader(db);
  qint64 length = 0;
  const QByteArray bytes = reader.ReadBlob(id, kExportBlobBytes, length);
  if (c.Type == TFieldType::ftMemo) return QString::fromUtf8(bytes);
  return bytes;
}
