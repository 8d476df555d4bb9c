#include "data/db.h"

#include "base/errors.h"
#include "data/dataset.h"

#include <map>

namespace {
std::map<QString, TDriverFactory> &Drivers() {
  static std::map<QString, TDriverFactory> drivers;
  return drivers;
}
}  // namespace

void RegisterDriver(const QString &driverName, TDriverFactory make) {
  Drivers()[driverName.toUpper()] = std::move(make);
}

std::unique_ptr<TDriverConnection> CreateDriverConnection(const QString &driverName) {
  const auto found = Drivers().find(driverName.toUpper());
  if (found == Drivers().end()) throw EDatabaseError(QStringLiteral("Unknown driver: %1").arg(driverName));
  return found->second();
}

TDatabase::TDatabase(QObject *owner) : QObject(owner) { Session().Register(this); }

TDatabase::~TDatabase() {
  try {
    Close();
  } catch (...) {
    // Closing at destruction cannot report anything; the engine releases the attachment.
  }
  for (TDataSet *ds : FDataSets)
    ds->disconnect(this);
  Session().Unregister(this);
}

void TDatabase::SetDatabaseName(const QString &alias) { FDatabaseName = alias; }

void TDatabase::SetDriverName(const QString &driver) {
  if (Connected()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open database"));
  FDriverName = driver;
  FConnection.reset();
}

bool TDatabase::Connected() const { return FConnection && FConnection->Connected(); }

void TDatabase::Open() {
  if (Connected()) return;
  if (!FConnection) {
    FConnection = CreateDriverConnection(FDriverName);
    // Reported while a dataset may be in the middle of an operation: close afterwards.
    FConnection->OnLost = [this] {
      QMetaObject::invokeMethod(
          this, [this] { ConnectionLost(); }, Qt::QueuedConnection);
    };
  }
  TStringList params = Params;
  if (LoginPrompt) {
    TStringList login;
    login.SetValues(QStringLiteral("USER NAME"), Params.Values(QStringLiteral("USER NAME")));
    if (OnLogin) OnLogin(this, login);
    params.SetValues(QStringLiteral("USER NAME"), login.Values(QStringLiteral("USER NAME")));
    params.SetValues(QStringLiteral("PASSWORD"), login.Values(QStringLiteral("PASSWORD")));
  }
  FConnection->Open(params);
  FConnectedParams = params;
  if (LoginPrompt) Params.SetValues(QStringLiteral("USER NAME"), params.Values(QStringLiteral("USER NAME")));
  emit AfterConnect();
}

void TDatabase::Close() {
  const QList<TDataSet *> sets = FDataSets;
  for (TDataSet *ds : sets)
    ds->Close();
  if (FConnection && FConnection->Connected()) {
    FConnection->Close();
    emit AfterDisconnect();
  }
}

void TDatabase::ConnectionLost() {
  if (!Connected()) return;
  Close();
  emit Lost();
}

TDriverConnection &TDatabase::Connection() {
  Open();
  return *FConnection;
}

QVariant TDatabase::NativeHandle() {
  if (!Connected()) throw EDatabaseError(QStringLiteral("Database %1 is not open").arg(FDatabaseName));
  QVariant h = FConnection->NativeHandle();
  if (!h.isValid()) throw EDatabaseError(QStringLiteral("The engine returned no native handle"));
  return h;
}

void TDatabase::RegisterDataSet(TDataSet *ds) {
  if (!FDataSets.contains(ds)) FDataSets.append(ds);
}

void TDatabase::UnregisterDataSet(TDataSet *ds) { FDataSets.removeAll(ds); }

TSession &TSession::Default() {
  static TSession session;
  return session;
}

TDatabase *TSession::FindDatabase(const QString &alias) const {
  for (TDatabase *db : FDatabases)
    if (db->DatabaseName().compare(alias, Qt::CaseInsensitive) == 0) return db;
  return nullptr;
}

TDatabase &TSession::DatabaseByName(const QString &alias) const {
  TDatabase *db = FindDatabase(alias);
  if (!db) throw EDatabaseError(QStringLiteral("Unknown database: %1").arg(alias));
  return *db;
}

void TSession::GetTableNames(const QString &alias, const QString &pattern, bool extensions, bool systemTables,
                             QStringList &list) const {
  list.clear();
  list = DatabaseByName(alias).Connection().TableNames(pattern, extensions, systemTables);
}

void TSession::Register(TDatabase *db) { FDatabases.append(db); }
void TSession::Unregister(TDatabase *db) { FDatabases.removeAll(db); }
