#include "app/datamodule.h"

#include "app/pwddlg.h"
#include "app/settings.h"
#include "ui/errordisplay.h"
#include "windows/repository/repositorytable.h"

#include <QLineEdit>
#include <memory>

TDMSys *DMSys = nullptr;

TDMSys::TDMSys(QObject *owner) : QObject(owner) {
  setObjectName(QStringLiteral("DMSys"));

  Session = new TFbSession(this);
  IBDataBase = Session->Database();
  IBDataBase->LoginPrompt = true;
  IBDataBase->Params.Add(QStringLiteral("USER=SYSDBA"));
  IBDataBase->Params.Add(QStringLiteral("PASSWORD=tarnwidge"));
  IBDataBase->Params.Add(QStringLiteral("SERVER NAME=localhost:employee"));
  IBDataBase->Params.Add(QStringLiteral("USER NAME=SYSDBA"));
  IBDataBase->OnLogin = [this](TDatabase *sender, TStringList &params) { IBDataBaseLogin(sender, params); };
  connect(Session, &TFbSession::StateChanged, this, &TDMSys::StateChanged);
  connect(Session, &TFbSession::ConnectionLost, this, &TDMSys::ConnectionLost);

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
