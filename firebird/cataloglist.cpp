#include "firebird/cataloglist.h"

#include "drivers/firebird/txquery.h"
#include "firebird/session.h"

TCatalogList::TCatalogList(QObject *owner, const char *sql) : TQuery(owner) {
  DatabaseName = TFbSession::Alias;
  SQL.SetText(QString::fromLatin1(sql));
}

TField *TCatalogList::CalculatedText(const char *name, int size, const char *label, int width) {
  TField *f = DeclareField(new TStringField(this, QLatin1String(name), size), QLatin1String(label), width);
  f->Calculated = true;
  return f;
}

namespace {
// The session's connection, with its queries run in the executor's open transaction.
class TInTransaction : public TDriverConnection {
public:
  TInTransaction(TDriverConnection &conn, TIBDataBase *db) : FConn(conn), FDb(db) {}
  void Open(const TStringList &params) override { FConn.Open(params); }
  void Close() override { FConn.Close(); }
  bool Connected() const override { return FConn.Connected(); }
  std::unique_ptr<TCursor> OpenTable(const QString &table, const QStringList &order, bool readOnly) override {
    return FConn.OpenTable(table, order, readOnly);
  }
  std::unique_ptr<TCursor> OpenQuery(const QString &sql, const QList<QPair<QString, QVariant>> &params) override {
    return OpenQueryIn(FDb->DatabaseHandle, &FDb->TransactionHandle, sql, params);
  }
  void CreateTable(const QString &table, const QList<TFieldDef> &fields) override { FConn.CreateTable(table, fields); }
  void AddIndex(const QString &table, const TIndexDef &index) override { FConn.AddIndex(table, index); }
  QStringList TableNames(const QString &pattern, bool extensions, bool systemTables) override {
    return FConn.TableNames(pattern, extensions, systemTables);
  }

private:
  TDriverConnection &FConn;
  TIBDataBase *FDb;
};
}  // namespace

std::unique_ptr<TCursor> TCatalogList::CreateCursor(TDriverConnection &conn) {
  if (FbSession()) FbSession()->CheckFree();
  TIBDataBase *db = FbSession() ? FbSession()->Database() : nullptr;
  if (!db || Database() != db || !db->InTransaction() || db->Claimed()) return TQuery::CreateCursor(conn);
  TInTransaction inTransaction(conn, db);
  return TQuery::CreateCursor(inTransaction);
}
