#include "firebird/cataloglist.h"

#include "firebird/session.h"

TCatalogList::TCatalogList(QObject *owner, const char *sql) : TQuery(owner) {
  DatabaseName = TFbSession::Alias;
  SQL.SetText(QString::fromLatin1(sql));
}

std::unique_ptr<TCursor> TCatalogList::CreateCursor(TDriverConnection &conn) {
  FbSession()->CheckFree();
  return TQuery::CreateCursor(conn);
}
