// Opening a table of a million rows for browsing and reading its first hundred, against the
// same on a table of a thousand rows: the time must stay small and the memory flat.
#include "bench/bench.h"

#include "data/dataset.h"
#include "data/db.h"
#include "tests/fixtures/firebird.h"

#include <QElapsedTimer>
#include <QTextStream>

namespace {
double OpenAndRead(const QString &table, int rows) {
  TTable t;
  t.DatabaseName = QStringLiteral("BENCHTABLE");
  t.TableName = table;
  QElapsedTimer timer;
  timer.start();
  t.Open();
  for (int i = 1; i < rows; ++i)
    t.Next();
  double s = timer.nsecsElapsed() / 1e9;
  if (t.FieldByName(QStringLiteral("ID"))->AsInteger() != rows - 1) throw std::runtime_error("wrong row");
  return s;
}
}  // namespace

BENCH("table1m") {
  QTextStream out(stdout);
  const QString fill = QStringLiteral(
      "CREATE TABLE SMALL_T (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(40));\n"
      "CREATE TABLE BIG_T (ID INTEGER NOT NULL PRIMARY KEY, TXT VARCHAR(40));\n"
      "SET TERM ^;\n"
      "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000) DO BEGIN "
      "INSERT INTO SMALL_T VALUES (:I, 'row number ' || :I); I = I + 1; END END^\n"
      "EXECUTE BLOCK AS DECLARE I INTEGER = 0; BEGIN WHILE (I < 1000000) DO BEGIN "
      "INSERT INTO BIG_T VALUES (:I, 'row number ' || :I); I = I + 1; END END^\n"
      "SET TERM ;^\nCOMMIT;\n");
  fixtures::FbDatabase fdb = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, fill);
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("BENCHTABLE"));
  db.SetDriverName(QStringLiteral("INTRBASE"));
  db.Params.SetValues(QStringLiteral("SERVER NAME"), fdb.name);
  db.Params.SetValues(QStringLiteral("USER NAME"), fdb.user);
  db.Params.SetValues(QStringLiteral("PASSWORD"), fdb.password.isEmpty() ? QStringLiteral("x") : fdb.password);
  db.Open();
  OpenAndRead(QStringLiteral("SMALL_T"), 100);  // warm the attachment and the catalog
  double rssBefore = bench::peakRssMiB();
  double small = OpenAndRead(QStringLiteral("SMALL_T"), 100);
  double rssSmall = bench::peakRssMiB();
  double big = OpenAndRead(QStringLiteral("BIG_T"), 100);
  double rssBig = bench::peakRssMiB();
  out << QStringLiteral("   open + first 100 rows, 1,000-row table:     %1 s (peak RSS %2 MiB)\n")
             .arg(small, 0, 'f', 4)
             .arg(rssSmall, 0, 'f', 1);
  out << QStringLiteral("   open + first 100 rows, 1,000,000-row table: %1 s (peak RSS %2 MiB; before %3 MiB)\n")
             .arg(big, 0, 'f', 4)
             .arg(rssBig, 0, 'f', 1)
             .arg(rssBefore, 0, 'f', 1);
  out << QStringLiteral("   target: under 0.3 s; memory growth for the big table %1 MiB\n")
             .arg(rssBig - rssSmall, 0, 'f', 1);
  return big < 0.3 ? 0 : 2;
}
