#pragma once
// The "STANDARD" driver: local Paradox tables in the directory of the connection's "PATH"
// parameter (else the working directory). Tables are small and read whole; every row change
// re-reads the table under its lock, applies the one change by key and writes the table anew
// (see paradox_store.h), so a change survives a crash once reported and two programs never
// overwrite each other's rows.
#include "data/driver.h"

#include <memory>

std::unique_ptr<TDriverConnection> CreateParadoxConnection();
