#pragma once
// What a database driver offers the record-set layer. TDatabase picks the driver by its
// DriverName: "INTRBASE" (the server, over Qt SQL QIBASE) or "STANDARD" (local Paradox tables).
#include "base/lines.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <memory>

enum class TFieldType {
  ftUnknown,
  ftString,
  ftSmallint,
  ftInteger,
  ftLargeint,
  ftFloat,
  ftBCD,  // NUMERIC and DECIMAL with a scale: the exact decimal text
  ftBoolean,
  ftDate,
  ftTime,
  ftDateTime,
  ftMemo,
  ftBlob,
  ftBytes  // binary text (CHAR and VARCHAR CHARACTER SET OCTETS): a QByteArray of up to Size bytes
};

// A column as the driver sees it (or as a declared field asks for it when creating a table).
struct TFieldDef {
  QString Name;
  TFieldType DataType = TFieldType::ftString;
  int Size = 0;  // characters of text, bytes of ftBytes; 4 marks a single-precision ftFloat
  bool Required = false;
  bool Hidden = false;    // a row identity the engine needs (RDB$DB_KEY), never a field
  bool ReadOnly = false;  // computed by the server: shown, never written
};

using TRow = QVector<QVariant>;  // one value per driver column; null QVariant for SQL NULL

// An open result: the rows of a table or a query, fetched in order, plus row changes.
// Values arrive in field form: CHAR without pad blanks, text blobs as QString.
class TCursor {
public:
  virtual ~TCursor() = default;
  virtual const QList<TFieldDef> &Columns() const = 0;
  // Columns whose values identify a row (for locating it again and for updates).
  virtual QList<int> KeyColumns() const = 0;
  // Appends up to max rows to out (max < 0: all). Returns false once no more rows follow.
  virtual bool Fetch(QVector<TRow> &out, int max) = 0;
  virtual bool CanModify() const = 0;
  // Row changes; each raises EDatabaseError with the engine's message when refused.
  // Insert and Update may fill columns the engine assigns (keys) in the row they get.
  virtual void Insert(TRow &row) = 0;
  virtual void Update(const TRow &oldRow, TRow &newRow) = 0;
  virtual void Delete(const TRow &oldRow) = 0;
};

struct TIndexDef {
  QString Name;  // empty for a primary index
  QStringList Fields;
  bool Primary = false;
  bool Unique = false;
};

// One connection of a TDatabase through its driver.
class TDriverConnection {
public:
  virtual ~TDriverConnection() = default;
  // params: the connection's NAME=value list as the login left it.
  virtual void Open(const TStringList &params) = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  virtual std::unique_ptr<TCursor> OpenTable(const QString &tableName, const QStringList &orderFields,
                                             bool readOnly) = 0;
  // The same, reading only the named columns where the driver can choose (all when the list is
  // empty); a driver that cannot reads them all.
  virtual std::unique_ptr<TCursor> OpenTableColumns(const QString &tableName, const QStringList &columns,
                                                    const QStringList &orderFields, bool readOnly) {
    (void)columns;
    return OpenTable(tableName, orderFields, readOnly);
  }
  virtual std::unique_ptr<TCursor> OpenQuery(const QString &sql, const QList<QPair<QString, QVariant>> &params) = 0;
  virtual void CreateTable(const QString &tableName, const QList<TFieldDef> &fields) = 0;
  virtual void AddIndex(const QString &tableName, const TIndexDef &index) = 0;
  virtual QStringList TableNames(const QString &pattern, bool extensions, bool systemTables) = 0;
  // The engine's native handle of the attachment (property 0x04040003); invalid when none.
  virtual QVariant NativeHandle() const { return {}; }
  // The name under which the driver's Qt SQL connection is registered, empty when none.
  virtual QString SqlConnectionName() const { return {}; }

  // Called when the driver finds the attachment gone (the server shut it down or the network
  // failed) on an error; the connection still counts as open until it is closed.
  std::function<void()> OnLost;
};

// The drivers a database can name: each driver registers its factory under its name (the
// drivers layer does it for all of them, see drivers/drivers.h), case-insensitively.
using TDriverFactory = std::function<std::unique_ptr<TDriverConnection>()>;
void RegisterDriver(const QString &driverName, TDriverFactory make);
// Creates the connection object of a driver name; raises EDatabaseError for an unknown one.
std::unique_ptr<TDriverConnection> CreateDriverConnection(const QString &driverName);
