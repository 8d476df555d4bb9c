#pragma once
// The declared type of a column or domain as DDL writes it, from the catalog's codes: what the
// structure window shows and what a statement re-creating the object would say.
#include "data/driver.h"

#include <QList>
#include <QPair>
#include <QString>

struct TDeclaredType {
  int Type = 0;  // RDB$FIELD_TYPE
  int SubType = 0;
  int Length = 0;      // bytes
  int CharLength = 0;  // characters; 0 when the catalog has none
  int Scale = 0;
  int Precision = 0;                  // 0 when the catalog has none
  QString CharacterSet;               // empty when the catalog names none
  int SegmentLength = 0;              // a blob's segment size; 0 (or the default 80) is not written
  QList<QPair<int, int>> Dimensions;  // an array's bounds, lower and upper, per dimension
};

// E.g. "VARCHAR(20) CHARACTER SET UTF8", "NUMERIC(9,2)", "BIGINT", "BLOB SUB_TYPE TEXT",
// "CHAR(15) [1:5]". The character set is named unless it is impliedCharacterSet (what the
// statement gets when it names none: NONE for display, the database's default in a script).
// In dialect 1 a timestamp is declared as DATE.
QString FieldTypeText(const TDeclaredType &type, int dialect,
                      const QString &impliedCharacterSet = QStringLiteral("NONE"));

// The kind of value a column or parameter of that type holds, as the value texts read and write
// it: exact numbers with a scale as ftBCD, text blobs as ftMemo, OCTETS text as ftBytes.
TFieldType FieldTypeKind(const TDeclaredType &type);
