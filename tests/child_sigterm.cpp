// Opens the database named on its command line, says "ready", and runs an event loop until
// a termination signal ends it; then closes the database, shuts the client library down and
// says "quit".
#include "base/termination.h"
#include "data/db.h"
#include "drivers/drivers.h"
#include "firebird/executor.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  CatchTerminationSignals([] { QCoreApplication::quit(); });
  RegisterDrivers();
  TIBDataBase db;
  db.SetDatabaseName(QStringLiteral("SIGDB"));
  db.SetDriverName(QStringLiteral("INTRBASE"));
  db.Params.SetValues(QStringLiteral("SERVER NAME"), app.arguments().value(1));
  db.Params.SetValues(QStringLiteral("USER NAME"), QStringLiteral("SYSDBA"));
  db.Params.SetValues(QStringLiteral("PASSWORD"), QStringLiteral("x"));
  db.StartTransaction();
  std::printf("ready\n");
  std::fflush(stdout);
  app.exec();
  db.Rollback();
  db.Close();
  ShutDownClientLibrary();
  std::printf("quit\n");
  std::fflush(stdout);
  return 0;
}
