#pragma once
// The database a catalog measurement runs on, and the program's data module connected to it.
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"

namespace bench {

// A new embedded dialect-3 database built from an isql script; seconds gets the time it took.
fixtures::FbDatabase buildDatabase(const QString &script, double &seconds);

}  // namespace bench
