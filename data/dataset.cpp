#include "data/dataset.h"

#include "base/errors.h"
#include "data/db.h"
#include "data/valuetext.h"

namespace {
constexpr int kFetchBatch = 100;
constexpr int kFetchSlice = 1000;
}  // namespace

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TDataSet *owner, TFieldType type, const QString &fieldName, int size)
    : QObject(owner), FieldName(fieldName), Size(size), FDataSet(owner), FDataType(type) {
  if (owner) owner->AddField(this);
}

int TField::Index() const { return FDataSet ? FDataSet->Fields().indexOf(const_cast<TField *>(this)) : -1; }

QVariant TField::Value() const { return FDataSet ? FDataSet->FieldValue(this) : QVariant(); }

void TField::SetValue(const QVariant &v) {
  if (!FDataSet) return;
  FDataSet->SetFieldValue(this, v);
}

QString TField::AsString() const { return ValueText(Value(), FDataType, Size); }

void TField::SetAsString(const QString &s) { SetValue(TextValue(s, FDataType, Size, DisplayLabel())); }

int TField::AsInteger() const {
  QVariant v = Value();
  if (v.isNull()) return 0;
  bool ok = false;
  int n = v.toInt(&ok);
  if (!ok) throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(v.toString()));
  return n;
}

QString TField::DisplayText() const {
  if (FDataType == TFieldType::ftMemo)
    return IsNull() || Value().toString().isEmpty() ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
  if (FDataType == TFieldType::ftBlob) return IsNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
  return AsString();
}

TField *DeclareField(TField *field, const QString &label, int width, bool visible) {
  if (!label.isEmpty()) field->SetDisplayLabel(label);
  if (width > 0) field->SetDisplayWidth(width);
  field->Visible = visible;
  return field;
}

int TField::DefaultDisplayWidth() const {
  switch (FDataType) {
  case TFieldType::ftString: return Size > 0 ? qMin(Size, 64) : 20;
  case TFieldType::ftSmallint: return 6;
  case TFieldType::ftInteger: return 11;
  case TFieldType::ftLargeint: return 15;
  case TFieldType::ftFloat: return 12;
  case TFieldType::ftBCD: return 16;
  // Digits are wider than the average character a width in characters is measured in.
  case TFieldType::ftDate: return 12;
  case TFieldType::ftTime: return 10;
  case TFieldType::ftDateTime: return 22;
  default: return 10;
  }
}

// ---------------------------------------------------------------------------------------------
// TDataSet

TDataSet::TDataSet(QObject *owner) : QObject(owner) {}

TDataSet::~TDataSet() {
  DropCursor();
  if (FBoundDatabase) FBoundDatabase->UnregisterDataSet(this);
}

TDatabase *TDataSet::Database() const { return Session().FindDatabase(DatabaseName); }

void TDataSet::AddField(TField *field) { FFields.append(field); }

TField *TDataSet::FindField(const QString &name) const {
  for (TField *f : FFields)
    if (f->FieldName.compare(name, Qt::CaseInsensitive) == 0) return f;
  return nullptr;
}

TField *TDataSet::FieldByName(const QString &name) const {
  TField *f = FindField(name);
  if (!f) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return f;
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

const TDataSet::Record *TDataSet::ActiveRecord() const {
  if (FCalcRecord) return FCalcRecord;
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) return &FEditBuffer;
  if (FRecNo >= 0 && FRecNo < FRows.size()) return &FRows[FRecNo];
  return nullptr;
}

QVariant TDataSet::FieldValue(const TField *field) const {
  const Record *rec = ActiveRecord();
  if (!rec) return {};
  if (field->Calculated)
    return field->CalcIndex >= 0 && field->CalcIndex < rec->Calc.size() ? rec->Calc[field->CalcIndex] : QVariant();
  return field->ColumnIndex >= 0 && field->ColumnIndex < rec->Data.size() ? rec->Data[field->ColumnIndex] : QVariant();
}

void TDataSet::SetFieldValue(TField *field, const QVariant &v) {
  if (field->Calculated) {
    if (!FCalcRecord || field->CalcIndex < 0)
      throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayLabel()));
    FCalcRecord->Calc[field->CalcIndex] = v;
    return;
  }
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert)
    throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
  if (field->ReadOnly) throw EDatabaseError(QStringLiteral("Field '%1' cannot be modified").arg(field->DisplayLabel()));
  if (field->ColumnIndex < 0) return;
  FEditBuffer.Data[field->ColumnIndex] = v;
  FModified = true;
  Calculate(FEditBuffer);
  if (!ControlsDisabled()) emit RowChanged(FRecNo);
}

QVariant TDataSet::RowValue(int row, const TField *field) const {
  if (row < 0 || row >= FRows.size()) return {};
  const Record &rec = (row == FRecNo && (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert))
                          ? FEditBuffer
                          : FRows[row];
  if (field->Calculated)
    return field->CalcIndex >= 0 && field->CalcIndex < rec.Calc.size() ? rec.Calc[field->CalcIndex] : QVariant();
  return field->ColumnIndex >= 0 && field->ColumnIndex < rec.Data.size() ? rec.Data[field->ColumnIndex] : QVariant();
}

QString TDataSet::RowDisplayText(int row, const TField *field) const {
  QVariant v = RowValue(row, field);
  if (field->DataType() == TFieldType::ftMemo)
    return v.isNull() || v.toString().isEmpty() ? QStringLiteral("(Memo)") : QStringLiteral("(MEMO)");
  if (field->DataType() == TFieldType::ftBlob) return v.isNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
  return ValueText(v, field->DataType(), field->Size);
}

void TDataSet::FreeAutoFields() {
  for (TField *f : FAutoFields) {
    FFields.removeAll(f);
    delete f;
  }
  FAutoFields.clear();
}

void TDataSet::BindFields() {
  const QList<TFieldDef> &cols = FCursor->Columns();
  FTextColumns.clear();
  QList<TField *> declared;
  for (TField *f : FFields)
    if (!FAutoFields.contains(f)) declared.append(f);
  if (declared.isEmpty()) {
    bool same = FAutoFields.size() > 0;
    if (same) {
      int j = 0;
      for (int i = 0; i < cols.size() && same; ++i) {
        if (cols[i].Hidden) continue;
        same = j < FAutoFields.size() && FAutoFields[j]->FieldName == cols[i].Name;
        ++j;
      }
      same = same && j == FAutoFields.size();
    }
    if (!same) {
      FreeAutoFields();
      for (int i = 0; i < cols.size(); ++i) {
        if (cols[i].Hidden) continue;
        auto *f = new TField(nullptr, cols[i].DataType, cols[i].Name, cols[i].Size);
        f->setParent(this);
        f->FDataSet = this;
        f->Required = cols[i].Required;
        f->ReadOnly = cols[i].ReadOnly;
        FFields.append(f);
        FAutoFields.append(f);
      }
    }
    int j = 0;
    for (int i = 0; i < cols.size(); ++i)
      if (!cols[i].Hidden) FAutoFields[j++]->ColumnIndex = i;
    return;
  }
  int calc = 0;
  for (TField *f : declared) {
    if (f->Calculated) {
      f->CalcIndex = calc++;
      continue;
    }
    f->ColumnIndex = -1;
    for (int i = 0; i < cols.size(); ++i)
      if (cols[i].Name.compare(f->FieldName, Qt::CaseInsensitive) == 0) f->ColumnIndex = i;
    if (f->ColumnIndex < 0) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(f->FieldName));
    // A query cannot tell a text blob from a binary one; the declared memo field can.
    if (f->IsMemo() && cols[f->ColumnIndex].DataType == TFieldType::ftBlob) FTextColumns.append(f->ColumnIndex);
  }
}

void TDataSet::Calculate(Record &rec) {
  int calc = 0;
  for (TField *f : FFields)
    if (f->Calculated) ++calc;
  rec.Calc = QVector<QVariant>(calc);
  if (!calc || !OnCalcFields) return;
  Record *saved = FCalcRecord;
  FCalcRecord = &rec;
  try {
    OnCalcFields(this);
  } catch (...) {
    FCalcRecord = saved;
    throw;
  }
  FCalcRecord = saved;
}

bool TDataSet::Accepts(Record &rec) {
  if (!Filtered || !OnFilterRecord) return true;
  bool accept = true;
  Record *saved = FCalcRecord;
  FCalcRecord = &rec;
  try {
    OnFilterRecord(this, accept);
  } catch (...) {
    FCalcRecord = saved;
    throw;
  }
  FCalcRecord = saved;
  return accept;
}

int TDataSet::FetchInto(int count) {
  if (!FCursor || !FMoreRows) return 0;
  int added = 0;
  while (FMoreRows && (count < 0 || added < count)) {
    // In slices: the rows are packed as they come, never all held unpacked at once.
    QVector<TRow> batch;
    FMoreRows = FCursor->Fetch(batch, count < 0 ? kFetchSlice : qMin(kFetchSlice, count - added));
    // A read-only dataset keeps every row it has read, the rejected ones too (packed like the
    // accepted ones), so that a new filter criterion needs no second read.
    const bool keep = !FCursor->CanModify();
    for (TRow &row : batch) {
      for (int i : FTextColumns)
        if (i < row.size() && row[i].userType() == QMetaType::QByteArray)
          row[i] = TStringList::DecodeBytes(row[i].toByteArray());
      Record rec{std::move(row), {}};
      Calculate(rec);
      if (keep) FRead.append(rec);
      if (Accepts(rec)) {
        FRows.append(rec);
        ++added;
      }
    }
    if (batch.isEmpty() && FMoreRows) break;  // a cursor that yields nothing is done
  }
  return added;
}

int TDataSet::FetchMore(int count) {
  if (!Active()) return 0;
  int first = FRows.size();
  int added = FetchInto(count);
  if (added > 0 && !ControlsDisabled()) emit RowsAppended(first, first + added - 1);
  return added;
}

void TDataSet::FetchAll() { FetchMore(-1); }

void TDataSet::DropCursor() {
  FCursor.reset();
  FRows.clear();
  FRead.clear();
  FMoreRows = false;
}

void TDataSet::Open() {
  if (Active()) return;
  TDatabase &db = Session().DatabaseByName(DatabaseName);
  try {
    FCursor = CreateCursor(db.Connection());
    BindFields();
    FMoreRows = true;
    FRows.clear();
    FetchInto(kFetchBatch);
  } catch (...) {
    DropCursor();
    FreeAutoFields();
    throw;
  }
  FBoundDatabase = &db;
  db.RegisterDataSet(this);
  FState = TDataSetState::dsBrowse;
  FRecNo = FRows.isEmpty() ? -1 : 0;
  FBof = true;
  FEof = FRows.isEmpty();
  FModified = false;
  NotifyChanged();
  emit StateChanged();
  if (AfterOpen) AfterOpen(this);
}

void TDataSet::Close() {
  if (!Active()) return;
  DropCursor();
  FEditBuffer = {};
  FOldBuffer = {};
  FState = TDataSetState::dsInactive;
  FRecNo = -1;
  FBof = FEof = true;
  FModified = false;
  FreeAutoFields();
  if (FBoundDatabase) FBoundDatabase->UnregisterDataSet(this);
  FBoundDatabase = nullptr;
  NotifyChanged();
  emit StateChanged();
}

TRow TDataSet::KeyOf(const TRow &row) const {
  QList<int> keys = FCursor ? FCursor->KeyColumns() : QList<int>();
  if (keys.isEmpty()) return row;
  TRow k;
  for (int i : keys)
    k.append(i < row.size() ? row[i] : QVariant());
  return k;
}

int TDataSet::FindRow(const TRow &key) const {
  for (int i = 0; i < FRows.size(); ++i)
    if (KeyOf(FRows[i].Data) == key) return i;
  return -1;
}

void TDataSet::Refresh() {
  CheckActive();
  CheckBrowseMode();
  const int oldRecNo = FRecNo;
  const TRow oldKey = FRecNo >= 0 ? KeyOf(FRows[FRecNo].Data) : TRow();
  TDatabase &db = Session().DatabaseByName(DatabaseName);
  FCursor.reset();
  FRows.clear();
  FMoreRows = false;
  FRead.clear();
  try {
    FCursor = CreateCursor(db.Connection());
    BindFields();
    FMoreRows = true;
    FetchInto(qMax(kFetchBatch, oldRecNo + 1));
  } catch (...) {
    // The re-read failed: the dataset stays open and empty, so nothing shown is stale.
    FRecNo = -1;
    FBof = FEof = true;
    NotifyChanged();
    throw;
  }
  int row = oldKey.isEmpty() ? -1 : FindRow(oldKey);
  if (row < 0) row = qMin(oldRecNo, int(FRows.size()) - 1);
  FRecNo = FRows.isEmpty() ? -1 : qMax(row, 0);
  FBof = FRecNo <= 0;
  FEof = FRows.isEmpty();
  NotifyChanged();
}

void TDataSet::Refilter() {
  CheckActive();
  if (!FCursor || FCursor->CanModify()) {
    Refresh();
    return;
  }
  const int oldRecNo = FRecNo;
  // The calculated values do not depend on the filter: they stay as computed at the read.
  // A filter that throws leaves the rows shown as they were.
  TRowStore rows;
  for (int i = 0; i < FRead.size(); ++i) {
    Record rec = FRead[i];
    if (Accepts(rec)) rows.append(rec);
  }
  FRows = std::move(rows);
  FRecNo = FRows.isEmpty() ? -1 : qBound(0, oldRecNo, int(FRows.size()) - 1);
  FBof = FRecNo <= 0;
  FEof = FRows.isEmpty();
  NotifyChanged();
}

void TDataSet::SetFiltered(bool on) {
  Filtered = on;
  if (Active()) Refresh();
}

void TDataSet::NotifyChanged() {
  if (ControlsDisabled()) return;
  emit DataSetChanged();
  emit Scrolled();
}

void TDataSet::SetRecNoInternal(int row, bool notify) {
  FRecNo = row;
  if (notify && !ControlsDisabled()) emit Scrolled();
  if (notify && AfterScroll) AfterScroll(this);
}

void TDataSet::First() {
  CheckActive();
  CheckBrowseMode();
  FBof = true;
  FEof = FRows.isEmpty();
  SetRecNoInternal(FRows.isEmpty() ? -1 : 0);
}

void TDataSet::Last() {
  CheckActive();
  CheckBrowseMode();
  FetchAll();
  FEof = true;
  FBof = FRows.isEmpty();
  SetRecNoInternal(FRows.size() - 1);
}

void TDataSet::Next() {
  CheckActive();
  CheckBrowseMode();
  if (FRecNo + 1 < FRows.size() || FetchMore(kFetchBatch) > 0) {
    FBof = false;
    FEof = false;
    SetRecNoInternal(FRecNo + 1);
  } else {
    FEof = true;
  }
}

void TDataSet::Prior() {
  CheckActive();
  CheckBrowseMode();
  if (FRecNo > 0) {
    FEof = false;
    FBof = false;
    SetRecNoInternal(FRecNo - 1);
  } else {
    FBof = true;
  }
}

int TDataSet::MoveBy(int distance) {
  CheckActive();
  CheckBrowseMode();
  if (FRows.isEmpty()) return 0;
  int target = FRecNo + distance;
  if (distance > 0)
    while (target >= FRows.size() && FetchMore(kFetchBatch) > 0) {
    }
  target = qBound(0, target, int(FRows.size()) - 1);
  int moved = target - FRecNo;
  FBof = distance < 0 && moved != distance;
  FEof = distance > 0 && moved != distance;
  if (moved) SetRecNoInternal(target);
  return moved;
}

void TDataSet::SetRecNo(int row) {
  CheckActive();
  if (row == FRecNo) return;
  CheckBrowseMode();
  while (row >= FRows.size() && FetchMore(kFetchBatch) > 0) {
  }
  if (row < 0 || row >= FRows.size()) return;
  FBof = row == 0;
  FEof = false;
  SetRecNoInternal(row);
}

bool TDataSet::Locate(const QString &fieldName, const QVariant &value) {
  CheckActive();
  TField *f = FieldByName(fieldName);
  CheckBrowseMode();
  for (int i = 0;; ++i) {
    if (i >= FRows.size() && FetchMore(kFetchBatch) == 0) return false;
    if (ValueText(RowValue(i, f), f->DataType(), f->Size) == ValueText(value, f->DataType(), f->Size)) {
      FBof = i == 0;
      FEof = false;
      SetRecNoInternal(i);
      return true;
    }
  }
}

bool TDataSet::CanModify() const { return Active() && FCursor && FCursor->CanModify(); }

void TDataSet::SetState(TDataSetState s) {
  if (FState == s) return;
  FState = s;
  emit StateChanged();
}

void TDataSet::Insert() {
  CheckActive();
  CheckBrowseMode();
  StartInsert(FRecNo < 0 ? 0 : FRecNo);
}

void TDataSet::Append() {
  CheckActive();
  CheckBrowseMode();
  FetchAll();
  StartInsert(FRows.size());
}

// A blank row at `row`, in insert state until Post or Cancel.
void TDataSet::StartInsert(int row) {
  if (!CanModify()) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
  FEditBuffer = Record{TRow(FCursor->Columns().size()), {}};
  Calculate(FEditBuffer);
  FRows.insert(row, FEditBuffer);
  FRecNo = row;
  FModified = false;
  FEof = FBof = false;
  FState = TDataSetState::dsInsert;
  if (!ControlsDisabled()) emit RowInserted(row);
  emit StateChanged();
  if (!ControlsDisabled()) emit Scrolled();
}

void TDataSet::Edit() {
  CheckActive();
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) return;
  if (!CanModify()) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
  if (FRows.isEmpty()) return Insert();
  FEditBuffer = FRows[FRecNo];
  FOldBuffer = FRows[FRecNo];
  FModified = false;
  SetState(TDataSetState::dsEdit);
}

void TDataSet::CheckRequired() {
  for (TField *f : FFields) {
    if (!f->Required || f->Calculated || f->ColumnIndex < 0) continue;
    const QVariant &v = FEditBuffer.Data[f->ColumnIndex];
    if (v.isNull() || (v.userType() == QMetaType::QString && v.toString().isEmpty()))
      throw EDatabaseError(QStringLiteral("Field '%1' must have a value").arg(f->DisplayLabel()));
  }
}

void TDataSet::Post() {
  CheckActive();
  if (FState != TDataSetState::dsEdit && FState != TDataSetState::dsInsert) return;
  CheckRequired();
  WithConflictAdvice([this] {
    if (FState == TDataSetState::dsInsert)
      FCursor->Insert(FEditBuffer.Data);
    else
      FCursor->Update(FOldBuffer.Data, FEditBuffer.Data);
  });
  Calculate(FEditBuffer);
  FRows.set(FRecNo, FEditBuffer);
  FModified = false;
  SetState(TDataSetState::dsBrowse);
  if (!ControlsDisabled()) emit RowChanged(FRecNo);
}

void TDataSet::WithConflictAdvice(const std::function<void()> &change) {
  try {
    change();
  } catch (const ELockConflict &e) {
    const QString advice = Database() ? Database()->ConflictAdvice() : QString();
    if (advice.isEmpty()) throw;
    throw ELockConflict(e.Message() + QLatin1Char('\n') + advice);
  }
}

void TDataSet::Cancel() {
  if (FState == TDataSetState::dsInsert) {
    int row = FRecNo;
    FRows.removeAt(row);
    FRecNo = FRows.isEmpty() ? -1 : qMin(row, int(FRows.size()) - 1);
    FEof = FRows.isEmpty();
    FModified = false;
    FState = TDataSetState::dsBrowse;
    if (!ControlsDisabled()) emit RowRemoved(row);
    emit StateChanged();
    if (!ControlsDisabled()) emit Scrolled();
  } else if (FState == TDataSetState::dsEdit) {
    FModified = false;
    SetState(TDataSetState::dsBrowse);
    if (!ControlsDisabled()) emit RowChanged(FRecNo);
  }
}

void TDataSet::CheckBrowseMode() {
  if (FState == TDataSetState::dsEdit || FState == TDataSetState::dsInsert) {
    if (FModified)
      Post();
    else
      Cancel();
  }
}

void TDataSet::Delete() {
  CheckActive();
  if (FState == TDataSetState::dsInsert) return Cancel();
  if (FState == TDataSetState::dsEdit) Cancel();
  if (FRows.isEmpty()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an empty dataset"));
  if (!CanModify()) throw EDatabaseError(QStringLiteral("Cannot modify a read-only dataset"));
  WithConflictAdvice([this] { FCursor->Delete(FRows[FRecNo].Data); });
  int row = FRecNo;
  FRows.removeAt(row);
  if (!ControlsDisabled()) emit RowRemoved(row);
  if (FRows.size() <= row) FetchMore(kFetchBatch);
  FRecNo = FRows.isEmpty() ? -1 : qMin(row, int(FRows.size()) - 1);
  FEof = FRows.isEmpty();
  if (!ControlsDisabled()) emit Scrolled();
}

void TDataSet::DisableControls() { ++FDisableCount; }

void TDataSet::EnableControls() {
  if (FDisableCount > 0 && --FDisableCount == 0) NotifyChanged();
}

QStringList TDataSet::DeclaredColumns() const {
  QStringList columns;
  for (const TField *f : FFields)
    if (!f->Calculated && !FAutoFields.contains(f)) columns.append(f->FieldName);
  return columns;
}

// ---------------------------------------------------------------------------------------------
// TTable

std::unique_ptr<TCursor> TTable::CreateCursor(TDriverConnection &conn) {
  if (TableName.isEmpty()) throw EDatabaseError(QStringLiteral("Missing TableName property"));
  return conn.OpenTableColumns(TableName, DeclaredColumns(), IndexFieldNames.split(u';', Qt::SkipEmptyParts), ReadOnly);
}

void TTable::CreateTable() {
  if (Active()) throw EDatabaseError(QStringLiteral("Cannot perform this operation on an open dataset"));
  QList<TFieldDef> defs;
  for (TField *f : Fields()) {
    if (f->Calculated) continue;
    defs.append(TFieldDef{f->FieldName, f->DataType(), f->Size, f->Required});
  }
  Session().DatabaseByName(DatabaseName).Connection().CreateTable(TableName, defs);
}

void TTable::AddIndex(const QString &name, const QString &fields, bool primary, bool unique) {
  TIndexDef def{name, fields.split(u';', Qt::SkipEmptyParts), primary, unique || primary};
  Session().DatabaseByName(DatabaseName).Connection().AddIndex(TableName, def);
}

// ---------------------------------------------------------------------------------------------
// TQuery

namespace {
bool IsNameChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// Replaces :Name and :"Name" by '?' outside quotes and comments; returns the names in order.
QString ParseParams(const QString &sql, QStringList *names) {
  QString out;
  out.reserve(sql.size());
  const int n = sql.size();
  for (int i = 0; i < n; ++i) {
    QChar c = sql[i];
    if (c == u'\'' || c == u'"') {
      int j = i + 1;
      while (j < n && !(sql[j] == c && !(j + 1 < n && sql[j + 1] == c)))
        j += (sql[j] == c) ? 2 : 1;
      out += sql.mid(i, j - i + 1);
      i = j;
    } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
      int j = sql.indexOf(u'\n', i);
      if (j < 0) j = n - 1;
      out += sql.mid(i, j - i + 1);
      i = j;
    } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
      int j = sql.indexOf(QLatin1String("*/"), i + 2);
      j = j < 0 ? n - 1 : j + 1;
      out += sql.mid(i, j - i + 1);
      i = j;
    } else if (c == u':' && i + 1 < n && sql[i + 1] == u'"') {
      int j = sql.indexOf(u'"', i + 2);
      if (j < 0) j = n;
      if (names) names->append(sql.mid(i + 2, j - i - 2));
      out += u'?';
      i = j;
    } else if (c == u':' && i + 1 < n && IsNameChar(sql[i + 1])) {
      int j = i + 1;
      while (j < n && IsNameChar(sql[j]))
        ++j;
      if (names) names->append(sql.mid(i + 1, j - i - 1));
      out += u'?';
      i = j - 1;
    } else {
      out += c;
    }
  }
  return out;
}
}  // namespace

void TQuery::ParamByName(const QString &name, const QVariant &value) {
  for (auto &p : FParams)
    if (p.first.compare(name, Qt::CaseInsensitive) == 0) {
      p.second = value;
      return;
    }
  FParams.append({name, value});
}

QStringList TQuery::ParamNames() const {
  QStringList names, unique;
  ParseParams(SQL.Text(), &names);
  for (const QString &n : names)
    if (!unique.contains(n, Qt::CaseInsensitive)) unique.append(n);
  return unique;
}

std::unique_ptr<TCursor> TQuery::CreateCursor(TDriverConnection &conn) {
  QStringList names;
  QString sql = ParseParams(SQL.Text(), &names);
  QList<QPair<QString, QVariant>> bound;
  for (const QString &n : names) {
    QVariant v;
    for (const auto &p : FParams)
      if (p.first.compare(n, Qt::CaseInsensitive) == 0) v = p.second;
    bound.append({n, v});
  }
  return conn.OpenQuery(sql, bound);
}

// ---------------------------------------------------------------------------------------------
// TBlobStream

TBlobStream::TBlobStream(TField *field, TBlobStreamMode mode) : FField(field), FMode(mode) {
  if (mode == TBlobStreamMode::bmWrite) {
    TDataSetState s = field->DataSet()->State();
    if (s != TDataSetState::dsEdit && s != TDataSetState::dsInsert)
      throw EDatabaseError(QStringLiteral("Dataset not in edit or insert mode"));
    field->SetValue(field->IsMemo() ? QVariant(QString()) : QVariant(QByteArray()));
    open(QIODevice::WriteOnly);
  } else {
    QVariant v = field->Value();
    if (!v.isNull()) FData = v.userType() == QMetaType::QByteArray ? v.toByteArray() : v.toString().toUtf8();
    open(QIODevice::ReadOnly);
  }
}

TBlobStream::~TBlobStream() = default;

qint64 TBlobStream::readData(char *data, qint64 maxlen) {
  qint64 n = qMin(maxlen, qint64(FData.size()) - pos());
  if (n <= 0) return 0;
  memcpy(data, FData.constData() + pos(), size_t(n));
  return n;
}

qint64 TBlobStream::writeData(const char *data, qint64 len) {
  FData.append(data, len);
  FField->SetValue(FField->IsMemo() ? QVariant(TStringList::DecodeBytes(FData)) : QVariant(FData));
  return len;
}
