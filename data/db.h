#pragma once
// Connections and the session: TDatabase opens its driver's connection, runs the login
// protocol, and closes its datasets when it closes. TSession finds databases by alias.
#include "base/lines.h"
#include "data/driver.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class TDataSet;

class TDatabase : public QObject {
  Q_OBJECT
public:
  explicit TDatabase(QObject *owner = nullptr);
  ~TDatabase() override;

  QString DatabaseName() const { return FDatabaseName; }
  void SetDatabaseName(const QString &alias);
  QString DriverName() const { return FDriverName; }
  void SetDriverName(const QString &driver);
  QString SessionName = QStringLiteral("Default");
  bool LoginPrompt = false;
  TStringList Params;  // NAME=value; SetValues with an empty value removes the entry

  // Called at every Open with login prompting: the list holds only "USER NAME".
  std::function<void(TDatabase *Sender, TStringList &LoginParams)> OnLogin;

  void Open();
  void Close();
  bool Connected() const;
  // The attachment is gone (the server or the network ended it): closes the connection and
  // its datasets as Close does, then signals Lost. Drivers report it from the event loop.
  virtual void ConnectionLost();
  // What a user can do about a change refused by a lock conflict when this database's own
  // work may hold the row, or empty.
  virtual QString ConflictAdvice() const { return QString(); }
  void SetConnected(bool on) { on ? Open() : Close(); }

  // The driver's connection; opens the database first when it is closed.
  TDriverConnection &Connection();
  // The native handle of the engine's attachment (property 0x04040003); raises when closed.
  QVariant NativeHandle();

  // The parameters the open connection was made with (the login's answers included), for a
  // second attachment of the program's own (a reader on a worker thread); empty when closed.
  TStringList ConnectedParams() const { return Connected() ? FConnectedParams : TStringList(); }

  void RegisterDataSet(TDataSet *ds);
  void UnregisterDataSet(TDataSet *ds);
  int DataSetCount() const { return FDataSets.size(); }

signals:
  void AfterConnect();
  void AfterDisconnect();
  void Lost();

private:
  QString FDatabaseName, FDriverName;
  std::unique_ptr<TDriverConnection> FConnection;
  QList<TDataSet *> FDataSets;
  TStringList FConnectedParams;
};

class TSession {
public:
  static TSession &Default();
  TDatabase *FindDatabase(const QString &alias) const;
  // Raises EDatabaseError "Unknown database: ALIAS" when no database has the alias.
  TDatabase &DatabaseByName(const QString &alias) const;
  // Fills list (cleared first) with the table and view names of the database; opens it first.
  void GetTableNames(const QString &alias, const QString &pattern, bool extensions, bool systemTables,
                     QStringList &list) const;

  void Register(TDatabase *db);
  void Unregister(TDatabase *db);

private:
  QList<TDatabase *> FDatabases;
};

inline TSession &Session() { return TSession::Default(); }
