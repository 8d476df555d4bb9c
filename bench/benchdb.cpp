#include "bench/benchdb.h"

#include "app/datamodule.h"
#include "firebird/executor.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

namespace bench {

fixtures::FbDatabase buildDatabase(const QString &script, double &seconds) {
  RegisterSQLWaitCursor();
  QElapsedTimer build;
  build.start();
  fixtures::FbDatabase db = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, script);
  seconds = build.nsecsElapsed() / 1e9;
  return db;
}

Connection::Connection(const fixtures::FbDatabase &target) { fixtures::connectDataModule(target); }

Connection::~Connection() { DMSys->IBDataBase->Close(); }

double secondsUntilPainted(QElapsedTimer &t, QWidget *w) {
  w->repaint();
  QApplication::processEvents();
  return t.nsecsElapsed() / 1e9;
}

}  // namespace bench
