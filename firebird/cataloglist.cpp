#include "firebird/cataloglist.h"

#include "firebird/session.h"

TCatalogList::TCatalogList(QObject *owner, const char *sql) : TQuery(owner) {
  DatabaseName = TFbSession::Alias;
  SQL.SetText(QString::fromLatin1(sql));
}
