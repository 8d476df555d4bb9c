#pragma once
// The "INTRBASE" driver: the Firebird server through Qt SQL's QIBASE driver.
#include "data/driver.h"

#include <ibase.h>

std::unique_ptr<TDriverConnection> CreateIbConnection();

// The client library's handle of the attachment the open QIBASE connection connName holds.
// Raises EDatabaseError when the driver gives none.
isc_db_handle AttachmentHandle(const QString &connName);

// Whether a status vector holds an error (warnings alone do not count).
bool IsStatusError(const ISC_STATUS *status);
// The server's interpreted message lines of a status vector, joined by separator.
QString StatusText(const ISC_STATUS *status, QChar separator);

// Raises EDatabaseError with the status vector's message lines when it holds an error.
void CheckStatusVector(const ISC_STATUS *status);

// A statement handle allocated on an attachment (the outcome in status, for the caller to
// check), dropped when it goes out of scope.
class TStatementHandle {
public:
  TStatementHandle(ISC_STATUS *status, isc_db_handle *db) { isc_dsql_allocate_statement(status, db, &Handle); }
  ~TStatementHandle();
  TStatementHandle(const TStatementHandle &) = delete;
  TStatementHandle &operator=(const TStatementHandle &) = delete;

  isc_stmt_handle Handle = 0;
};

// Whether a status vector says the attachment is gone: the network failed, or the server or
// the database was shut down, or the attachment was ended from outside.
bool IsConnectionLost(const ISC_STATUS *status);

// Quotes an identifier for a statement whatever it holds: "NAME" with embedded quotes doubled.
QString QuoteAlways(const QString &name);
