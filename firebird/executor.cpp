#include "firebird/executor.h"

#include "base/cursors.h"
#include "base/errors.h"
#include "drivers/firebird/driver.h"

#include <QBitmap>
#include <QCoreApplication>
#include <algorithm>
#include <iterator>

namespace {
const QString kNotActive = QStringLiteral("Not active transaction for IB");

QCursor MakeSQLWaitCursor() {
  return QCursor(QBitmap(QStringLiteral(":/cursors/IBSQLCURSOR.xbm")),
                 QBitmap(QStringLiteral(":/cursors/IBSQLCURSOR_MASK.xbm")), 0, 0);
}

}  // namespace

static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

void RegisterSQLWaitCursor() {
  InitCursorResources();
  Screen().SetCursors(crSQLWait, MakeSQLWaitCursor);
}

TIBDataBase::~TIBDataBase() {
  if (FInTransaction) {
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &TransactionHandle);
  }
}

void TIBDataBase::FetchDatabaseHandle() {
  DatabaseHandle = AttachmentHandle(Connection().SqlConnectionName());
  PropertyLength = sizeof(isc_db_handle);
}

int TIBDataBase::AttachmentDialect() {
  const char item = isc_info_db_sql_dialect;
  char buf[32] = {};
  isc_database_info(StatusVector, &DatabaseHandle, 1, &item, sizeof buf, buf);
  CheckStatus();
  if (buf[0] != isc_info_db_sql_dialect) return 1;  // servers that predate dialects
  const short len = static_cast<short>(isc_vax_integer(buf + 1, 2));
  return static_cast<int>(isc_vax_integer(buf + 3, len));
}

int TIBDataBase::DatabaseDialect() {
  CheckFree();  // it uses the handle and the status a running script uses
  if (!Connected()) Open();
  FetchDatabaseHandle();
  return AttachmentDialect();
}

void TIBDataBase::CheckFree() const {
  if (FClaimed) throw Exception(QStringLiteral("The database is busy %1").arg(FClaimedFor));
}

void TIBDataBase::StartTransaction() {
  CheckFree();
  TCursorScope cursor(crSQLWait);
  if (FInTransaction) return;
  PrepareDetached();
  StartCall();
  FInTransaction = true;
  if (OnStartTransaction) OnStartTransaction(this);
}

void TIBDataBase::PrepareDetached() {
  if (!Connected()) Open();
  if (FInTransaction) return;
  FetchDatabaseHandle();
  FDialect = AttachmentDialect();
}

void TIBDataBase::StartCall() {
  TransactionHandle = 0;
  Teb = TIscTeb{&DatabaseHandle, 0, nullptr};
  isc_start_multiple(StatusVector, &TransactionHandle, 1, &Teb);
  CheckStatus();
}

QByteArray TIBDataBase::StatementBytes(const QString &text) {
  const qsizetype end = text.indexOf(QChar(u'\0'));
  return (end < 0 ? text : text.left(end)).toUtf8();
}

void TIBDataBase::ExecSQL(const QString &text, bool commitAfter) { ExecSQLBytes(StatementBytes(text), commitAfter); }

void TIBDataBase::ExecSQLBytes(const QByteArray &statement, bool commitAfter) {
  CheckFree();
  StartTransaction();
  TCursorScope cursor(crSQLWait);
  try {
    ExecuteStatement(statement);
    if (commitAfter) Commit();
  } catch (...) {
    if (commitAfter) {
      // The statement's own error is the one worth showing; a failed rollback leaves the
      // transaction active, which InTransaction reports.
      try {
        Rollback();
      } catch (const Exception &) {
      }
    }
    throw;
  }
}

void TIBDataBase::ExecuteStatement(const QByteArray &statement) {
  if (!FInTransaction) throw Exception(kNotActive);
  ExecuteCall(statement);
}

// Prepared rather than executed immediately: the client library's own look at an immediate
// statement does not know every literal the server does (Q-strings).
void TIBDataBase::ExecuteCall(const QByteArray &statement) {
  const auto dialect = static_cast<unsigned short>(FDialect);
  TStatementHandle handle(StatusVector, &DatabaseHandle);
  CheckStatus();
  isc_dsql_prepare(StatusVector, &TransactionHandle, &handle.Handle, 0, statement.constData(), dialect, nullptr);
  CheckStatus();
  if (ReturnsRows(handle.Handle)) {
    // Refused with the library's own error, as an immediate execution refuses it: the rows
    // would have nowhere to go.
    const ISC_STATUS noOutput[] = {isc_arg_gds, isc_dsql_error,           isc_arg_gds, isc_dsql_sqlda_err,
                                   isc_arg_gds, isc_dsql_no_output_sqlda, isc_arg_end};
    std::copy(std::begin(noOutput), std::end(noOutput), StatusVector);
    CheckStatus();
  }
  isc_dsql_execute(StatusVector, &TransactionHandle, &handle.Handle, dialect, nullptr);
  CheckStatus();
}

bool TIBDataBase::ReturnsRows(isc_stmt_handle &handle) {
  const char item = isc_info_sql_stmt_type;
  char buf[16] = {};
  isc_dsql_sql_info(StatusVector, &handle, 1, &item, sizeof buf, buf);
  CheckStatus();
  if (buf[0] != isc_info_sql_stmt_type) return false;
  const auto len = static_cast<short>(isc_vax_integer(buf + 1, 2));
  const ISC_LONG type = isc_vax_integer(buf + 3, len);
  return type == isc_info_sql_stmt_select || type == isc_info_sql_stmt_select_for_upd;
}

void TIBDataBase::EndTransaction(bool commit) {
  CheckFree();
  TCursorScope cursor(crSQLWait);
  if (!FInTransaction) throw Exception(kNotActive);
  EndCall(commit);
  FInTransaction = false;
  if (OnCloseTransaction) OnCloseTransaction(this);
}

void TIBDataBase::EndCall(bool commit) {
  if (commit)
    isc_commit_transaction(StatusVector, &TransactionHandle);
  else
    isc_rollback_transaction(StatusVector, &TransactionHandle);
  CheckStatus();
}

TIBDataBase::TDetached TIBDataBase::ExecDetached(const QString &text, bool commitAfter, bool &active) {
  TDetached outcome;
  try {
    if (!active) {
      StartCall();
      outcome.Started = active = true;
    }
    ExecuteCall(StatementBytes(text));
    if (commitAfter) {
      EndCall(true);
      outcome.Ended = true;
      active = false;
    }
  } catch (const Exception &e) {
    outcome.Error = e.Message();
    // As ExecSQL: with commit-after the failed work is rolled back; a failed rollback leaves
    // the transaction active. A start that failed has nothing to roll back.
    if (commitAfter && active) {
      try {
        EndCall(false);
        outcome.Ended = true;
        active = false;
      } catch (const Exception &) {
      }
    }
  }
  return outcome;
}

void TIBDataBase::SettleDetached(const TDetached &outcome) {
  if (outcome.Started) {
    FInTransaction = true;
    if (OnStartTransaction) OnStartTransaction(this);
  }
  if (outcome.Ended) {
    FInTransaction = false;
    if (OnCloseTransaction) OnCloseTransaction(this);
  }
}

void TIBDataBase::Commit() { EndTransaction(true); }

void TIBDataBase::Rollback() { EndTransaction(false); }

QString TIBDataBase::ConflictAdvice() const {
  if (!FInTransaction) return QString();
  return QStringLiteral(
      "The program's own transaction is still active: commit or roll back it first (Commit Work, "
      "Rollback Work)");
}

void TIBDataBase::ConnectionLost() {
  if (FClaimed) {
    FLostWhileClaimed = true;
    return;
  }
  if (FInTransaction) {
    ISC_STATUS_ARRAY status;
    isc_rollback_transaction(status, &TransactionHandle);  // frees the client's handle; the server's is gone
    TransactionHandle = 0;
    FInTransaction = false;
    if (OnCloseTransaction) OnCloseTransaction(this);
  }
  TDatabase::ConnectionLost();
}

void TIBDataBase::ReleaseClaim() {
  FClaimed = false;
  if (!FLostWhileClaimed) {
    if (OnClaimReleased) OnClaimReleased();
    return;
  }
  FLostWhileClaimed = false;
  QMetaObject::invokeMethod(
      this, [this] { ConnectionLost(); }, Qt::QueuedConnection);
}

void TIBDataBase::CheckStatus() {
  if (!IsStatusError(StatusVector)) return;
  if (IsConnectionLost(StatusVector))
    QMetaObject::invokeMethod(
        this, [this] { ConnectionLost(); }, Qt::QueuedConnection);
  const QString text = StatusText(StatusVector, u'\r');
  throw EDatabaseError(text.isEmpty() ? text : u'\r' + text);
}
