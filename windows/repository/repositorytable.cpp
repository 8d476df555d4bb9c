#include "windows/repository/repositorytable.h"

#include "data/dataset.h"
#include "data/db.h"

QString RepositoryDir;

namespace repository_table {

TFields Declare(TTable *table, const QString &alias) {
  table->DatabaseName = alias;
  table->TableName = kTableName;
  TFields f{new TStringField(table, kNameField, kNameSize), new TMemoField(table, kSourceField, kSourceSize)};
  f.Name->Required = true;
  return f;
}

void Create(TTable *table) {
  table->CreateTable();
  table->AddIndex(QString(), kNameField, true, false);
}

namespace {
const QString kAlias = QStringLiteral("DEVSOURCES");
const QString kPath = QStringLiteral("PATH");
}  // namespace

void UseDirectory(const QString &dir) {
  TDatabase *db = Session().FindDatabase(kAlias);
  if (!db || (db->Params.Values(kPath) == dir && db->Connected())) return;
  db->Close();
  db->Params.SetValues(kPath, dir);
  db->Open();
}

QString Directory() {
  const TDatabase *db = Session().FindDatabase(kAlias);
  return db ? db->Params.Values(kPath) : RepositoryDir;
}

}  // namespace repository_table
