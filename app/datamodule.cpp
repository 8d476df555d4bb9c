#include "app/datamodule.h"

#include "app/pwddlg.h"
#include "app/settings.h"
#include "catalog/model.h"
#include "ui/errordisplay.h"

#include <QLineEdit>
#include <memory>

TDMSys *DMSys = nullptr;

TDMSys::TDMSys(QObject *owner) : QObject(owner) {
  setObjectName(QStringLiteral("DMSys"));

  IBDataBase = new TIBDataBase(this);
  IBDataBase->setObjectName(QStringLiteral("IBDataBase"));
  IBDataBase->SetDatabaseName(QStringLiteral("IBB"));
  IBDataBase->SetDriverName(QStringLiteral("INTRBASE"));
  IBDataBase->SessionName = QStringLiteral("Default");
  IBDataBase->LoginPrompt = true;
  IBDataBase->Params.Add(QStringLiteral("USER=SYSDBA"));
  IBDataBase->Params.Add(QStringLiteral("PASSWORD=tarnwidge"));
  IBDataBase->Params.Add(QStringLiteral("SERVER NAME=localhost:employee"));
  IBDataBase->Params.Add(QStringLiteral("USER NAME=SYSDBA"));
  IBDataBase->OnLogin = [this](TDatabase *sender, TStringList &params) { IBDataBaseLogin(sender, params); };
  IBDataBase->OnStartTransaction = [this](QObject *sender) { IBDataBaseStartTransaction(sender); };
  IBDataBase->OnCloseTransaction = [this](QObject *sender) { IBDataBaseCloseTransaction(sender); };
  connect(IBDataBase, &TDatabase::Lost, this, [this] { IBDataBaseLost(IBDataBase); });

  connect(IBDataBase, &TDatabase::AfterConnect, this, &TDMSys::StateChanged);
  connect(IBDataBase, &TDatabase::AfterDisconnect, this, &TDMSys::StateChanged);

  DevSrc = new TDatabase(this);
  DevSrc->setObjectName(QStringLiteral("DevSrc"));
  DevSrc->SetDatabaseName(QStringLiteral("DEVSOURCES"));
  DevSrc->SetDriverName(QStringLiteral("STANDARD"));
  DevSrc->SessionName = QStringLiteral("Default");
  DevSrc->LoginPrompt = false;

  Guard([this] { DMSysCreate(this); });
}

TDMSys::~TDMSys() {
  if (DMSys == this) DMSys = nullptr;
}

QString TDMSys::SQLName(const QString &catalogName) const {
  return QuoteIdentifier(catalogName, IBDataBase->DatabaseDialect());
}

void TDMSys::DMSysCreate(QObject *) {
  DevSrc->Close();
  DevSrc->Params.SetValues(QStringLiteral("PATH"), RepositoryDir);
  DevSrc->Open();
}

void TDMSys::IBDataBaseLogin(TDatabase *, TStringList &LoginParams) {
  auto dlg = std::make_unique<TDBEntryDlg>();
  if (dlg->exec() != QDialog::Accepted) throw Exception(QStringLiteral("Login canceled"));
  LoginParams.SetValues(QStringLiteral("USER NAME"), dlg->UserN->text());
  LoginParams.SetValues(QStringLiteral("PASSWORD"), dlg->Password->text());
}

void TDMSys::IBDataBaseStartTransaction(QObject *) { emit StateChanged(); }

void TDMSys::IBDataBaseCloseTransaction(QObject *) { emit StateChanged(); }

void TDMSys::IBDataBaseLost(QObject *) { emit ConnectionLost(); }
