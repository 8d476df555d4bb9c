// Writes repository entries in a loop through the local-table driver and reports each change
// on stdout only after the driver returned: "B <op> <name> <version>" before, then "D" when done
// or "F" when refused. Usage: child_repowriter DIR TAG SEED OPS MODE, where OPS 0 means until
// killed and MODE is "mixed" (insert, edit, delete) or "insert".
#include "base/errors.h"
#include "drivers/drivers.h"
#include "drivers/paradox/driver.h"
#include "tests/paradox_memo_text.h"

#include <unistd.h>
#include <QHash>
#include <QString>
#include <cstdio>
#include <random>

namespace {

void Say(const QString &line) {
  const QByteArray bytes = (line + u'\n').toUtf8();
  ssize_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(STDOUT_FILENO, bytes.constData() + done, size_t(bytes.size() - done));
    if (n <= 0) _exit(3);
    done += n;
  }
}

struct TWriter {
  std::unique_ptr<TDriverConnection> Conn = CreateParadoxConnection();
  std::unique_ptr<TCursor> Cursor;
  QHash<QString, TRow> Rows;
  QStringList Names;

  void Load() {
    Cursor = Conn->OpenTable(QStringLiteral("DVSRC.DB"), {}, false);
    QVector<TRow> rows;
    Cursor->Fetch(rows, -1);
    Rows.clear();
    Names.clear();
    for (const TRow &r : rows) {
      Rows.insert(r[0].toString(), r);
      Names.append(r[0].toString());
    }
  }
  void Forget(const QString &name) {
    Rows.remove(name);
    Names.removeAll(name);
  }
};

}  // namespace

int main(int argc, char **argv) {
  if (argc < 6) return 2;
  const QString dir = QString::fromLocal8Bit(argv[1]), tag = QString::fromLocal8Bit(argv[2]);
  std::mt19937 rnd(uint32_t(atoi(argv[3])));
  const int ops = atoi(argv[4]);
  const bool mixed = QByteArray(argv[5]) == "mixed";
  RegisterDrivers();
  TWriter w;
  try {
    TStringList params;
    params.SetValues(QStringLiteral("PATH"), dir);
    w.Conn->Open(params);
    w.Load();
  } catch (const Exception &e) {
    fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  for (int i = 0; ops == 0 || i < ops; ++i) {
    const int pick = int(rnd() % 10);
    QString op = QStringLiteral("I"), name = QStringLiteral("%1_%2").arg(tag).arg(i);
    int version = 0;
    if (mixed && pick >= 5 && !w.Names.isEmpty()) {
      name = w.Names[int(rnd() % uint32_t(w.Names.size()))];
      op = pick < 8 ? QStringLiteral("U") : QStringLiteral("X");
      version = RepoMemoVersion(w.Rows[name][1].toString()) + 1;
    }
    Say(QStringLiteral("B %1 %2 %3").arg(op, name).arg(version));
    try {
      TRow row{name, RepoMemoText(name, version)};
      if (op == u'I') {
        w.Cursor->Insert(row);
        w.Rows.insert(name, row);
        w.Names.append(name);
      } else if (op == u'U') {
        w.Cursor->Update(w.Rows[name], row);
        w.Rows.insert(name, row);
      } else {
        w.Cursor->Delete(w.Rows[name]);
        w.Forget(name);
      }
      Say(QStringLiteral("D"));
    } catch (const EDatabaseError &e) {
      Say(QStringLiteral("F %1").arg(e.Message()));
      try {
        w.Load();  // another writer got there first: start again from the table as it is
      } catch (const Exception &) {
      }
    }
  }
  return 0;
}
