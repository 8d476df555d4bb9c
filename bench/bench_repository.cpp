// The object repository with 10,000 entries: opening the pick dialog, and storing one more
// entry through the repository window with its name typed into the input box.
#include "bench/bench.h"
#include "windows/repository/repositorytable.h"

#include "data/dataset.h"
#include "data/db.h"
#include "drivers/paradox/table.h"
#include "tests/fixtures/modal.h"
#include "tests/fixtures/testenv.h"
#include "windows/repository/pickdialog.h"
#include "windows/repository/repositorywindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>
#include <algorithm>

namespace {
constexpr int kEntries = 10000;
constexpr int kRounds = 7;

void CreateRepository(const QString &dir) {
  TTable t;
  repository_table::Declare(&t, QStringLiteral("DEVSOURCES"));
  repository_table::Create(&t);

  // Filled in one change: ten thousand posts would measure the filling, not the windows.
  TPxChange change(TPxFiles(dir, repository_table::kTableName));
  const TPxTable &layout = change.Table();
  for (int i = 0; i < kEntries; ++i) {
    const QString name = QStringLiteral("ENTRY %1").arg(i, 5, 10, QLatin1Char('0'));
    const QString source =
        QStringLiteral("select *\r\n  from RDB$RELATIONS\r\n where RDB$RELATION_ID = %1;\r\n").arg(i);
    TRow row{PxNormalize(layout.Columns[0], name, change.Codec()),
             PxNormalize(layout.Columns[1], source, change.Codec())};
    change.Insert(row);
  }
  change.Commit();
}

void CloseRepositoryWindows() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (qobject_cast<TObjRepos *>(w)) w->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

double Max(const QVector<double> &v) { return *std::max_element(v.begin(), v.end()); }
}  // namespace

// Pick: from the call until the dialog shows its list, and the whole call with OK pressed
// at once (the answer polls every 10 ms, so the whole call includes up to that much waiting).
bool MeasurePick(QVector<double> &pickShown, QVector<double> &pickWhole) {
  for (int i = 0; i <= kRounds; ++i) {
    QElapsedTimer timer;
    double shown = 0;
    int rows = 0;
    ModalAnswer ok;
    ok.ButtonText = QStringLiteral("OK");
    ok.Check = [&](QWidget *box) {
      shown = timer.nsecsElapsed() / 1e9;
      rows = qobject_cast<TSelObjSourceForm *>(box)->ReposTable->RecordCount();
    };
    auto seen = answerNextModal(ok);
    TStringList lines;
    timer.start();
    SelectObjectSource(lines);
    const double whole = timer.nsecsElapsed() / 1e9;
    if (!seen->Shown || lines.Count() != 3 || rows == 0) {
      QTextStream(stdout) << "   the pick dialog did not yield an entry\n";
      return false;
    }
    if (i > 0) {  // the first round warms the caches
      pickShown << shown;
      pickWhole << whole;
    }
  }

  return true;
}

// Add: the whole call, name typed into the input box, and the part after the box closed
// (the two posts that store the entry).
bool MeasureAdd(QVector<double> &addWhole, QVector<double> &addStore) {
  TStringList source(QStringList{QStringLiteral("create domain D_NAME as varchar(31);"),
                                 QStringLiteral("create domain D_FLAG as smallint;")});
  for (int i = 0; i <= kRounds; ++i) {
    QElapsedTimer timer, store;
    ModalAnswer name;
    name.TypeText = QStringLiteral("ADDED %1").arg(i);
    name.ButtonText = QStringLiteral("OK");
    name.Check = [&](QWidget *) { store.start(); };
    auto seen = answerNextModal(name);
    timer.start();
    AddObjectSource(source);
    const double whole = timer.nsecsElapsed() / 1e9;
    const double stored = store.nsecsElapsed() / 1e9;
    CloseRepositoryWindows();
    if (!seen->Shown) {
      QTextStream(stdout) << "   the name prompt did not appear\n";
      return false;
    }
    if (i > 0) {
      addWhole << whole;
      addStore << stored;
    }
  }

  return true;
}

BENCH("repository_ui10k") {
  QTextStream out(stdout);
  quietOffscreenWarnings();
  fixtures::TempHome home;
  const QString dir = fixtures::tempPath(QStringLiteral("repo10k"));
  QDir().mkpath(dir);
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("DEVSOURCES"));
  db.SetDriverName(QStringLiteral("STANDARD"));
  db.Params.SetValues(QStringLiteral("PATH"), dir);
  db.Open();
  CreateRepository(dir);

  QVector<double> pickShown, pickWhole, addWhole, addStore;
  if (!MeasurePick(pickShown, pickWhole)) return 3;
  if (!MeasureAdd(addWhole, addStore)) return 4;

  TTable check;
  repository_table::Declare(&check, QStringLiteral("DEVSOURCES"));
  check.Open();
  check.FetchAll();
  const int count = check.RecordCount();

  out << QStringLiteral("   entries at the end: %1 (expected %2)\n").arg(count).arg(kEntries + kRounds + 1);
  out << QStringLiteral("   pick dialog shown:            median %1 s, max %2 s\n")
             .arg(bench::median(pickShown), 0, 'f', 4)
             .arg(Max(pickShown), 0, 'f', 4);
  out << QStringLiteral("   pick, whole call (OK at once): median %1 s, max %2 s\n")
             .arg(bench::median(pickWhole), 0, 'f', 4)
             .arg(Max(pickWhole), 0, 'f', 4);
  out << QStringLiteral("   add, whole call (name typed):  median %1 s, max %2 s\n")
             .arg(bench::median(addWhole), 0, 'f', 4)
             .arg(Max(addWhole), 0, 'f', 4);
  out << QStringLiteral("   add, storing after the prompt: median %1 s, max %2 s\n")
             .arg(bench::median(addStore), 0, 'f', 4)
             .arg(Max(addStore), 0, 'f', 4);
  out << QStringLiteral("   target: under 0.3 s each; peak RSS %1 MiB\n").arg(bench::peakRssMiB(), 0, 'f', 1);
  if (count != kEntries + kRounds + 1) return 5;
  if (Max(pickWhole) >= 0.3 || Max(addWhole) >= 0.3) out << "   TARGET MISSED\n";
  return 0;
}
