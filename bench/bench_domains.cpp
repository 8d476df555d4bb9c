// The Domains window on a database with 10,000 user domains (a quarter of them with a
// default, so memo columns are read too): opening the window until it has painted, and a
// refresh until it has painted again. Target: under 1 s each.
#include "app/datamodule.h"
#include "bench/bench.h"
#include "bench/benchdb.h"
#include "data/dataset.h"
#include "firebird/domains.h"
#include "tests/fixtures/firebird.h"
#include "tests/fixtures/session.h"
#include "ui/dbgrid.h"
#include "windows/catalog/domains.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTextStream>
#include <QToolButton>
#include <exception>
#include <memory>

namespace {
constexpr int kDomains = 10000;

QString DomainScript() {
  static const char *const types[] = {"INTEGER", "VARCHAR(40)", "NUMERIC(9,2)", "SMALLINT", "CHAR(8)"};
  static const char *const defaults[] = {" DEFAULT 0", " DEFAULT 'x'", " DEFAULT 0", " DEFAULT 0", " DEFAULT 'x'"};
  QString sql = QStringLiteral("SET AUTODDL OFF;\n");
  for (int i = 0; i < kDomains; ++i)
    sql += QStringLiteral("CREATE DOMAIN DOM_%1 AS %2%3%4;\n")
               .arg(i, 5, 10, QLatin1Char('0'))
               .arg(QLatin1String(types[i % 5]))
               .arg(i % 4 == 1 ? QLatin1String(defaults[i % 5]) : QLatin1String(""))
               .arg(i % 4 == 0 ? QLatin1String(" NOT NULL") : QLatin1String(""));
  return sql + QStringLiteral("COMMIT;\n");
}

}  // namespace

BENCH("domains10k") {
  QTextStream out(stdout);
  try {
    double buildSeconds = 0;
    const fixtures::FbDatabase target = bench::buildDatabase(DomainScript(), buildSeconds);

    const bench::Connection connection(target);

    QElapsedTimer t;
    t.start();
    auto *form = new TDomainsForm();
    form->resize(800, 600);
    const double open = bench::secondsUntilPainted(t, form);
    if (!form->TableFields->Active()) throw std::runtime_error("the list did not open");

    // Scroll to the end once, so the refresh has every row to re-read and find its place in.
    t.restart();
    form->TableFields->Last();
    const double last = bench::secondsUntilPainted(t, form);
    t.restart();
    form->RefreshBtn->click();
    const double refresh = bench::secondsUntilPainted(t, form);
    form->TableFields->FetchAll();
    const int rows = form->TableFields->RecordCount();
    form->close();
    QApplication::processEvents();

    out << QStringLiteral("   database with %1 domains built in %2 s\n").arg(kDomains).arg(buildSeconds, 0, 'f', 1)
        << QStringLiteral("   open window until painted:   %1 s (target < 1)\n").arg(open, 0, 'f', 3)
        << QStringLiteral("   go to the last row:          %1 s\n").arg(last, 0, 'f', 3)
        << QStringLiteral("   refresh at the last row:     %1 s (target < 1)\n").arg(refresh, 0, 'f', 3)
        << QStringLiteral("   rows listed:                 %1\n").arg(rows)
        << QStringLiteral("   peak memory:                 %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
    if (open >= 1 || refresh >= 1) out << "   TARGET MISSED\n";
    if (rows != kDomains) out << "   WRONG ROW COUNT\n";
    out.flush();
    return rows == kDomains ? 0 : 2;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 1;
  }
}
