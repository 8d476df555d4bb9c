// The Triggers window on a database with 10,000 triggers on 1,000 tables: opening the window
// until it has painted (target < 1 s), switching the relation to one table and back to all
// (< 0.1 s each), an Activate with its refresh of the whole list (< 1 s), and opening a
// trigger's source in a new editor until it has painted (< 0.1 s).
#include "app/datamodule.h"
#include "app/settings.h"
#include "bench/bench.h"
#include "bench/benchdb.h"
#include "data/dataset.h"
#include "firebird/triggers.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"
#include "windows/catalog/triggereditor.h"
#include "windows/catalog/triggers.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTextStream>
#include <QToolButton>
#include <exception>
#include <memory>

namespace {
constexpr int kTables = 1000;
constexpr int kTriggersPerTable = 10;

// One isql script: the tables, then every trigger, committed once.
QString TriggerScript() {
  QString sql = QStringLiteral("SET AUTODDL OFF;\n");
  for (int t = 0; t < kTables; ++t)
    sql += QStringLiteral("CREATE TABLE TAB_%1 (ID INTEGER, V INTEGER);\n").arg(t, 4, 10, QLatin1Char('0'));
  sql += QStringLiteral("SET TERM ^ ;\n");
  return sql + bench::TriggerStatements(kTables, kTriggersPerTable) + QStringLiteral("SET TERM ; ^\nCOMMIT;\n");
}

struct Figures {
  double open = 0, toTable = 0, toAll = 0, refresh = 0, source = 0;
  int all = 0, ofTable = 0;
};

Figures Measure() {
  Figures f;
  QElapsedTimer t;
  t.start();
  auto *form = new TFormTriggers();
  form->resize(900, 600);
  f.open = bench::secondsUntilPainted(t, form);
  if (!form->TrigTable->Active()) throw std::runtime_error("the list did not open");
  form->TrigTable->FetchAll();
  f.all = form->TrigTable->RecordCount();

  t.restart();
  form->TableCombo->setCurrentIndex(form->TableCombo->findText(QStringLiteral("TAB_0500")));
  f.toTable = bench::secondsUntilPainted(t, form);
  f.ofTable = form->TrigTable->RecordCount();
  t.restart();
  form->TableCombo->setCurrentIndex(0);
  f.toAll = bench::secondsUntilPainted(t, form);

  form->TrigTable->Last();
  t.restart();
  form->ActivateBtn->click();
  f.refresh = bench::secondsUntilPainted(t, form);

  t.restart();
  TTrigSourceForm *editor = form->SrcBtnClick();
  f.source = bench::secondsUntilPainted(t, editor);
  editor->close();
  form->close();
  QApplication::processEvents();
  return f;
}
}  // namespace

BENCH("triggers10k") {
  QTextStream out(stdout);
  try {
    double buildSeconds = 0;
    const fixtures::FbDatabase target = bench::buildDatabase(TriggerScript(), buildSeconds);

    const bench::Connection connection(target);
    AutoCommit = true;
    const Figures f = Measure();

    constexpr int kTriggers = kTables * kTriggersPerTable;
    out << QStringLiteral("   database with %1 triggers on %2 tables built in %3 s\n")
               .arg(kTriggers)
               .arg(kTables)
               .arg(buildSeconds, 0, 'f', 1)
        << QStringLiteral("   open window until painted:   %1 s (target < 1)\n").arg(f.open, 0, 'f', 3)
        << QStringLiteral("   switch to one table:         %1 s (target < 0.1)\n").arg(f.toTable, 0, 'f', 3)
        << QStringLiteral("   switch back to all:          %1 s (target < 0.1)\n").arg(f.toAll, 0, 'f', 3)
        << QStringLiteral("   activate and refresh:        %1 s (target < 1)\n").arg(f.refresh, 0, 'f', 3)
        << QStringLiteral("   open source in an editor:    %1 s (target < 0.1)\n").arg(f.source, 0, 'f', 3)
        << QStringLiteral("   rows listed: %1 in all, %2 of one table\n").arg(f.all).arg(f.ofTable)
        << QStringLiteral("   peak memory:                 %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
    if (f.open >= 1 || f.toTable >= 0.1 || f.toAll >= 0.1 || f.refresh >= 1 || f.source >= 0.1)
      out << "   TARGET MISSED\n";
    const bool rowsRight = f.all == kTriggers && f.ofTable == kTriggersPerTable;
    if (!rowsRight) out << "   WRONG ROW COUNT\n";
    out.flush();
    return rowsRight ? 0 : 2;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 1;
  }
}
