#include "drivers/paradox/driver.h"

#include "base/errors.h"
#include "drivers/paradox/table.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace {

const QString kKeyViolation = QStringLiteral("Key violation");
const QString kRecordDeleted = QStringLiteral("Record/key deleted");
const QString kRecordChanged = QStringLiteral("Couldn't perform the edit because another user changed the record");

int CompareRows(const TRow &a, const TRow &b, int columns) {
  for (int i = 0; i < columns; ++i)
    if (int c = PxCompare(a.value(i), b.value(i))) return c;
  return 0;
}

bool SameLayout(const TPxTable &a, const TPxTable &b) {
  if (a.KeyCount != b.KeyCount || a.CodePage != b.CodePage || a.Columns.size() != b.Columns.size()) return false;
  for (int i = 0; i < a.Columns.size(); ++i)
    if (a.Columns[i].Name != b.Columns[i].Name || a.Columns[i].Type != b.Columns[i].Type ||
        a.Columns[i].Len != b.Columns[i].Len)
      return false;
  return true;
}

class TParadoxCursor : public TCursor {
public:
  TParadoxCursor(const TPxFiles &files, TPxSnapshot snap, const QStringList &orderFields, bool readOnly)
      : FFiles(files),
        FLayout(std::move(snap.Layout)),
        FRequired(snap.Required),
        FRows(std::move(snap.Rows)),
        FCanModify(!readOnly && FLayout.Writable()) {
    for (int i = 0; i < FLayout.Columns.size(); ++i) {
      TFieldDef def = PxFieldDef(FLayout.Columns[i]);
      def.Required = IsRequired(i);
      FColumns.append(def);
    }
    SortRows(orderFields);
  }

  const QList<TFieldDef> &Columns() const override { return FColumns; }

  QList<int> KeyColumns() const override {
    QList<int> keys;
    for (int i = 0; i < FLayout.KeyCount; ++i)
      keys.append(i);
    return keys;
  }

  bool Fetch(QVector<TRow> &out, int max) override {
    const int end = max < 0 ? FRows.size() : qMin(int(FRows.size()), FNext + max);
    for (; FNext < end; ++FNext)
      out.append(FRows[FNext]);
    return FNext < FRows.size();
  }

  bool CanModify() const override { return FCanModify; }

  void Insert(TRow &row) override {
    const TRow values = Prepare(row);
    TPxChange change(FFiles);
    CheckLayout(change.Table());
    if (FLayout.KeyCount > 0 && change.Find(values) >= 0) throw EDatabaseError(kKeyViolation);
    change.Insert(values);
    change.Commit();
    row = values;
  }

  void Update(const TRow &oldRow, TRow &newRow) override {
    const TRow values = Prepare(newRow);
    const TRow old = Normalized(oldRow);
    TPxChange change(FFiles);
    CheckLayout(change.Table());
    const int i = Locate(change, old);
    const bool keyChanged = CompareRows(values, old, FLayout.KeyCount) != 0;
    if (keyChanged && change.Find(values) >= 0) throw EDatabaseError(kKeyViolation);
    change.Replace(i, values, old);
    change.Commit();
    newRow = values;
  }

  void Delete(const TRow &oldRow) override {
    CheckModify();
    const TRow old = Normalized(oldRow);
    TPxChange change(FFiles);
    CheckLayout(change.Table());
    change.Remove(Locate(change, old));
    change.Commit();
  }

private:
  bool IsRequired(int col) const {
    return col < FLayout.KeyCount || FRequired.contains(FLayout.Columns[col].Name, Qt::CaseInsensitive);
  }

  void SortRows(const QStringList &orderFields) {
    QList<int> cols;
    for (const QString &name : orderFields) {
      const int c = FLayout.IndexOf(name.trimmed());
      if (c < 0) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name.trimmed()));
      cols.append(c);
    }
    if (cols.isEmpty()) cols = KeyColumns();
    if (cols.isEmpty()) return;
    std::stable_sort(FRows.begin(), FRows.end(), [&](const TRow &a, const TRow &b) {
      for (int c : cols)
        if (int r = PxCompare(a[c], b[c])) return r < 0;
      return false;
    });
  }

  void CheckModify() const {
    if (!FCanModify) throw EDatabaseError(QStringLiteral("Table '%1' is read-only").arg(FFiles.Name()));
  }

  TRow Normalized(const TRow &row) const {
    if (row.size() != FColumns.size())
      throw EDatabaseError(QStringLiteral("Row does not match table '%1'").arg(FFiles.Name()));
    const TPxCodec codec(FLayout.CodePage);
    TRow out(row.size());
    for (int i = 0; i < row.size(); ++i)
      out[i] = PxNormalize(FLayout.Columns[i], row[i], codec);
    return out;
  }

  // The values to store: checked against the columns and the required fields.
  TRow Prepare(const TRow &row) const {
    CheckModify();
    const TRow values = Normalized(row);
    for (int i = 0; i < values.size(); ++i)
      if (!values[i].isValid() && IsRequired(i))
        throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(FLayout.Columns[i].Name));
    return values;
  }

  void CheckLayout(const TPxTable &current) const {
    if (!SameLayout(current, FLayout))
      throw EDatabaseError(QStringLiteral("Table '%1' has been restructured; open it again").arg(FFiles.Name()));
  }

  // The row as this cursor knew it, in the table as it is now.
  int Locate(TPxChange &change, const TRow &old) const {
    const int i = change.Find(old);
    if (i < 0) throw EDatabaseError(kRecordDeleted);
    if (CompareRows(change.Row(i), old, old.size()) != 0) throw EDatabaseError(kRecordChanged);
    return i;
  }

  TPxFiles FFiles;
  TPxTable FLayout;
  QStringList FRequired;
  QVector<TRow> FRows;
  QList<TFieldDef> FColumns;
  int FNext = 0;
  bool FCanModify;
};

class TParadoxConnection : public TDriverConnection {
public:
  void Open(const TStringList &params) override {
    QString dir = params.Values(QStringLiteral("PATH")).trimmed();
    if (dir.isEmpty()) dir = QDir::currentPath();
    const QFileInfo info(dir);
    if (!info.isDir())
      throw EDatabaseError(QStringLiteral("Directory '%1' does not exist").arg(QDir::toNativeSeparators(dir)));
    FDir = info.absoluteFilePath();
    FConnected = true;
  }

  void Close() override { FConnected = false; }
  bool Connected() const override { return FConnected; }

  std::unique_ptr<TCursor> OpenTable(const QString &tableName, const QStringList &orderFields, bool readOnly) override {
    const TPxFiles files = Files(tableName);
    return std::make_unique<TParadoxCursor>(files, PxLoad(files), orderFields, readOnly);
  }

  std::unique_ptr<TCursor> OpenQuery(const QString &, const QList<QPair<QString, QVariant>> &) override {
    throw EDatabaseError(QStringLiteral("Queries are not supported on local tables"));
  }

  void CreateTable(const QString &tableName, const QList<TFieldDef> &fields) override {
    PxCreateTable(Files(tableName), fields);
  }

  void AddIndex(const QString &tableName, const TIndexDef &index) override {
    if (!index.Primary) throw EDatabaseError(QStringLiteral("Local tables support only a primary index"));
    if (index.Fields.isEmpty()) throw EDatabaseError(QStringLiteral("An index needs at least one field"));
    TPxChange change(Files(tableName));
    const TPxTable &t = change.Table();
    if (!t.Writable()) throw EDatabaseError(QStringLiteral("Table '%1' is read-only").arg(tableName));
    const int n = index.Fields.size();
    for (int i = 0; i < n; ++i) {
      if (i >= t.Columns.size() || t.Columns[i].Name.compare(index.Fields[i].trimmed(), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(
            QStringLiteral("The fields of a primary index must be the first fields of the table, in order"));
      if (t.Columns[i].IsBlob())
        throw EDatabaseError(QStringLiteral("Field '%1' cannot be indexed").arg(t.Columns[i].Name));
    }
    change.SetKeyCount(n);
    CheckKeys(change, n);
    change.Commit();
  }

  QStringList TableNames(const QString &pattern, bool extensions, bool) override {
    CheckOpen();
    const QRegularExpression match(
        QRegularExpression::wildcardToRegularExpression(pattern.isEmpty() ? QStringLiteral("*") : pattern),
        QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QFileInfo &f : QDir(FDir).entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase)) {
      if (f.suffix().compare(QLatin1String("db"), Qt::CaseInsensitive) != 0) continue;
      if (!match.match(f.fileName()).hasMatch() && !match.match(f.completeBaseName()).hasMatch()) continue;
      names.append(extensions ? f.fileName() : f.completeBaseName());
    }
    return names;
  }

private:
  void CheckOpen() const {
    if (!FConnected) throw EDatabaseError(QStringLiteral("Database is not open"));
  }
  TPxFiles Files(const QString &tableName) const {
    CheckOpen();
    if (tableName.trimmed().isEmpty()) throw EDatabaseError(QStringLiteral("Missing TableName property"));
    return TPxFiles(FDir, tableName.trimmed());
  }

  // Every record needs a key, and a different one, before the table can be keyed.
  static void CheckKeys(TPxChange &change, int n) {
    QVector<TRow> keys;
    for (int i = 0; i < change.Count(); ++i) {
      TRow key(n);
      for (int c = 0; c < n; ++c) {
        key[c] = change.KeyValue(i, c);
        if (!key[c].isValid())
          throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(change.Table().Columns[c].Name));
      }
      keys.append(key);
    }
    std::sort(keys.begin(), keys.end(), [n](const TRow &a, const TRow &b) { return CompareRows(a, b, n) < 0; });
    for (int i = 1; i < keys.size(); ++i)
      if (CompareRows(keys[i - 1], keys[i], n) == 0) throw EDatabaseError(kKeyViolation);
  }

  QString FDir;
  bool FConnected = false;
};

}  // namespace

std::unique_ptr<TDriverConnection> CreateParadoxConnection() { return std::make_unique<TParadoxConnection>(); }
