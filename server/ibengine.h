#pragma once
// The "INTRBASE" driver: the Firebird server through Qt SQL's QIBASE driver.
#include "server/driver.h"

std::unique_ptr<TDriverConnection> CreateIbConnection();

// Quotes an identifier for a statement: "NAME" with embedded quotes doubled.
QString QuoteIdentifier(const QString &name);
