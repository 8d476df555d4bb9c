#include "firebird/catalognames.h"

#include "base/errors.h"
#include "firebird/session.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {
QString Trimmed(const QVariant &v) {
  QString s = v.toString();
  qsizetype n = s.size();
  while (n > 0 && s[n - 1] == u' ')
    --n;
  s.truncate(n);
  return s;
}

// A list query's first column, names trimmed, in the order the query gives them.
QStringList ReadList(QSqlDatabase &db, const char *sql) {
  QSqlQuery q(db);
  q.setForwardOnly(true);
  if (!q.exec(QString::fromLatin1(sql))) throw EDatabaseError(q.lastError().text());
  QStringList out;
  while (q.next())
    out << Trimmed(q.value(0));
  return out;
}

// A two-column query (owner, name) grouped by owner.
QHash<QString, QStringList> ReadGrouped(QSqlDatabase &db, const char *sql) {
  QSqlQuery q(db);
  q.setForwardOnly(true);
  if (!q.exec(QString::fromLatin1(sql))) throw EDatabaseError(q.lastError().text());
  QHash<QString, QStringList> out;
  while (q.next())
    out[Trimmed(q.value(0))] << Trimmed(q.value(1));
  return out;
}
}  // namespace

TCatalogNameSet ReadCatalogNames(const TStringList &params, int dialect) {
  static QAtomicInt counter;
  const QString name = QStringLiteral("tesselor-names-%1").arg(counter.fetchAndAddRelaxed(1));
  TCatalogNameSet set;
  set.Dialect = dialect;
  QString error;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), name);
    db.setDatabaseName(params.Values(QStringLiteral("SERVER NAME")));
    db.setUserName(params.Values(QStringLiteral("USER NAME")));
    db.setPassword(params.Values(QStringLiteral("PASSWORD")));
    db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    try {
      if (!db.open()) throw EDatabaseError(db.lastError().text());
      set.Relations = ReadList(db, "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS ORDER BY 1");
      set.Procedures = ReadList(db, "SELECT RDB$PROCEDURE_NAME FROM RDB$PROCEDURES ORDER BY 1");
      set.Generators = ReadList(
          db, "SELECT RDB$GENERATOR_NAME FROM RDB$GENERATORS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 ORDER BY 1");
      set.Exceptions = ReadList(db, "SELECT RDB$EXCEPTION_NAME FROM RDB$EXCEPTIONS ORDER BY 1");
      set.Domains = ReadList(db,
                             "SELECT RDB$FIELD_NAME FROM RDB$FIELDS WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0 "
                             "AND RDB$FIELD_NAME NOT STARTING WITH 'RDB$' ORDER BY 1");
      set.Columns = ReadGrouped(db,
                                "SELECT RDB$RELATION_NAME, RDB$FIELD_NAME FROM RDB$RELATION_FIELDS "
                                "ORDER BY RDB$RELATION_NAME, RDB$FIELD_POSITION");
      set.Parameters = ReadGrouped(db,
                                   "SELECT RDB$PROCEDURE_NAME, RDB$PARAMETER_NAME FROM RDB$PROCEDURE_PARAMETERS "
                                   "ORDER BY RDB$PROCEDURE_NAME, RDB$PARAMETER_TYPE, RDB$PARAMETER_NUMBER");
    } catch (const Exception &e) {
      error = e.Message();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  if (!error.isEmpty()) throw EDatabaseError(error);
  return set;
}

TCatalogNames::TCatalogNames(TFbSession *session) : QObject(session), FSession(session) {
  connect(session, &TFbSession::CatalogChanged, this, [this] { FStale = true; });
  connect(session->Database(), &TDatabase::AfterConnect, this, [this] { FStale = true; });
  connect(session->Database(), &TDatabase::AfterDisconnect, this, [this] {
    ++FGeneration;
    FNames.reset();
    FStale = true;
  });
}

TCatalogNames::~TCatalogNames() {
  // A reader posts its result to this object: it must end first.
  for (QThread *t : FThreads) {
    t->wait();
    delete t;
  }
}

std::shared_ptr<const TCatalogNameSet> TCatalogNames::Names() {
  if (FStale) Refresh();
  return FNames;
}

void TCatalogNames::Refresh() {
  if (!FSession || !FSession->Database()->Connected()) return;
  FStale = false;
  const int generation = ++FGeneration;
  const TStringList params = FSession->Database()->ConnectedParams();
  int dialect = 3;
  try {
    dialect = FSession->Dialect();
  } catch (const Exception &) {
  }
  QThread *thread = QThread::create([this, params, dialect, generation] {
    std::shared_ptr<const TCatalogNameSet> names;
    QString error;
    try {
      names = std::make_shared<const TCatalogNameSet>(ReadCatalogNames(params, dialect));
    } catch (const Exception &e) {
      error = e.Message();
    }
    QMetaObject::invokeMethod(
        this, [this, generation, names, error] { Finish(generation, names, error); }, Qt::QueuedConnection);
  });
  FThreads << thread;
  connect(thread, &QThread::finished, this, [this, thread] {
    FThreads.removeOne(thread);
    thread->deleteLater();
  });
  thread->start(QThread::LowPriority);
}

void TCatalogNames::Wait() {
  for (QThread *t : FThreads)
    t->wait();
  QCoreApplication::sendPostedEvents(this);  // the result, queued to this thread
}

void TCatalogNames::Finish(int generation, std::shared_ptr<const TCatalogNameSet> names, const QString &error) {
  if (generation != FGeneration) return;  // a newer read is under way
  if (!error.isEmpty()) {
    emit Failed(error);
    return;
  }
  FNames = std::move(names);
  emit Loaded();
}

TCatalogNames *CatalogNames() {
  TFbSession *session = FbSession();
  if (!session) return nullptr;
  auto *names = session->findChild<TCatalogNames *>(QString(), Qt::FindDirectChildrenOnly);
  return names ? names : new TCatalogNames(session);
}
