#pragma once
// The database a catalog measurement runs on, and the program's data module connected to it.
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"

#include <QElapsedTimer>

class QWidget;

namespace bench {

// A new embedded dialect-3 database built from an isql script; seconds gets the time it took.
fixtures::FbDatabase buildDatabase(const QString &script, double &seconds);

// A database built from an isql script once and kept beside the bench program (benchdb-cache/,
// named by the script's hash) for the runs after: a measurement that only reads uses it as it
// is. seconds gets the build's time, 0 when the kept file was used.
fixtures::FbDatabase cachedDatabase(const QString &name, const QString &script, double &seconds);
// The same from scripts run one after another, each in an isql session of its own (a build too
// long for one session).
fixtures::FbDatabase cachedDatabase(const QString &name, const QStringList &scripts, double &seconds);

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

// perTable triggers on each of the tables TAB_0000 to TAB_<tables - 1>, TRG_<table>_<i>, the six
// events in turn, each statement ended by ^: for a script that has set that terminator.
QString TriggerStatements(int tables, int perTable);

// Seconds on t once w has painted.
double secondsUntilPainted(QElapsedTimer &t, QWidget *w);

}  // namespace bench
