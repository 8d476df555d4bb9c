#include "drivers/drivers.h"

#include "drivers/firebird/driver.h"
#include "drivers/paradox/driver.h"

void RegisterDrivers() {
  RegisterDriver(QStringLiteral("INTRBASE"), CreateIbConnection);
  RegisterDriver(QStringLiteral("STANDARD"), CreateParadoxConnection);
}
