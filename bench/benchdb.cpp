#include "bench/benchdb.h"

#include "server/ibdb.h"

#include <QElapsedTimer>

namespace bench {

fixtures::FbDatabase buildDatabase(const QString &script, double &seconds) {
  RegisterSQLWaitCursor();
  QElapsedTimer build;
  build.start();
  fixtures::FbDatabase db = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, script);
  seconds = build.nsecsElapsed() / 1e9;
  return db;
}

}  // namespace bench
