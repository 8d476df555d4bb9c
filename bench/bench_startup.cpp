// Start-up to a shown main window: in this process (StartUp until the window is exposed),
// and as a whole program (from starting the process until its window is shown and its event
// loop turns).
#include "app/mainform.h"
#include "app/startup.h"
#include "bench/bench.h"
#include "tests/fixtures/testenv.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTextStream>
#include <QtTest>
#include <algorithm>
#include <vector>

namespace {
constexpr int kRounds = 5;
// Whole-program starts: enough of them that a stall in one start in a few shows.
constexpr int kProgramRounds = 15;

// One in-process start-up, in seconds; negative when the window never showed.
double InProcess() {
  fixtures::TempHome home;
  SetHistoryFileName(fixtures::tempPath(QStringLiteral("connect"), QStringLiteral(".hst")));
  QElapsedTimer t;
  t.start();
  StartUp({QStringLiteral("tesselor"), QStringLiteral("/data/sample.fdb")});
  const bool shown = QTest::qWaitForWindowExposed(MainForm);
  const double seconds = t.nsecsElapsed() / 1e9;
  ShutDown();
  SetHistoryFileName(QString());
  return shown ? seconds : -1;
}

// One whole-program start-up, in seconds; negative on failure.
double WholeProgram(const QString &program) {
  QProcess p;
  QElapsedTimer t;
  t.start();
  p.start(program, {QStringLiteral("/data/sample.fdb")});
  while (p.state() != QProcess::NotRunning || p.bytesAvailable()) {
    if (p.canReadLine() && p.readLine().trimmed() == "shown") {
      const double seconds = t.nsecsElapsed() / 1e9;
      p.waitForFinished(10000);
      return seconds;
    }
    p.waitForReadyRead(50);
    if (t.elapsed() > 20000) break;
  }
  p.kill();
  p.waitForFinished();
  return -1;
}
}  // namespace

BENCH("startup") {
  QTextStream out(stdout);
  std::vector<double> inside, whole;
  const double first = InProcess();
  for (int i = 0; i < kRounds; ++i)
    inside.push_back(InProcess());
  const QString child = QCoreApplication::applicationDirPath() + QStringLiteral("/../tests/child_shellstart");
  for (int i = 0; i < kProgramRounds; ++i)
    whole.push_back(WholeProgram(child));
  if (first < 0 || *std::min_element(inside.begin(), inside.end()) < 0 ||
      *std::min_element(whole.begin(), whole.end()) < 0) {
    out << "   the main window did not show" << Qt::endl;
    return 1;
  }
  out << QStringLiteral("   in process: first %1 s, median of %2 more %3 s")
             .arg(first, 0, 'f', 3)
             .arg(kRounds)
             .arg(bench::median(inside), 0, 'f', 3)
      << Qt::endl;
  const double slowest = *std::max_element(whole.begin(), whole.end());
  out << QStringLiteral(
             "   whole program (process start to window shown): median of %1 %2 s (target < 0.5 s), "
             "slowest %3 s (target < 2 s)")
             .arg(kProgramRounds)
             .arg(bench::median(whole), 0, 'f', 3)
             .arg(slowest, 0, 'f', 3)
      << Qt::endl;
  if (bench::median(whole) >= 0.5 || slowest >= 2) out << "   TARGET MISSED" << Qt::endl;
  return 0;
}
