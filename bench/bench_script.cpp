// A 10,000-statement DDL script (domains, exceptions, generators, tables and triggers under
// SET TERM) run as a script in the DDL statements window with auto commit on, against isql-fb
// -i on the same file in the same run, each on a fresh embedded database. Targets: the window
// takes at most 1.1 times isql's time, and never goes 100 ms without painting meanwhile.
#include "app/datamodule.h"
#include "app/settings.h"
#include "base/errors.h"
#include "bench/bench.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/isqlscript.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/session.h"
#include "ui/sqleditor.h"
#include "windows/editing/ddlwindow.h"
#include "windows/editing/scriptrun.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <memory>
#include <vector>

namespace {
constexpr int kGroups = 2000;  // five statements each
constexpr int kRounds = 3;

QString ScriptText() {
  QString s;
  QTextStream out(&s);
  for (int i = 0; i < kGroups; ++i) {
    out << "CREATE DOMAIN DOM_" << i << " AS VARCHAR(" << 10 + i % 30 << ") DEFAULT 'x';\n"
        << "CREATE EXCEPTION EX_" << i << " 'Failure number " << i << "; it''s bad';\n"
        << "CREATE GENERATOR G_" << i << ";\n"
        << "CREATE TABLE T_" << i << " (ID INTEGER NOT NULL PRIMARY KEY, NAME DOM_" << i << ");\n"
        << "SET TERM ^ ;\n"
        << "CREATE TRIGGER TR_" << i << " FOR T_" << i << " BEFORE INSERT AS\nBEGIN\n"
        << "  IF (NEW.ID IS NULL) THEN NEW.ID = GEN_ID(G_" << i << ", 1);\n"
        << "  IF (NEW.NAME = '') THEN EXCEPTION EX_" << i << ";\nEND^\n"
        << "SET TERM ; ^\n";
  }
  return s;
}

// Records when any widget of one window paints.
class TPaintWatch : public QObject {
public:
  explicit TPaintWatch(QWidget *window) : FWindow(window) { FClock.start(); }
  std::vector<qint64> Times;  // ms since the watch started

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint) {
      auto *w = qobject_cast<QWidget *>(watched);
      if (w && w->window() == FWindow) Times.push_back(FClock.elapsed());
    }
    return false;
  }

private:
  QWidget *FWindow;
  QElapsedTimer FClock;
};

struct TRun {
  double seconds = 0;
  qint64 longestGapMs = 0;
  QString summary;
};

TRun RunInWindow(const QString &file) {
  const fixtures::FbDatabase db = fixtures::createDatabase(3);
  fixtures::connectDataModule(db);
  auto *form = new TSQLExprForm;
  const auto close = qScopeGuard([form] {
    form->close();
    QApplication::processEvents();
    DMSys->IBDataBase->Close();
  });
  form->resize(900, 700);
  form->ShowChild();
  if (!QTest::qWaitForWindowExposed(form)) throw Exception(QStringLiteral("the DDL window was never shown"));
  LoadEditorFromFile(form->ExecSql, file);
  QTest::qWait(100);

  QEventLoop loop;
  QObject::connect(form->ScriptPanel, &TScriptPanel::RunningChanged, &loop, [&](bool running) {
    if (!running) loop.quit();
  });
  TPaintWatch paints(form->window());
  qApp->installEventFilter(&paints);
  QElapsedTimer t;
  t.start();
  form->MnRunScript->trigger();
  if (form->ScriptPanel->Running()) loop.exec();
  TRun r;
  r.seconds = t.nsecsElapsed() / 1e9;
  qApp->removeEventFilter(&paints);
  qint64 last = 0;
  for (qint64 at : paints.Times) {
    r.longestGapMs = std::max(r.longestGapMs, at - last);
    last = at;
  }
  r.longestGapMs = std::max(r.longestGapMs, qint64(r.seconds * 1000) - last);
  r.summary = form->ScriptPanel->Summary();
  return r;
}

}  // namespace

BENCH("script10k") {
  QTextStream out(stdout);
  RegisterSQLWaitCursor();
  installModalWatchdog(5000);  // a box nobody answers is reported and closed, never hangs the run
  const fixtures::ScopedDataModule module;
  AutoCommit = true;
  const QString file = fixtures::tempPath(QStringLiteral("script10k"), QStringLiteral(".sql"));
  QFile f(file);
  if (!f.open(QIODevice::WriteOnly) || f.write(ScriptText().toUtf8()) <= 0)
    throw Exception(QStringLiteral("cannot write the script"));
  f.close();

  std::vector<double> isql, ours, ratios;
  qint64 longestGap = 0;
  bool allRan = true;
  for (int round = 0; round < kRounds; ++round) {
    const fixtures::FbDatabase target = fixtures::createDatabase(3);
    // The same connection character set as the program's attachment.
    isql.push_back(fixtures::isqlInputFile(file, fixtures::tempDir(), &target, QStringLiteral("UTF8")));
    const TRun r = RunInWindow(file);
    ours.push_back(r.seconds);
    ratios.push_back(r.seconds / isql.back());
    longestGap = std::max(longestGap, r.longestGapMs);
    allRan = allRan && r.summary == QStringLiteral("Script done: %1 statements run, 0 skipped").arg(kGroups * 5);
    out << QStringLiteral("   round %1: isql-fb -i %2 s, run as script %3 s (ratio %4), longest paint gap %5 ms\n")
               .arg(round + 1)
               .arg(isql.back(), 0, 'f', 2)
               .arg(r.seconds, 0, 'f', 2)
               .arg(ratios.back(), 0, 'f', 3)
               .arg(r.longestGapMs);
    out.flush();
  }
  const double ratio = bench::median(ratios);
  out << QStringLiteral("   median isql-fb -i:           %1 s\n").arg(bench::median(isql), 0, 'f', 2)
      << QStringLiteral("   median run as script:        %1 s\n").arg(bench::median(ours), 0, 'f', 2)
      << QStringLiteral("   median ratio:                %1 (target <= 1.1)\n").arg(ratio, 0, 'f', 3)
      << QStringLiteral("   longest gap between paints:  %1 ms (target < 100)\n").arg(longestGap)
      << QStringLiteral("   peak memory:                 %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
  if (ratio > 1.1 || longestGap >= 100) out << "   TARGET MISSED\n";
  if (!allRan) out << "   NOT EVERY STATEMENT RAN\n";
  out.flush();
  return allRan ? 0 : 2;
}
