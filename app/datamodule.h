#pragma once
// The data module: owner of the two connections every window reaches the data through, the
// login for the server database, and the handlers that keep Commit Work and Rollback Work
// in step with the server transaction.
#include "data/db.h"
#include "firebird/session.h"

#include <QObject>

class TDMSys : public QObject {
  Q_OBJECT
public:
  // Creates the two connections and runs DMSysCreate; an error there is shown by the
  // application's error display and creation goes on with DevSrc closed.
  explicit TDMSys(QObject *owner = nullptr);
  ~TDMSys() override;

  TFbSession *Session;      // the server database's session
  TIBDataBase *IBDataBase;  // the session's database: alias "IBB", driver "INTRBASE"
  TDatabase *DevSrc;        // alias "DEVSOURCES", driver "STANDARD"

  void DMSysCreate(QObject *Sender);
  void IBDataBaseLogin(TDatabase *Sender, TStringList &LoginParams);

signals:
  // The server database's transaction started or ended, or the database opened or closed:
  // whatever shows that state (the main window's commands) reads it anew.
  void StateChanged();
  // The server ended the connection: the "&Database" menu goes off as before a connection.
  void ConnectionLost();
};

extern TDMSys *DMSys;
