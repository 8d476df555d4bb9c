#include "firebird/session.h"

#include "firebird/names.h"

bool AutoCommit = false;

namespace {
TFbSession *gSession = nullptr;
}

const QString TFbSession::Alias = QStringLiteral("IBB");

TFbSession *FbSession() { return gSession; }

TFbSession::TFbSession(QObject *owner) : QObject(owner) {
  setObjectName(QStringLiteral("FbSession"));
  FDb = new TIBDataBase(this);
  FDb->setObjectName(QStringLiteral("IBDataBase"));
  FDb->SetDatabaseName(Alias);
  FDb->SetDriverName(QStringLiteral("INTRBASE"));
  FDb->SessionName = QStringLiteral("Default");
  FDb->OnStartTransaction = [this](QObject *) { emit StateChanged(); };
  FDb->OnCloseTransaction = [this](QObject *) { emit StateChanged(); };
  connect(FDb, &TDatabase::Lost, this, &TFbSession::ConnectionLost);
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

void TFbSession::Execute(const QString &ddl) { FDb->ExecSQL(ddl, AutoCommit); }

void TFbSession::ExecuteFor(const char *format, const QString &catalogName) {
  Execute(FillFormat(format, {SQLName(catalogName)}));
}
void TFbSession::ExecuteBytes(const QByteArray &ddl) { FDb->ExecSQLBytes(ddl, AutoCommit); }
