#pragma once
// The "INTRBASE" driver: the Firebird server through Qt SQL's QIBASE driver.
#include "server/driver.h"

#include <ibase.h>

std::unique_ptr<TDriverConnection> CreateIbConnection();

// Whether a status vector says the attachment is gone: the network failed, or the server or
// the database was shut down, or the attachment was ended from outside.
bool IsConnectionLost(const ISC_STATUS *status);

// Quotes an identifier for a statement: "NAME" with embedded quotes doubled.
QString QuoteIdentifier(const QString &name);
