#include "firebird/session.h"

#include "firebird/names.h"

#include <QScopedValueRollback>

bool AutoCommit = false;

namespace {
TFbSession *gSession = nullptr;

// The executor, telling its session of every commit and rollback that succeeded, whoever asked
// for it (the main window's commands, a script's COMMIT).
class TSessionDataBase : public TIBDataBase {
public:
  using TIBDataBase::TIBDataBase;
  std::function<void()> OnResolved;
  void Commit() override {
    TIBDataBase::Commit();
    if (OnResolved) OnResolved();
  }
  void Rollback() override {
    TIBDataBase::Rollback();
    if (OnResolved) OnResolved();
  }
};
}  // namespace

const QString TFbSession::Alias = QStringLiteral("IBB");

TFbSession *FbSession() { return gSession; }

TFbSession::TFbSession(QObject *owner) : QObject(owner) {
  setObjectName(QStringLiteral("FbSession"));
  auto *db = new TSessionDataBase(this);
  db->OnResolved = [this] {
    if (!FExecuting) emit CatalogChanged();
  };
  FDb = db;
  FDb->setObjectName(QStringLiteral("IBDataBase"));
  FDb->SetDatabaseName(Alias);
  FDb->SetDriverName(QStringLiteral("INTRBASE"));
  FDb->SessionName = QStringLiteral("Default");
  FDb->OnStartTransaction = [this](QObject *) { emit StateChanged(); };
  FDb->OnCloseTransaction = [this](QObject *) { emit StateChanged(); };
  connect(FDb, &TDatabase::Lost, this, &TFbSession::ConnectionLost);
  FDb->OnClaimReleased = [this] { emit CatalogChanged(); };
  connect(FDb, &TDatabase::AfterConnect, this, [this] {
    FDialect = 0;
    emit StateChanged();
  });
  connect(FDb, &TDatabase::AfterDisconnect, this, [this] {
    FDialect = 0;
    emit StateChanged();
  });
  gSession = this;
}

TFbSession::~TFbSession() {
  if (gSession == this) gSession = nullptr;
}

int TFbSession::Dialect() {
  if (FDialect == 0 || !FDb->Connected()) FDialect = FDb->DatabaseDialect();
  return FDialect;
}

QString TFbSession::SQLName(const QString &catalogName) { return QuoteIdentifier(catalogName, Dialect()); }

QString TFbSession::Literal(const QString &text) { return StringLiteral(text, Dialect()); }

void TFbSession::Execute(const QString &ddl) {
  {
    const QScopedValueRollback executing(FExecuting, true);
    FDb->ExecSQL(ddl, AutoCommit);
  }
  emit CatalogChanged();
}

void TFbSession::ExecuteFor(const char *format, const QString &catalogName) {
  Execute(FillFormat(format, {SQLName(catalogName)}));
}
void TFbSession::ExecuteBytes(const QByteArray &ddl) { FDb->ExecSQLBytes(ddl, AutoCommit); }
