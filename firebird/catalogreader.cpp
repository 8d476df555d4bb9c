#include "firebird/catalogreader.h"

#include "base/errors.h"
#include "drivers/firebird/driver.h"
#include "drivers/firebird/txquery.h"

#include <vector>

TCatalogReader::TCatalogReader(isc_db_handle db, int dialect) : FDb(db), FDialect(dialect) {
  static const char tpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_concurrency, isc_tpb_nowait};
  isc_start_transaction(FStatus, &FTr, 1, &FDb, static_cast<unsigned short>(sizeof tpb), tpb);
  Check();
}

TCatalogReader::~TCatalogReader() {
  ISC_STATUS_ARRAY status;
  if (FTr) isc_commit_transaction(status, &FTr);
}

void TCatalogReader::Check() { CheckStatusVector(FStatus); }

QString TCatalogReader::ReadBlob(ISC_QUAD id) { return QString::fromUtf8(::ReadBlob(FDb, &FTr, id)); }

QList<QVariantList> TCatalogReader::Rows(const QString &select, const QStringList &params) {
  TStatementHandle stmt(FStatus, &FDb);
  Check();
  std::vector<char> sqldaSpace(XSQLDA_LENGTH(1));
  auto *out = reinterpret_cast<XSQLDA *>(sqldaSpace.data());
  out->version = SQLDA_VERSION1;
  out->sqln = 1;
  const QByteArray text = select.toUtf8();
  isc_dsql_prepare(FStatus, &FTr, &stmt.Handle, 0, text.constData(), static_cast<unsigned short>(FDialect), out);
  Check();
  const int columns = out->sqld;
  if (columns > out->sqln) {
    sqldaSpace.assign(XSQLDA_LENGTH(columns), 0);
    out = reinterpret_cast<XSQLDA *>(sqldaSpace.data());
    out->version = SQLDA_VERSION1;
    out->sqln = static_cast<short>(columns);
    isc_dsql_describe(FStatus, &stmt.Handle, SQLDA_VERSION1, out);
    Check();
  }
  std::vector<std::vector<char>> buffers(columns);
  std::vector<short> nulls(columns);
  for (int i = 0; i < columns; ++i) {
    XSQLVAR &v = out->sqlvar[i];
    buffers[i].assign(v.sqllen + sizeof(short) + 8, 0);
    v.sqldata = buffers[i].data();
    v.sqlind = &nulls[i];
  }
  // The markers' values: texts the engine converts to what each marker stands for.
  std::vector<char> inSpace;
  std::vector<QByteArray> inBytes;
  std::vector<short> inNulls(params.size(), 0);
  XSQLDA *in = nullptr;
  if (!params.isEmpty()) {
    inSpace.assign(XSQLDA_LENGTH(params.size()), 0);
    in = reinterpret_cast<XSQLDA *>(inSpace.data());
    in->version = SQLDA_VERSION1;
    in->sqln = static_cast<short>(params.size());
    isc_dsql_describe_bind(FStatus, &stmt.Handle, SQLDA_VERSION1, in);
    Check();
    if (in->sqld != params.size())
      throw EDatabaseError(
          QStringLiteral("The statement has %1 parameters, %2 were given").arg(in->sqld).arg(params.size()));
    inBytes.reserve(params.size());
    for (qsizetype i = 0; i < params.size(); ++i) {
      inBytes.push_back(params[i].toUtf8());
      XSQLVAR &v = in->sqlvar[i];
      const int described = v.sqltype & ~1;
      // A text marker keeps the character set it was described with (the attachment's).
      if (described != SQL_TEXT && described != SQL_VARYING) v.sqlsubtype = 0;
      v.sqltype = SQL_TEXT + 1;
      v.sqlscale = 0;
      v.sqllen = static_cast<short>(inBytes.back().size());
      v.sqldata = const_cast<char *>(inBytes.back().constData());
      v.sqlind = &inNulls[i];
    }
  }
  isc_dsql_execute(FStatus, &FTr, &stmt.Handle, SQLDA_VERSION1, in);
  Check();
  QList<QVariantList> rows;
  for (;;) {
    const ISC_STATUS rc = isc_dsql_fetch(FStatus, &stmt.Handle, SQLDA_VERSION1, out);
    if (rc == 100) break;
    Check();
    QVariantList row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) {
      const XSQLVAR &v = out->sqlvar[i];
      if ((v.sqltype & 1) && *v.sqlind < 0) {
        row << QVariant();
        continue;
      }
      switch (v.sqltype & ~1) {
      case SQL_TEXT: {
        QString s = QString::fromUtf8(v.sqldata, v.sqllen);
        qsizetype n = s.size();
        while (n > 0 && s[n - 1] == u' ')
          --n;
        s.truncate(n);
        row << s;
        break;
      }
      case SQL_VARYING: {
        const auto length = *reinterpret_cast<const unsigned short *>(v.sqldata);
        row << QString::fromUtf8(v.sqldata + sizeof(short), length);
        break;
      }
      case SQL_SHORT: row << qlonglong(*reinterpret_cast<const ISC_SHORT *>(v.sqldata)); break;
      case SQL_LONG: row << qlonglong(*reinterpret_cast<const ISC_LONG *>(v.sqldata)); break;
      case SQL_INT64: row << qlonglong(*reinterpret_cast<const ISC_INT64 *>(v.sqldata)); break;
      case SQL_BOOLEAN: row << qlonglong(*reinterpret_cast<const unsigned char *>(v.sqldata)); break;
      case SQL_DOUBLE: row << *reinterpret_cast<const double *>(v.sqldata); break;
      case SQL_BLOB: row << ReadBlob(*reinterpret_cast<const ISC_QUAD *>(v.sqldata)); break;
      default: row << QVariant();
      }
    }
    rows << row;
  }
  return rows;
}
