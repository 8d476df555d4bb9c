#include "firebird/fieldtypes.h"

#include <QStringList>

namespace {
// An exact number: an integer of its size, or a NUMERIC or DECIMAL when scaled or declared so.
QString ExactText(const TDeclaredType &t, const char *integer, int defaultPrecision) {
  if (t.SubType == 0 && t.Scale == 0) return QLatin1String(integer);
  const char *name = t.SubType == 2 ? "DECIMAL" : "NUMERIC";
  const int precision = t.Precision > 0 ? t.Precision : defaultPrecision;
  return QStringLiteral("%1(%2,%3)").arg(QLatin1String(name)).arg(precision).arg(-t.Scale);
}

// The type without its character set; a text type tells so.
QString BaseText(const TDeclaredType &t, int dialect, bool &text) {
  const int characters = t.CharLength > 0 ? t.CharLength : t.Length;
  text = false;
  switch (t.Type) {
  case 7: return ExactText(t, "SMALLINT", 4);
  case 8: return ExactText(t, "INTEGER", 9);
  case 16: return ExactText(t, "BIGINT", 18);
  case 26: return ExactText(t, "INT128", 38);
  case 27:
    // Dialect 1 keeps wide scaled numbers as doubles.
    return t.Scale < 0 ? ExactText(t, "DOUBLE PRECISION", 15) : QStringLiteral("DOUBLE PRECISION");
  case 10: return QStringLiteral("FLOAT");
  case 11: return QStringLiteral("D_FLOAT");
  case 9: return QStringLiteral("QUAD");
  case 24: return QStringLiteral("DECFLOAT(16)");
  case 25: return QStringLiteral("DECFLOAT(34)");
  case 14: text = true; return QStringLiteral("CHAR(%1)").arg(characters);
  case 37: text = true; return QStringLiteral("VARCHAR(%1)").arg(characters);
  case 40: text = true; return QStringLiteral("CSTRING(%1)").arg(characters);
  case 12: return QStringLiteral("DATE");
  case 13: return QStringLiteral("TIME");
  case 28: return QStringLiteral("TIME WITH TIME ZONE");
  case 35: return dialect == 1 ? QStringLiteral("DATE") : QStringLiteral("TIMESTAMP");
  case 29: return QStringLiteral("TIMESTAMP WITH TIME ZONE");
  case 23: return QStringLiteral("BOOLEAN");
  case 261: {
    QString blob;
    switch (t.SubType) {
    case 0: blob = QStringLiteral("BLOB SUB_TYPE BINARY"); break;
    case 1:
      blob = QStringLiteral("BLOB SUB_TYPE TEXT");
      text = true;
      break;
    default: blob = QStringLiteral("BLOB SUB_TYPE %1").arg(t.SubType);
    }
    if (t.SegmentLength > 0 && t.SegmentLength != 80) blob += QStringLiteral(" SEGMENT SIZE %1").arg(t.SegmentLength);
    return blob;
  }
  default: return QStringLiteral("UNKNOWN");
  }
}
}  // namespace

QString FieldTypeText(const TDeclaredType &t, int dialect, const QString &impliedCharacterSet) {
  bool text = false;
  QString out = BaseText(t, dialect, text);
  if (!t.Dimensions.isEmpty()) {
    QStringList bounds;
    for (const auto &[lower, upper] : t.Dimensions)
      bounds << (lower == 1 ? QString::number(upper) : QStringLiteral("%1:%2").arg(lower).arg(upper));
    out += QStringLiteral(" [%1]").arg(bounds.join(QLatin1Char(',')));
  }
  const QString set = t.CharacterSet.trimmed();
  if (text && !set.isEmpty() && set != impliedCharacterSet.trimmed()) out += QStringLiteral(" CHARACTER SET ") + set;
  return out;
}

TFieldType FieldTypeKind(const TDeclaredType &t) {
  const bool scaled = t.Scale < 0;
  switch (t.Type) {
  case 7: return scaled ? TFieldType::ftBCD : TFieldType::ftSmallint;
  case 8: return scaled ? TFieldType::ftBCD : TFieldType::ftInteger;
  case 16: return scaled ? TFieldType::ftBCD : TFieldType::ftLargeint;
  case 27: return scaled ? TFieldType::ftBCD : TFieldType::ftFloat;
  case 10:
  case 11: return TFieldType::ftFloat;
  case 12: return TFieldType::ftDate;
  case 13: return TFieldType::ftTime;
  case 35: return TFieldType::ftDateTime;
  case 23: return TFieldType::ftBoolean;
  case 14:
  case 37: return t.CharacterSet.trimmed() == QLatin1String("OCTETS") ? TFieldType::ftBytes : TFieldType::ftString;
  case 261: return t.SubType == 1 ? TFieldType::ftMemo : TFieldType::ftBlob;
  default: return TFieldType::ftString;  // the server converts the text
  }
}
