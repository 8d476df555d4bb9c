#include "bench/benchdb.h"

#include "app/datamodule.h"
#include "firebird/executor.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>

namespace bench {

fixtures::FbDatabase buildDatabase(const QString &script, double &seconds) {
  RegisterSQLWaitCursor();
  QElapsedTimer build;
  build.start();
  fixtures::FbDatabase db = fixtures::createDatabase(3, fixtures::Content::Empty, fixtures::Access::Embedded, script);
  seconds = build.nsecsElapsed() / 1e9;
  return db;
}

fixtures::FbDatabase cachedDatabase(const QString &name, const QString &script, double &seconds, bool &cached) {
  const QString dir =
      QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/tesselor-bench");
  const QString key = QString::fromLatin1(QCryptographicHash::hash(script.toUtf8(), QCryptographicHash::Sha1).toHex());
  const QString file = QStringLiteral("%1/%2-%3.fdb").arg(dir, name, key.left(12));
  QElapsedTimer build;
  build.start();
  cached = QFile::exists(file);
  fixtures::FbDatabase db;
  if (cached) {
    RegisterSQLWaitCursor();
    db = fixtures::createDatabase(3, fixtures::Content::Empty);
    QFile::remove(db.file);
    if (!QFile::copy(file, db.file)) throw std::runtime_error("cannot copy the cached database");
    QFile(db.file).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  } else {
    db = buildDatabase(script, seconds);
    QDir().mkpath(dir);
    QFile::copy(db.file, file + QStringLiteral(".part"));
    QFile::rename(file + QStringLiteral(".part"), file);
  }
  seconds = build.nsecsElapsed() / 1e9;
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
