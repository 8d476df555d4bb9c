// The repository table at 10,000 entries: opening it and reading every row (what the pick
// dialog does) and adding one entry with its source (what an add does).
#include "base/errors.h"
#include "bench/bench.h"
#include "data/dataset.h"
#include "data/db.h"
#include "drivers/paradox/table.h"
#include "windows/repository/repositorytable.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace {

QString SourceText(int i) {
  QString text = QStringLiteral("CREATE EXCEPTION E_%1 'Ieraksts %1 nav atrasts';\r\n").arg(i);
  const int lines = 2 + (i * 7919) % 60;
  for (int l = 0; l < lines; ++l)
    text += QStringLiteral("  SELECT ID, NOSAUKUMS FROM TABULA_%1 WHERE ID = :ID AND ĀĒĪ = %2;\r\n").arg(i).arg(l);
  return text;
}

struct TRepoTable : TTable {
  TField *Name;
  TField *Source;
  explicit TRepoTable(const QString &alias) {
    const repository_table::TFields f = repository_table::Declare(this, alias);
    Name = f.Name;
    Source = f.Source;
  }
};

}  // namespace

BENCH("repository10k") {
  QTextStream out(stdout);
  QTemporaryDir dir;
  const int entries = 10000;
  TDatabase db;
  db.SetDatabaseName(QStringLiteral("BENCHREPO"));
  db.SetDriverName(QStringLiteral("STANDARD"));
  db.Params.SetValues(QStringLiteral("PATH"), dir.path());
  try {
    {
      TRepoTable create(QStringLiteral("BENCHREPO"));
      repository_table::Create(&create);
    }
    {
      TPxChange fill(TPxFiles(dir.path(), repository_table::kTableName));
      for (int i = 0; i < entries; ++i)
        fill.Insert(TRow{QStringLiteral("OBJ_%1").arg(i, 6, 10, QLatin1Char('0')), SourceText(i)});
      fill.Commit();
    }
    QElapsedTimer t;
    std::vector<double> opens, adds;
    for (int run = 0; run < 5; ++run) {
      TRepoTable pick(QStringLiteral("BENCHREPO"));
      pick.ReadOnly = true;
      t.start();
      pick.Open();
      pick.FetchAll();
      opens.push_back(t.nsecsElapsed() / 1e9);
      if (pick.RecordCount() != entries) return 2;
    }
    TRepoTable repo(QStringLiteral("BENCHREPO"));
    repo.Open();
    for (int run = 0; run < 5; ++run) {
      const QByteArray text = SourceText(entries + run).toUtf8();
      t.start();
      repo.Insert();
      repo.Name->SetAsString(QStringLiteral("NEW_%1").arg(run));
      repo.Post();
      repo.Edit();
      {
        TBlobStream s(repo.Source, TBlobStreamMode::bmWrite);
        s.write(text);
      }
      repo.Post();
      adds.push_back(t.nsecsElapsed() / 1e9);
    }
    const qint64 mb = QFileInfo(dir.path() + QStringLiteral("/DVSRC.MB")).size();
    out << QStringLiteral("   %1 entries, table %2 KiB, memo file %3 KiB")
               .arg(entries)
               .arg(QFileInfo(dir.path() + QStringLiteral("/DVSRC.DB")).size() / 1024)
               .arg(mb / 1024)
        << Qt::endl;
    out << QStringLiteral("   open + read all rows: median %1 s (first %2 s)")
               .arg(bench::median(opens), 0, 'f', 3)
               .arg(opens[0], 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("   add (insert, post, edit, memo, post): median %1 s (first %2 s)")
               .arg(bench::median(adds), 0, 'f', 3)
               .arg(adds[0], 0, 'f', 3)
        << Qt::endl;
    out << QStringLiteral("   target under 0.3 s each: %1")
               .arg(bench::median(opens) < 0.3 && bench::median(adds) < 0.3 ? "met" : "MISSED")
        << Qt::endl;
    out << QStringLiteral("   peak memory %1 MiB").arg(bench::peakRssMiB(), 0, 'f', 1) << Qt::endl;
  } catch (const Exception &e) {
    out << "   " << e.Message() << Qt::endl;
    return 1;
  }
  return 0;
}
