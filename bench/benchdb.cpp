#include "bench/benchdb.h"

#include "app/datamodule.h"
#include "firebird/executor.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QWidget>
#include <stdexcept>

namespace bench {

fixtures::FbDatabase buildDatabase(const QString &script, double &seconds) {
  RegisterSQLWaitCursor();
  QElapsedTimer build;
  build.start();
  fixtures::FbDatabase db = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, script);
  seconds = build.nsecsElapsed() / 1e9;
  return db;
}

QString TriggerStatements(int tables, int perTable) {
  static const char *const events[] = {"BEFORE INSERT", "AFTER INSERT",  "BEFORE UPDATE",
                                       "AFTER UPDATE",  "BEFORE DELETE", "AFTER DELETE"};
  QString sql;
  for (int t = 0; t < tables; ++t)
    for (int i = 0; i < perTable; ++i)
      sql += QStringLiteral(
                 "CREATE TRIGGER TRG_%1_%2 FOR TAB_%1 ACTIVE %3 POSITION %2 AS\n"
                 "DECLARE VARIABLE N INTEGER;\nBEGIN\n  N = %2;\nEND^\n")
                 .arg(t, 4, 10, QLatin1Char('0'))
                 .arg(i)
                 .arg(QLatin1String(events[i % 6]));
  return sql;
}

fixtures::FbDatabase cachedDatabase(const QString &name, const QString &script, double &seconds) {
  return cachedDatabase(name, QStringList{script}, seconds);
}

fixtures::FbDatabase cachedDatabase(const QString &name, const QStringList &scripts, double &seconds) {
  const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/benchdb-cache");
  const QString hash = QString::fromLatin1(
      QCryptographicHash::hash(scripts.join(QString()).toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
  fixtures::FbDatabase db;
  db.file = db.name = QStringLiteral("%1/%2-%3.fdb").arg(dir, name, hash);
  db.user = QStringLiteral("SYSDBA");
  seconds = 0;
  if (QFileInfo(db.file).isFile()) return db;
  QDir().mkpath(dir);
  QElapsedTimer build;
  build.start();
  const fixtures::FbDatabase built = buildDatabase(scripts.value(0), seconds);
  for (int i = 1; i < scripts.size(); ++i)
    fixtures::isql(built, scripts.at(i));
  seconds = build.nsecsElapsed() / 1e9;
  // Copied under a temporary name first: an interrupted copy is never taken for the database.
  const QString part = db.file + QStringLiteral(".part");
  QFile::remove(part);
  if (!QFile::copy(built.file, part) || !QFile::rename(part, db.file))
    throw std::runtime_error("cannot keep the bench database in " + dir.toStdString());
  return db;
}

Connection::Connection(const fixtures::FbDatabase &target) { fixtures::connectDataModule(target); }

Connection::~Connection() { DMSys->IBDataBase->Close(); }

double secondsUntilPainted(QElapsedTimer &t, QWidget *w) {
  w->repaint();
  QApplication::processEvents();
  return t.nsecsElapsed() / 1e9;
}

}  // namespace bench
