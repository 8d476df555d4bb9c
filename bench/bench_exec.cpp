// 1,000 ExecSQL calls with commit-after against isql-fb running the same statements, each
// followed by COMMIT; both on a fresh embedded database of their own, in the same run.
#include "base/errors.h"
#include "bench/bench.h"
#include "firebird/executor.h"
#include "tests/fixtures/firebird.h"

#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>
#include <exception>
#include <vector>

namespace {
constexpr int kStatements = 1000;
constexpr int kRounds = 3;

QString Statement(int i) {
  return i % 2 == 0 ? QStringLiteral("CREATE EXCEPTION E_BENCH 'bench'") : QStringLiteral("DROP EXCEPTION E_BENCH");
}

double ExecutorSeconds() {
  const fixtures::FbDatabase target = fixtures::createDatabase(3);
  TIBDataBase db;
  db.SetDatabaseName(QStringLiteral("BENCHIB"));
  db.SetDriverName(QStringLiteral("INTRBASE"));
  db.Params.SetValues(QStringLiteral("SERVER NAME"), target.name);
  db.Params.SetValues(QStringLiteral("USER NAME"), target.user);
  db.Params.SetValues(QStringLiteral("PASSWORD"), QStringLiteral("x"));
  db.Open();
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < kStatements; ++i)
    db.ExecSQL(Statement(i), true);
  return t.nsecsElapsed() / 1e9;
}

// The whole isql-fb run (process start and attachment included) for script.
double IsqlSeconds(const QString &script) {
  const fixtures::FbDatabase target = fixtures::createDatabase(3);
  QElapsedTimer t;
  t.start();
  fixtures::isql(target, script);
  return t.nsecsElapsed() / 1e9;
}
}  // namespace

// The machine is shared, so the pair is measured a few times in alternating order and the
// median round is reported.
BENCH("execsql") {
  QTextStream out(stdout);
  try {
    RegisterSQLWaitCursor();
    QString script = QStringLiteral("SET AUTODDL OFF;\n");
    for (int i = 0; i < kStatements; ++i)
      script += Statement(i) + QStringLiteral(";\nCOMMIT;\n");
    struct Round {
      double executor, isql;
    };
    std::vector<Round> rounds;
    for (int r = 0; r < kRounds; ++r) {
      Round round{};
      if (r % 2 == 0) {
        round.executor = ExecutorSeconds();
        round.isql = IsqlSeconds(script);
      } else {
        round.isql = IsqlSeconds(script);
        round.executor = ExecutorSeconds();
      }
      out << QStringLiteral("   round %1: ExecSQL %2 s, isql-fb %3 s, ratio %4\n")
                 .arg(r + 1)
                 .arg(round.executor, 0, 'f', 3)
                 .arg(round.isql, 0, 'f', 3)
                 .arg(round.executor / round.isql, 0, 'f', 3);
      out.flush();
      rounds.push_back(round);
    }
    std::sort(rounds.begin(), rounds.end(),
              [](const Round &a, const Round &b) { return a.executor / a.isql < b.executor / b.isql; });
    const Round median = rounds[rounds.size() / 2];
    const double isqlStart = IsqlSeconds(QStringLiteral("SELECT 1 FROM RDB$DATABASE;\n"));
    out << QStringLiteral("   ExecSQL x%1 with commit:          %2 s\n")
               .arg(kStatements)
               .arg(median.executor, 0, 'f', 3)
        << QStringLiteral("   isql-fb, same statements + COMMIT: %1 s (its start and attach alone: %2 s)\n")
               .arg(median.isql, 0, 'f', 3)
               .arg(isqlStart, 0, 'f', 3)
        << QStringLiteral("   ratio ExecSQL / isql-fb (median):  %1 (target <= 1.1)\n")
               .arg(median.executor / median.isql, 0, 'f', 3)
        << QStringLiteral("   peak memory:                       %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
    if (median.executor / median.isql > 1.1) out << "   TARGET MISSED\n";
    out.flush();
    return 0;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 1;
  }
}
