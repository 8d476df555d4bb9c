#include "drivers/firebird/driver.h"

#include "base/errors.h"
#include "base/termination.h"
#include "data/valuetext.h"
#include "drivers/firebird/posts.h"

#include <QAtomicInt>
#include <QDateTime>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <iterator>

namespace {
constexpr int kSqlText = 452;  // CHAR in the client library's type codes
constexpr int kOctets = 1;     // the character set of bytes

// The open connections by their Qt SQL name, so that an error found anywhere can tell its own.
QHash<QString, TDriverConnection *> &OpenConnections() {
  static QHash<QString, TDriverConnection *> connections;
  return connections;
}

// After an engine error: asks the attachment itself whether it is still there, and tells the
// connection when it is not.
void CheckAttachment(const QString &connName) {
  TDriverConnection *conn = OpenConnections().value(connName);
  if (!conn || !conn->OnLost) return;
  isc_db_handle handle = 0;
  try {
    handle = AttachmentHandle(connName);
  } catch (const EDatabaseError &) {
    return;
  }
  ISC_STATUS_ARRAY status{};
  if (fb_ping(status, &handle) != 0 && IsConnectionLost(status)) conn->OnLost();
}

QString EngineMessage(const QSqlError &e, const QString &connName = QString()) {
  if (!connName.isEmpty()) CheckAttachment(connName);
  QString s = e.databaseText().trimmed();
  if (s.isEmpty()) s = e.driverText().trimmed();
  if (s.isEmpty()) s = e.text().trimmed();
  return s;
}

// Qt's QIBASE driver hands out its isc_db_handle as a QVariant of that type (an unsigned int
// on Linux, so the type's name says nothing): trust the driver's name and the meta type.
bool IsIscDbHandle(const QVariant &h) {
  if (h.metaType() == QMetaType::fromType<isc_db_handle>()) return true;
  const QMetaType named = QMetaType::fromName("isc_db_handle");
  return named.isValid() && h.metaType() == named;
}

// Firebird pads CHAR values, names included, with blanks on the right only: a leading blank is
// part of the name.
QString WithoutPadding(const QString &s) {
  qsizetype n = s.size();
  while (n > 0 && s[n - 1] == u' ')
    --n;
  return s.left(n);
}

bool IsCatalogName(const QString &name) {
  return name.startsWith(QLatin1String("RDB$"), Qt::CaseInsensitive) ||
         name.startsWith(QLatin1String("MON$"), Qt::CaseInsensitive);
}

TFieldType TypeOfMeta(QMetaType t) {
  switch (t.id()) {
  case QMetaType::Short: return TFieldType::ftSmallint;
  case QMetaType::Int: return TFieldType::ftInteger;
  case QMetaType::LongLong: return TFieldType::ftLargeint;
  case QMetaType::Float:
  case QMetaType::Double: return TFieldType::ftFloat;
  case QMetaType::QDate: return TFieldType::ftDate;
  case QMetaType::QTime: return TFieldType::ftTime;
  case QMetaType::QDateTime: return TFieldType::ftDateTime;
  case QMetaType::Bool: return TFieldType::ftBoolean;
  case QMetaType::QByteArray: return TFieldType::ftBlob;
  default: return TFieldType::ftString;
  }
}

// What the catalog says about one column of a table or view.
struct ColumnInfo {
  QString Name;
  int Type = 0;
  int SubType = 0;
  int Length = 0;
  int Scale = 0;
  bool NotNull = false;
  bool Computed = false;
  bool Octets = false;  // CHAR or VARCHAR CHARACTER SET OCTETS: bytes, not text
};

class IbCursor : public TCursor {
public:
  IbCursor(const QString &connName, bool readOnly) : FConn(connName), FReadOnly(readOnly) {}

  // A table: catalog description, primary key or RDB$DB_KEY, then the select.
  void OpenTable(const QString &table, const QStringList &order, const QStringList &wanted = {}) {
    FTable = table;
    QSqlDatabase db = QSqlDatabase::database(FConn, false);
    const bool catalog = IsCatalogName(table);
    QList<ColumnInfo> info = Describe(db, table);
    if (info.isEmpty()) throw EDatabaseError(QStringLiteral("Table does not exist: %1").arg(table));
    // A catalog table is read whole and never written: only the columns the dataset declares
    // are worth reading (RDB$TRIGGERS carries two binary blobs per row besides the source).
    if (catalog && !wanted.isEmpty())
      info.removeIf([&](const ColumnInfo &c) { return !wanted.contains(c.Name, Qt::CaseInsensitive); });
    QStringList cols;
    for (const ColumnInfo &c : info)
      cols.append(SelectedAs(c));
    QList<int> pk = catalog ? QList<int>() : PrimaryKey(db, table, info);
    // Rows without a primary key are found again by RDB$DB_KEY; a view over many tables has
    // a key too long to carry, so such a view is browsed read-only.
    FDbKeyLength = catalog || !pk.isEmpty() ? 0 : DbKeyLength(db, table);
    bool dbKey = FDbKeyLength > 0 && FDbKeyLength <= 16;
    // The driver hands RDB$DB_KEY over as text, which would mangle its bytes: fetch it as hex.
    QString sql = QStringLiteral("SELECT %1%2 FROM %3")
                      .arg(cols.join(QStringLiteral(", ")),
                           dbKey ? QStringLiteral(", UUID_TO_CHAR(CAST(RDB$DB_KEY AS CHAR(16) CHARACTER SET OCTETS))")
                                 : QString(),
                           QuoteAlways(table));
    if (!order.isEmpty()) {
      QStringList o;
      for (const QString &f : order)
        o.append(QuoteAlways(f.trimmed()));
      sql += QStringLiteral(" ORDER BY ") + o.join(QStringLiteral(", "));
    }
    for (const ColumnInfo &c : info) {
      TFieldDef d;
      d.Name = c.Name;
      // NOT NULL is the server's to check: a trigger or a default may fill the column.
      d.Required = false;
      d.DataType = TypeOfCatalog(c);
      d.Size = (c.Type == 14 || c.Type == 37) ? c.Length : c.Type == 10 ? 4 : 0;
      d.ReadOnly = c.Computed;
      FColumns.append(d);
      FTrim.append(c.Type == 14);
      FWritable.append(!c.Computed && !catalog);
    }
    if (dbKey) {
      FColumns.append(TFieldDef{QStringLiteral("RDB$DB_KEY"), TFieldType::ftString, 8, false, true});
      FTrim.append(false);
      FWritable.append(false);
      FKeys = {int(FColumns.size()) - 1};
      FDbKey = true;
    } else {
      FKeys = pk;
    }
    FReadOnly = FReadOnly || catalog || FKeys.isEmpty();
    Exec(db, sql, {});
    // Catalog tables are small: read them whole and release the statement and its transaction.
    if (catalog) ReadAll();
  }

  void OpenQuery(const QString &sql, const QList<QPair<QString, QVariant>> &params) {
    QSqlDatabase db = QSqlDatabase::database(FConn, false);
    Exec(db, sql, params);
    QSqlRecord rec = FQuery->record();
    for (int i = 0; i < rec.count(); ++i) {
      QSqlField f = rec.field(i);
      TFieldDef d;
      d.Name = f.name();
      d.DataType = TypeOfMeta(f.metaType());
      d.Size = f.length() > 0 && d.DataType == TFieldType::ftString ? f.length() : 0;
      FColumns.append(d);
      FTrim.append((f.typeID() & ~1) == kSqlText);
      FWritable.append(false);
    }
    FReadOnly = true;
    ReadAll();
  }

  const QList<TFieldDef> &Columns() const override { return FColumns; }
  QList<int> KeyColumns() const override { return FKeys; }
  bool CanModify() const override { return !FReadOnly; }

  bool Fetch(QVector<TRow> &out, int max) override {
    if (!FBuffered.isEmpty()) {
      int n = max < 0 ? FBuffered.size() : qMin(max, int(FBuffered.size()));
      for (int i = 0; i < n; ++i)
        out.append(std::move(FBuffered[i]));
      FBuffered.remove(0, n);
      return !FBuffered.isEmpty() || FQuery;
    }
    if (!FQuery) return false;
    for (int n = 0; max < 0 || n < max; ++n) {
      if (!FQuery->next()) {
        if (FQuery->lastError().isValid()) {
          QString msg = EngineMessage(FQuery->lastError(), FConn);
          FQuery.reset();
          throw EDatabaseError(msg);
        }
        FQuery.reset();
        return false;
      }
      out.append(RowOf(*FQuery));
    }
    return true;
  }

  void Insert(TRow &row) override {
    CheckWritable();
    QStringList names, marks;
    QList<TPostParam> values;
    for (int i = 0; i < FColumns.size(); ++i) {
      if (!FWritable[i] || row[i].isNull()) continue;
      names.append(QuoteAlways(FColumns[i].Name));
      marks.append(QStringLiteral("?"));
      values.append(Param(row[i], i));
    }
    QString sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteAlways(FTable))
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(QuoteAlways(FTable), names.join(QStringLiteral(", ")),
                                             marks.join(QStringLiteral(", ")));
    QList<int> returned;
    sql += Returning(returned);
    TakeReturned(Post(sql, values), returned, row);
  }

  void Update(const TRow &oldRow, TRow &newRow) override {
    CheckWritable();
    QStringList sets;
    QList<TPostParam> values;
    for (int i = 0; i < FColumns.size(); ++i) {
      if (!FWritable[i] || oldRow[i] == newRow[i]) continue;
      sets.append(QuoteAlways(FColumns[i].Name) + QStringLiteral(" = ?"));
      values.append(Param(newRow[i], i));
    }
    if (sets.isEmpty()) return;
    QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                      .arg(QuoteAlways(FTable), sets.join(QStringLiteral(", ")), Where(oldRow, values));
    QList<int> returned;
    sql += Returning(returned);
    const TPostResult r = Post(sql, values);
    if (r.RowsAffected == 0) throw EDatabaseError(QStringLiteral("Record not found or changed by another user"));
    TakeReturned(r, returned, newRow);
  }

  void Delete(const TRow &oldRow) override {
    CheckWritable();
    QList<TPostParam> values;
    QString sql = QStringLiteral("DELETE FROM %1 WHERE %2").arg(QuoteAlways(FTable), Where(oldRow, values));
    if (Post(sql, values).RowsAffected == 0)
      throw EDatabaseError(QStringLiteral("Record not found or changed by another user"));
  }

private:
  // NUMERIC and DECIMAL are scaled integers on disk (dialect 1 keeps the wide ones as doubles):
  // read and written as decimal text, so no value passes through a binary fraction.
  static bool IsScaled(const ColumnInfo &c) { return c.Scale < 0 && (c.Type == 7 || c.Type == 8 || c.Type == 16); }

  // Scaled numbers, times and timestamps come as text, to the server's precision; the driver reads
  // every CHAR and VARCHAR as UTF-8, so bytes come as a binary blob, as they were stored.
  static QString SelectedAs(const ColumnInfo &c) {
    const QString name = QuoteAlways(c.Name);
    if (IsScaled(c) || c.Type == 13 || c.Type == 35) return QStringLiteral("CAST(%1 AS VARCHAR(24))").arg(name);
    if (c.Octets) return QStringLiteral("CAST(%1 AS BLOB SUB_TYPE 0)").arg(name);
    return name;
  }

  static TFieldType TypeOfCatalog(const ColumnInfo &c) {
    if (IsScaled(c)) return TFieldType::ftBCD;
    if (c.Octets) return TFieldType::ftBytes;
    switch (c.Type) {
    case 7: return TFieldType::ftSmallint;
    case 8: return TFieldType::ftInteger;
    case 16: return TFieldType::ftLargeint;
    case 10:
    case 11:
    case 27: return TFieldType::ftFloat;
    case 12: return TFieldType::ftDate;
    case 13: return TFieldType::ftTime;
    case 35: return TFieldType::ftDateTime;
    case 23: return TFieldType::ftBoolean;
    case 261: return c.SubType == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
    default: return TFieldType::ftString;
    }
  }

  static QList<ColumnInfo> Describe(QSqlDatabase &db, const QString &table) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT RF.RDB$FIELD_NAME, F.RDB$FIELD_TYPE, F.RDB$FIELD_SUB_TYPE, "
        "COALESCE(F.RDB$CHARACTER_LENGTH, F.RDB$FIELD_LENGTH), COALESCE(RF.RDB$NULL_FLAG, F.RDB$NULL_FLAG, 0), "
        "CASE WHEN F.RDB$COMPUTED_BLR IS NULL THEN 0 ELSE 1 END, COALESCE(F.RDB$FIELD_SCALE, 0), "
        "COALESCE(F.RDB$CHARACTER_SET_ID, 0) "
        "FROM RDB$RELATION_FIELDS RF JOIN RDB$FIELDS F ON F.RDB$FIELD_NAME = RF.RDB$FIELD_SOURCE "
        "WHERE RF.RDB$RELATION_NAME = ? ORDER BY RF.RDB$FIELD_POSITION"));
    q.addBindValue(table);
    if (!q.exec()) throw EDatabaseError(EngineMessage(q.lastError(), db.connectionName()));
    QList<ColumnInfo> out;
    while (q.next()) {
      const int type = q.value(1).toInt();
      out.append(ColumnInfo{WithoutPadding(q.value(0).toString()), type, q.value(2).toInt(), q.value(3).toInt(),
                            q.value(6).toInt(), q.value(4).toInt() != 0, q.value(5).toInt() != 0,
                            (type == 14 || type == 37) && q.value(7).toInt() == kOctets});
    }
    return out;
  }

  static int DbKeyLength(QSqlDatabase &db, const QString &table) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT COALESCE(RDB$DBKEY_LENGTH, 8) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = ?"));
    q.addBindValue(table);
    if (!q.exec()) throw EDatabaseError(EngineMessage(q.lastError(), db.connectionName()));
    return q.next() ? q.value(0).toInt() : 8;
  }

  static QList<int> PrimaryKey(QSqlDatabase &db, const QString &table, const QList<ColumnInfo> &info) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT S.RDB$FIELD_NAME FROM RDB$RELATION_CONSTRAINTS C "
        "JOIN RDB$INDEX_SEGMENTS S ON S.RDB$INDEX_NAME = C.RDB$INDEX_NAME "
        "WHERE C.RDB$RELATION_NAME = ? AND C.RDB$CONSTRAINT_TYPE = 'PRIMARY KEY' ORDER BY S.RDB$FIELD_POSITION"));
    q.addBindValue(table);
    if (!q.exec()) throw EDatabaseError(EngineMessage(q.lastError(), db.connectionName()));
    QList<int> keys;
    while (q.next()) {
      const QString name = WithoutPadding(q.value(0).toString());
      for (int i = 0; i < info.size(); ++i)
        if (info[i].Name == name) keys.append(i);
    }
    return keys;
  }

  void Exec(QSqlDatabase &db, const QString &sql, const QList<QPair<QString, QVariant>> &params) {
    FQuery = std::make_unique<QSqlQuery>(db);
    FQuery->setForwardOnly(true);
    if (!FQuery->prepare(sql)) {
      QString msg = EngineMessage(FQuery->lastError(), FConn);
      FQuery.reset();
      throw EDatabaseError(msg);
    }
    for (const auto &p : params)
      FQuery->addBindValue(p.second);
    if (!FQuery->exec()) {
      QString msg = EngineMessage(FQuery->lastError(), FConn);
      FQuery.reset();
      throw EDatabaseError(msg);
    }
  }

  void ReadAll() {
    QVector<TRow> rows;
    while (FQuery && Fetch(rows, 1000)) {
    }
    FQuery.reset();
    FBuffered = std::move(rows);
  }

  QVariant Convert(const QVariant &v, int i) const {
    if (v.isNull()) return QVariant();
    const TFieldDef &c = FColumns[i];
    if (c.DataType == TFieldType::ftMemo && v.userType() == QMetaType::QByteArray)
      return TStringList::DecodeBytes(v.toByteArray());
    if (c.DataType == TFieldType::ftDateTime && v.userType() == QMetaType::QString)
      return StampFromServerText(v.toString());
    if (c.DataType == TFieldType::ftTime && v.userType() == QMetaType::QString) return TimeFromServerText(v.toString());
    if (FTrim[i] && v.userType() == QMetaType::QString) return WithoutPadding(v.toString());
    if (v.userType() == QMetaType::QByteArray) {
      // Qt's driver reads a blob into a buffer a whole chunk long: keep only the bytes, or a
      // list of ten thousand short blobs holds a hundred megabytes.
      QByteArray bytes = v.toByteArray();
      bytes.squeeze();
      return bytes;
    }
    return v;
  }

  TRow RowOf(const QSqlQuery &q) const {
    TRow row(FColumns.size());
    for (int i = 0; i < FColumns.size(); ++i)
      row[i] = Convert(q.value(i), i);
    return row;
  }

  // The hex digits of a row's key (8 bytes a table, more for a view) from its UUID-formatted text.
  QString DbKeyHex(const QVariant &v) const {
    QString hex = v.toString().remove(u'-').left(2 * FDbKeyLength);
    for (QChar c : hex)
      if (!isxdigit(c.toLatin1())) throw EDatabaseError(QStringLiteral("The row cannot be identified"));
    return hex;
  }

  void CheckWritable() const {
    if (FReadOnly || FTable.isEmpty()) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
  }

  QString Where(const TRow &oldRow, QList<TPostParam> &values) const {
    if (FKeys.isEmpty()) throw EDatabaseError(QStringLiteral("The row cannot be identified"));
    QStringList parts;
    for (int k : FKeys) {
      if (FDbKey) {
        parts.append(QStringLiteral("RDB$DB_KEY = X'%1'").arg(DbKeyHex(oldRow[k])));
      } else if (oldRow[k].isNull()) {
        parts.append(QuoteAlways(FColumns[k].Name) + QStringLiteral(" IS NULL"));
      } else {
        parts.append(QuoteAlways(FColumns[k].Name) + QStringLiteral(" = ?"));
        values.append(Param(oldRow[k], k));
      }
    }
    return parts.join(QStringLiteral(" AND "));
  }

  // The row as the server stored it (keys from generators, defaults, trigger values, rounding
  // to the column, computed columns, what others committed meanwhile); blobs stay as sent.
  QString Returning(QList<int> &columns) const {
    QStringList ret;
    for (int i = 0; i < FColumns.size(); ++i) {
      if (FColumns[i].Hidden) {
        ret.append(QStringLiteral("UUID_TO_CHAR(CAST(RDB$DB_KEY AS CHAR(16) CHARACTER SET OCTETS))"));
      } else if (FColumns[i].DataType == TFieldType::ftBCD || FColumns[i].DataType == TFieldType::ftTime ||
                 FColumns[i].DataType == TFieldType::ftDateTime) {
        // The same text as a fetch reads: a value as returned would come in the attachment's
        // dialect-free form ("02-JAN-2024 3:04:05.6789"), a dialect-1 NUMERIC as a bare double.
        ret.append(QStringLiteral("CAST(%1 AS VARCHAR(24))").arg(QuoteAlways(FColumns[i].Name)));
      } else if (FColumns[i].DataType != TFieldType::ftMemo && FColumns[i].DataType != TFieldType::ftBlob) {
        ret.append(QuoteAlways(FColumns[i].Name));
      } else {
        continue;
      }
      columns.append(i);
    }
    return ret.isEmpty() ? QString() : QStringLiteral(" RETURNING ") + ret.join(QStringLiteral(", "));
  }

  void TakeReturned(const TPostResult &r, const QList<int> &columns, TRow &row) const {
    for (int j = 0; j < columns.size() && j < r.Returned.size(); ++j)
      row[columns[j]] = FromText(r.Returned[j], columns[j]);
  }

  TPostParam Param(const QVariant &v, int column) const {
    const TFieldType t = FColumns[column].DataType;
    return TPostParam{v, t == TFieldType::ftMemo || t == TFieldType::ftBlob};
  }

  // A value the server returned as text (or as bytes), in the form a fetch gives it.
  QVariant FromText(const QVariant &v, int i) const {
    if (v.isNull()) return {};
    if (v.userType() == QMetaType::QByteArray || v.userType() == QMetaType::Double) return v;
    const QString s = v.toString();
    switch (FColumns[i].DataType) {
    case TFieldType::ftSmallint:
    case TFieldType::ftInteger: return s.toInt();
    case TFieldType::ftLargeint: return s.toLongLong();
    case TFieldType::ftFloat: return s.toDouble();
    case TFieldType::ftBoolean: return s.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0;
    case TFieldType::ftDate: return QDate::fromString(s.left(10), Qt::ISODate);
    case TFieldType::ftTime: return TimeFromServerText(s);
    case TFieldType::ftDateTime: return StampFromServerText(s);
    default: return Convert(s, i);
    }
  }

  // A row change on the attachment. Its error may say the attachment is gone: then the
  // connection hears of it, as after any other engine error.
  TPostResult Post(const QString &sql, const QList<TPostParam> &values) const {
    const isc_db_handle db = AttachmentHandle(FConn);
    try {
      return ExecutePost(db, sql, values);
    } catch (const EDatabaseError &) {
      CheckAttachment(FConn);
      throw;
    }
  }

  QString FConn, FTable;
  bool FReadOnly = false;
  bool FDbKey = false;
  int FDbKeyLength = 0;
  QList<TFieldDef> FColumns;
  QVector<bool> FTrim, FWritable;
  QList<int> FKeys;
  std::unique_ptr<QSqlQuery> FQuery;
  QVector<TRow> FBuffered;
};

class IbConnection : public TDriverConnection {
public:
  ~IbConnection() override { Close(); }

  void Open(const TStringList &params) override {
    static QAtomicInt counter;
    Close();
    FName = QStringLiteral("tesselor-ib-%1").arg(counter.fetchAndAddRelaxed(1));
    {
      QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), FName);
      if (!db.isValid()) {
        QSqlDatabase::removeDatabase(FName);
        FName.clear();
        throw EDatabaseError(QStringLiteral("The Firebird driver (QIBASE) is not available"));
      }
      db.setDatabaseName(params.Values(QStringLiteral("SERVER NAME")));
      db.setUserName(params.Values(QStringLiteral("USER NAME")));
      db.setPassword(params.Values(QStringLiteral("PASSWORD")));
      db.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
      const bool opened = db.open();
      ReclaimTerminationSignals();  // the client library takes the signals at its first attachment
      if (opened) OpenConnections().insert(FName, this);
      if (!opened) {
        QString msg = EngineMessage(db.lastError());
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(FName);
        FName.clear();
        throw EDatabaseError(msg);
      }
    }
  }

  void Close() override {
    if (FName.isEmpty()) return;
    OpenConnections().remove(FName);
    {
      QSqlDatabase db = QSqlDatabase::database(FName, false);
      db.close();
    }
    QSqlDatabase::removeDatabase(FName);
    FName.clear();
  }

  bool Connected() const override { return !FName.isEmpty() && QSqlDatabase::database(FName, false).isOpen(); }

  std::unique_ptr<TCursor> OpenTable(const QString &tableName, const QStringList &orderFields, bool readOnly) override {
    auto c = std::make_unique<IbCursor>(FName, readOnly);
    c->OpenTable(tableName, orderFields);
    return c;
  }

  std::unique_ptr<TCursor> OpenTableColumns(const QString &tableName, const QStringList &columns,
                                            const QStringList &orderFields, bool readOnly) override {
    auto c = std::make_unique<IbCursor>(FName, readOnly);
    c->OpenTable(tableName, orderFields, columns);
    return c;
  }

  std::unique_ptr<TCursor> OpenQuery(const QString &sql, const QList<QPair<QString, QVariant>> &params) override {
    auto c = std::make_unique<IbCursor>(FName, true);
    c->OpenQuery(sql, params);
    return c;
  }

  void CreateTable(const QString &, const QList<TFieldDef> &) override {
    throw EDatabaseError(QStringLiteral("Tables on the server are created with DDL statements"));
  }
  void AddIndex(const QString &, const TIndexDef &) override {
    throw EDatabaseError(QStringLiteral("Indexes on the server are created with DDL statements"));
  }

  QStringList TableNames(const QString &pattern, bool, bool systemTables) override {
    QSqlQuery q(QSqlDatabase::database(FName, false));
    q.setForwardOnly(true);
    QString sql = QStringLiteral("SELECT RDB$RELATION_NAME FROM RDB$RELATIONS");
    if (!systemTables) sql += QStringLiteral(" WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
    sql += QStringLiteral(" ORDER BY RDB$RELATION_NAME");
    if (!q.exec(sql)) throw EDatabaseError(EngineMessage(q.lastError(), FName));
    QRegularExpression match;
    bool filter = !pattern.isEmpty() && pattern != QLatin1String("*");
    if (filter)
      match = QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern),
                                 QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    while (q.next()) {
      const QString name = WithoutPadding(q.value(0).toString());
      if (!filter || match.match(name).hasMatch()) out.append(name);
    }
    return out;
  }

  QVariant NativeHandle() const override {
    if (FName.isEmpty()) return {};
    QSqlDatabase db = QSqlDatabase::database(FName, false);
    return db.isOpen() ? db.driver()->handle() : QVariant();
  }

  QString SqlConnectionName() const override { return FName; }

private:
  QString FName;
};
}  // namespace

QString QuoteAlways(const QString &name) {
  QString n = name;
  n.replace(u'"', QLatin1String("\"\""));
  return u'"' + n + u'"';
}

std::unique_ptr<TDriverConnection> CreateIbConnection() { return std::make_unique<IbConnection>(); }

isc_db_handle AttachmentHandle(const QString &connName) {
  const QSqlDatabase db = QSqlDatabase::database(connName, false);
  const QVariant h = db.isOpen() ? db.driver()->handle() : QVariant();
  if (db.driverName() != QLatin1String("QIBASE") || !IsIscDbHandle(h))
    throw EDatabaseError(QStringLiteral("The database driver gives no Firebird attachment handle"));
  return *static_cast<const isc_db_handle *>(h.constData());
}

bool IsStatusError(const ISC_STATUS *status) { return status[0] == 1 && status[1] != 0; }

void CheckStatusVector(const ISC_STATUS *status) {
  if (IsStatusError(status)) throw EDatabaseError(StatusText(status, u'\n'));
}

TStatementHandle::~TStatementHandle() {
  ISC_STATUS_ARRAY status;
  if (Handle) isc_dsql_free_statement(status, &Handle, DSQL_drop);
}

QString StatusText(const ISC_STATUS *status, QChar separator) {
  QString text;
  char line[512];
  const ISC_STATUS *cursor = status;
  while (fb_interpret(line, sizeof line, &cursor) > 0) {
    if (!text.isEmpty()) text += separator;
    text += QString::fromUtf8(line);
  }
  return text;
}

bool IsConnectionLost(const ISC_STATUS *status) {
  static const ISC_STATUS lost[] = {isc_network_error,      isc_net_read_err,    isc_net_write_err,
                                    isc_lost_db_connection, isc_shutdown,        isc_att_shutdown,
                                    isc_conn_lost,          isc_net_connect_err, isc_shutinprog};
  for (int i = 0; i < ISC_STATUS_LENGTH - 1 && status[i] != isc_arg_end;) {
    if (status[i] == isc_arg_gds && std::find(std::begin(lost), std::end(lost), status[i + 1]) != std::end(lost))
      return true;
    i += status[i] == isc_arg_cstring ? 3 : 2;
  }
  return false;
}
