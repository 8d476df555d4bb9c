// Placeholder until the local-table driver lands; delete this file together with its arrival.
#include "server/driver.h"
#include "server/errors.h"

std::unique_ptr<TDriverConnection> CreateParadoxConnection() {
  throw EDatabaseError(QStringLiteral("The local table driver is not available yet"));
}
