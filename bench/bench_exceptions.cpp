// The Exceptions and Generators windows on databases with 10,000 user objects each: opening
// the window until it has painted (both), and a refresh at the last row until it has painted
// again (exceptions). Each is taken three times; the median counts. Target: under 1 s each.
#include "app/datamodule.h"
#include "bench/bench.h"
#include "bench/benchdb.h"
#include "data/dataset.h"
#include "firebird/exceptions.h"
#include "firebird/generators.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"
#include "ui/dbgrid.h"
#include "windows/catalog/exceptions.h"
#include "windows/catalog/generators.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTextStream>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {
constexpr int kObjects = 10000;
constexpr int kRuns = 3;

// One isql session, one commit: the creation script for the objects numbered 0..kObjects-1.
QString Script(const QString &statement) {
  QString sql = QStringLiteral("SET AUTODDL OFF;\n");
  for (int i = 0; i < kObjects; ++i)
    sql += statement.arg(i, 5, 10, QLatin1Char('0')) + QLatin1Char('\n');
  return sql + QStringLiteral("COMMIT;\n");
}

// Seconds from the start of step until the widget has painted, median of kRuns.
double Median(const std::function<QWidget *()> &step) {
  QList<double> runs;
  for (int i = 0; i < kRuns; ++i) {
    QElapsedTimer t;
    t.start();
    runs << bench::secondsUntilPainted(t, step());
  }
  return bench::median(runs);
}

QString Line(const QString &what, double seconds) {
  return QStringLiteral("   %1 %2 s (median of %3, target < 1)\n").arg(what, -28).arg(seconds, 0, 'f', 3).arg(kRuns);
}

int Report(double buildSeconds, const QString &lines, bool missed, int rows) {
  QTextStream out(stdout);
  out << QStringLiteral("   database with %1 objects built in %2 s\n").arg(kObjects).arg(buildSeconds, 0, 'f', 1)
      << lines << QStringLiteral("   rows listed:                 %1\n").arg(rows)
      << QStringLiteral("   peak memory:                 %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
  if (missed) out << "   TARGET MISSED\n";
  if (rows != kObjects) out << "   WRONG ROW COUNT\n";
  return rows == kObjects ? 0 : 2;
}

// Opens kRuns windows of T, each timed until painted; they stay open until the list goes.
template <class T>
std::vector<std::unique_ptr<T>> OpenWindows(double &medianSeconds, const QSize &size) {
  std::vector<std::unique_ptr<T>> opened;
  medianSeconds = Median([&] {
    opened.emplace_back(new T);
    opened.back()->resize(size);
    return opened.back().get();
  });
  return opened;
}

}  // namespace

BENCH("exceptions10k") {
  double buildSeconds = 0;
  const fixtures::FbDatabase target = bench::buildDatabase(
      Script(QStringLiteral("CREATE EXCEPTION EXC_%1 'Exception number %1 with a message of some length';")),
      buildSeconds);
  const bench::Connection connection(target);
  double open = 0;
  auto opened = OpenWindows<TExceptionsForm>(open, QSize(800, 600));
  TExceptionsForm *form = opened.back().get();
  if (!form->ExceptionsTable->Active()) throw std::runtime_error("the list did not open");
  form->ExceptionsTable->Last();
  const double refresh = Median([&] {
    form->RefreshBtn->click();
    return form;
  });
  form->ExceptionsTable->FetchAll();
  const int rows = form->ExceptionsTable->RecordCount();
  opened.clear();
  return Report(buildSeconds, Line("open window until painted:", open) + Line("refresh at the last row:", refresh),
                open >= 1 || refresh >= 1, rows);
}

BENCH("generators10k") {
  double buildSeconds = 0;
  const fixtures::FbDatabase target =
      bench::buildDatabase(Script(QStringLiteral("CREATE GENERATOR GEN_%1;")), buildSeconds);
  const bench::Connection connection(target);
  double open = 0;
  auto opened = OpenWindows<TGeneratorsForm>(open, QSize(400, 600));
  TGeneratorsForm *form = opened.back().get();
  form->GeneratorList->FetchAll();
  const int rows = form->GeneratorList->RecordCount();
  opened.clear();
  return Report(buildSeconds, Line("open window until painted:", open), open >= 1, rows);
}
