#pragma once
// The database a catalog measurement runs on, and the program's data module connected to it.
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"

#include <QElapsedTimer>

class QWidget;

namespace bench {

// A new embedded dialect-3 database built from an isql script; seconds gets the time it took.
fixtures::FbDatabase buildDatabase(const QString &script, double &seconds);

// The same, built once per script and kept in the user's cache directory: later runs get a
// fresh copy of it (cached tells which), so the measurement's changes never reach the cache.
fixtures::FbDatabase cachedDatabase(const QString &name, const QString &script, double &seconds, bool &cached);

// The program's data module connected to target while in scope, closed at its end: a module of
// the measurement's own when there is none, so its aliases do not outlive it into the
// measurements that follow.
class Connection {
public:
  explicit Connection(const fixtures::FbDatabase &target);
  ~Connection();

private:
  fixtures::ScopedDataModule FModule;
};

// Seconds on t once w has painted.
double secondsUntilPainted(QElapsedTimer &t, QWidget *w);

}  // namespace bench
