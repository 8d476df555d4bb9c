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

// Whether a status vector says the attachment is gone: the network failed, or the server or
// the database was shut down, or the attachment was ended from outside.
bool IsConnectionLost(const ISC_STATUS *status);

// Quotes an identifier for a statement whatever it holds: "NAME" with embedded quotes doubled.
QString QuoteAlways(const QString &name);
