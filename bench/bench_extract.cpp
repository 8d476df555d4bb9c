// The whole database's DDL from a database with 1,000 tables (a computed column each), 1,000
// views, 1,000 procedures (each calling the one before and reading its view) and 10,000
// triggers: our extraction (attaching included) against isql-fb -x of the same database in the
// same run, medians of three; target: at most 1.5 times isql's time.
#include "bench/bench.h"
#include "bench/benchdb.h"
#include "firebird/extract.h"
#include "firebird/session.h"
#include "tests/fixtures/isqlscript.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <vector>

namespace {
constexpr int kTables = 1000, kTriggersPerTable = 10;

QString Script() {
  QString sql = QStringLiteral("SET AUTODDL OFF;\n");
  const auto n = [](int i) { return QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0')); };
  for (int t = 0; t < kTables; ++t)
    sql += QStringLiteral(
               "CREATE TABLE TAB_%1 (ID INTEGER NOT NULL PRIMARY KEY, V INTEGER DEFAULT 0, "
               "NAME VARCHAR(40), W COMPUTED BY (V * 2));\n")
               .arg(n(t));
  sql += QStringLiteral("COMMIT;\n");
  for (int t = 0; t < kTables; ++t)
    sql += QStringLiteral("CREATE VIEW VIEW_%1 (ID, W) AS SELECT ID, W FROM TAB_%1;\n").arg(n(t));
  sql += QStringLiteral("COMMIT;\nSET TERM ^ ;\n");
  for (int t = 0; t < kTables; ++t) {
    const QString call =
        t == 0 ? QString() : QStringLiteral("  EXECUTE PROCEDURE PROC_%1 (:N) RETURNING_VALUES :S;\n").arg(n(t - 1));
    sql += QStringLiteral(
               "CREATE PROCEDURE PROC_%1 (N INTEGER) RETURNS (S BIGINT) AS\nBEGIN\n%2"
               "  SELECT SUM(W) FROM VIEW_%1 INTO :S;\nEND^\n")
               .arg(n(t), call);
  }
  return sql + bench::TriggerStatements(kTables, kTriggersPerTable) + QStringLiteral("SET TERM ; ^\nCOMMIT;\n");
}
}  // namespace

BENCH("extract") {
  QTextStream out(stdout);
  double buildSeconds = 0;
  const fixtures::FbDatabase db = bench::cachedDatabase(QStringLiteral("extract"), Script(), buildSeconds);
  std::vector<double> ours, theirs;
  qsizetype ourLines = 0, theirLines = 0;
  for (int run = 0; run < 3; ++run) {
    QElapsedTimer t;
    t.start();
    const QString isql = fixtures::isqlExtract(db);
    theirs.push_back(t.nsecsElapsed() / 1e9);
    theirLines = isql.count(QLatin1Char('\n'));

    t.restart();
    QString ddl;
    {
      const bench::Connection connection(db);
      ddl = DatabaseDDL();
    }
    ours.push_back(t.nsecsElapsed() / 1e9);
    ourLines = ddl.count(QLatin1Char('\n'));
  }
  const double our = bench::median(ours), their = bench::median(theirs);
  out << QStringLiteral("   database: %1 tables, %1 views, %1 procedures, %2 triggers (%3)\n")
             .arg(kTables)
             .arg(kTables * kTriggersPerTable)
             .arg(buildSeconds > 0 ? QStringLiteral("built in %1 s").arg(buildSeconds, 0, 'f', 1)
                                   : QStringLiteral("kept from an earlier run"))
      << QStringLiteral("   extract (ours):  %1 s median of 3, %2 lines\n").arg(our, 0, 'f', 3).arg(ourLines)
      << QStringLiteral("   isql-fb -x:      %1 s median of 3, %2 lines\n").arg(their, 0, 'f', 3).arg(theirLines)
      << QStringLiteral("   ratio:           %1 (target <= 1.5)\n").arg(our / their, 0, 'f', 2)
      << QStringLiteral("   peak memory:     %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
  if (our > 1.5 * their) out << "   TARGET MISSED\n";
  out.flush();
  return 0;
}
