#pragma once
// The repository table's one definition: the file "DVSRC.DB" in the repository directory,
// an alpha "OBJECT NAME" of 30 characters (required, the primary key) and a memo
// "OBJECT SOURCE" (20 characters kept in the table, the rest in "DVSRC.MB").
#include <QString>

class TField;
class TTable;

// The object repository's directory ("OR DIRECTORY" in the settings).
extern QString RepositoryDir;

namespace repository_table {
inline const QString kTableName = QStringLiteral("DVSRC.DB");
inline const QString kNameField = QStringLiteral("OBJECT NAME");
inline const QString kSourceField = QStringLiteral("OBJECT SOURCE");
constexpr int kNameSize = 30;
constexpr int kSourceSize = 20;

struct TFields {
  TField *Name;
  TField *Source;
};

// Points table at the repository table of the database alias and declares its two fields.
TFields Declare(TTable *table, const QString &alias);
// Creates the declared table (closed, its database open on the directory) with its primary
// index on the name.
void Create(TTable *table);
// The repository database ("DEVSOURCES") works on dir from now on; its open tables close.
void UseDirectory(const QString &dir);
// The directory the repository database works on.
QString Directory();
}  // namespace repository_table
