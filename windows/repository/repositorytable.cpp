#include "windows/repository/repositorytable.h"

#include "data/dataset.h"

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

}  // namespace repository_table
