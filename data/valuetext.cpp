#include "data/valuetext.h"

#include "base/errors.h"
#include "base/lines.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QTime>

namespace {
// A time of day to the server's precision.
struct TimeOfDay {
  int Hour = 0, Minute = 0, Second = 0;
  int Fraction = 0;  // ten-thousandths of a second
  bool Valid = false;
};

// "H:MM", "H:MM:SS" or "H:MM:SS.F" with up to four fraction digits.
TimeOfDay ParseTime(const QString &s) {
  static const QRegularExpression form(QStringLiteral("^(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,4}))?)?$"));
  const QRegularExpressionMatch m = form.match(s);
  TimeOfDay t;
  if (!m.hasMatch()) return t;
  t.Hour = m.capturedView(1).toInt();
  t.Minute = m.capturedView(2).toInt();
  t.Second = m.capturedView(3).toInt();
  t.Fraction = m.captured(4).leftJustified(4, u'0').toInt();
  t.Valid = t.Hour < 24 && t.Minute < 60 && t.Second < 60;
  return t;
}

TimeOfDay OfQTime(const QTime &q) { return {q.hour(), q.minute(), q.second(), q.msec() * 10, q.isValid()}; }

QString TimeText(const TimeOfDay &t) {
  return QString::fromLatin1(TimeShownText(quint32(((t.Hour * 60 + t.Minute) * 60 + t.Second) * 10000 + t.Fraction)));
}

// The server's own form, every digit written.
QString ServerTimeText(const TimeOfDay &t) {
  return TimeText(TimeOfDay{t.Hour, t.Minute, t.Second, 0, true}) +
         QStringLiteral(".%1").arg(t.Fraction, 4, 10, QLatin1Char('0'));
}

QVariant TimeVariant(const TimeOfDay &t) {
  if (t.Fraction % 10 == 0) return QTime(t.Hour, t.Minute, t.Second, t.Fraction / 10);
  return ServerTimeText(t);
}

// "YYYY-MM-DD", optionally followed by a blank or T and a time.
bool ParseStamp(const QString &s, QDate &day, TimeOfDay &time) {
  static const QRegularExpression separator(QStringLiteral("[ T]"));
  const QStringList parts = s.trimmed().split(separator, Qt::SkipEmptyParts);
  if (parts.isEmpty() || parts.size() > 2) return false;
  day = QDate::fromString(parts[0], Qt::ISODate);
  time = parts.size() > 1 ? ParseTime(parts[1]) : TimeOfDay{0, 0, 0, 0, true};
  return day.isValid() && time.Valid;
}

QVariant StampVariant(const QDate &day, const TimeOfDay &t) {
  if (t.Fraction % 10 == 0) return QDateTime(day, QTime(t.Hour, t.Minute, t.Second, t.Fraction / 10), Qt::UTC);
  return day.toString(Qt::ISODate) + u' ' + ServerTimeText(t);
}

QString StampText(const QVariant &v) {
  if (v.userType() == QMetaType::QDateTime) {
    const QDateTime d = v.toDateTime();
    return QString::fromLatin1(DayText(d.date().toJulianDay())) + u' ' + TimeText(OfQTime(d.time()));
  }
  QDate day;
  TimeOfDay time;
  if (!ParseStamp(v.toString(), day, time)) return v.toString();
  return day.toString(Qt::ISODate) + u' ' + TimeText(time);
}

// The shortest text that reads back as the same number; a FLOAT column's value is a float
// widened to double, whose own shortest form would show digits the column never held.
QString FloatText(double d, int size) {
  if (size == 4) {
    const float f = float(d);
    for (int digits = 1; digits < 9; ++digits) {
      const QString s = QString::number(double(f), 'g', digits);
      if (s.toFloat() == f) return s;
    }
    return QString::number(double(f), 'g', 9);
  }
  return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

QByteArray HexBytes(const QString &text, int size, const QString &label) {
  QString digits = text;
  digits.remove(QRegularExpression(QStringLiteral("\\s")));
  static const QRegularExpression hex(QStringLiteral("^[0-9A-Fa-f]*$"));
  if (!hex.match(digits).hasMatch() || digits.size() % 2)
    throw EDatabaseError(
        QStringLiteral("'%1' is not a valid value for field '%2': type the bytes as hexadecimal digits, two per byte")
            .arg(text, label));
  const QByteArray bytes = QByteArray::fromHex(digits.toLatin1());
  if (size > 0 && bytes.size() > size)
    throw EDatabaseError(
        QStringLiteral("'%1' is too long for field '%2': it holds at most %3 bytes").arg(text, label).arg(size));
  return bytes;
}

QVariant IntegerValue(const QString &s, TFieldType type, const QString &label) {
  bool ok = false;
  const qlonglong n = s.toLongLong(&ok);
  if (!ok) throw EDatabaseError(QStringLiteral("'%1' is not a valid integer value").arg(s));
  // The engine would store an out-of-range value cut to the column's width, silently.
  const qlonglong limit = type == TFieldType::ftSmallint ? 32767 : 2147483647;
  if (type != TFieldType::ftLargeint && (n > limit || n < -limit - 1))
    throw EDatabaseError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                             .arg(s, label)
                             .arg(-limit - 1)
                             .arg(limit));
  return type == TFieldType::ftLargeint ? QVariant(n) : QVariant(int(n));
}
}  // namespace

QString ScaledText(qint64 value, int scale) {
  if (scale <= 0) return QString::number(value);
  const bool negative = value < 0;
  // The magnitude as unsigned digits: the most negative value has no positive counterpart.
  const quint64 magnitude = negative ? quint64(0) - quint64(value) : quint64(value);
  QString digits = QString::number(magnitude).rightJustified(scale + 1, u'0');
  digits.insert(digits.size() - scale, u'.');
  return negative ? u'-' + digits : digits;
}

static TimeOfDay OfUnits(quint32 units) {
  const quint32 seconds = units / 10000;
  return {int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60), int(units % 10000), true};
}

// Writes n digits of v at p.
static char *Digits(char *p, int v, int n) {
  for (int i = n - 1; i >= 0; --i, v /= 10)
    p[i] = char('0' + v % 10);
  return p + n;
}

QByteArray DayText(qint64 julianDay) {
  int y = 0, m = 0, d = 0;
  QDate::fromJulianDay(julianDay).getDate(&y, &m, &d);
  if (y < 0 || y > 9999) return QDate::fromJulianDay(julianDay).toString(Qt::ISODate).toLatin1();
  char buf[10];
  char *p = Digits(buf, y, 4);
  *p++ = '-';
  p = Digits(p, m, 2);
  *p++ = '-';
  Digits(p, d, 2);
  return QByteArray(buf, sizeof buf);
}

QByteArray TimeShownText(quint32 units) {
  const TimeOfDay t = OfUnits(units);
  char buf[13];
  char *p = Digits(buf, t.Hour, 2);
  *p++ = ':';
  p = Digits(p, t.Minute, 2);
  *p++ = ':';
  p = Digits(p, t.Second, 2);
  if (t.Fraction) {
    *p++ = '.';
    p = Digits(p, t.Fraction, 4);
  }
  return QByteArray(buf, int(p - buf));
}

QVariant TimeUnitsValue(quint32 units) { return TimeVariant(OfUnits(units)); }

QString TimeUnitsText(quint32 units) { return ServerTimeText(OfUnits(units)); }

QString NullText() { return QStringLiteral("<null>"); }

QString ValueText(const QVariant &v, TFieldType type, int size) {
  if (v.isNull()) return {};
  switch (type) {
  case TFieldType::ftFloat: return FloatText(v.toDouble(), size);
  case TFieldType::ftDate: {
    const QDate d = v.toDate();
    return d.isValid() ? QString::fromLatin1(DayText(d.toJulianDay())) : QString();
  }
  case TFieldType::ftTime:
    if (v.userType() == QMetaType::QTime) return TimeText(OfQTime(v.toTime()));
    if (const TimeOfDay t = ParseTime(v.toString()); t.Valid) return TimeText(t);
    return v.toString();
  case TFieldType::ftDateTime: return StampText(v);
  case TFieldType::ftBytes: return QString::fromLatin1(v.toByteArray().toHex().toUpper());
  case TFieldType::ftBlob:
    if (v.userType() == QMetaType::QByteArray) return QString::fromLatin1(v.toByteArray());
    return v.toString();
  case TFieldType::ftBoolean: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
  case TFieldType::ftBCD:
    if (v.userType() == QMetaType::LongLong) return ScaledText(v.toLongLong(), size);
    return v.toString();
  default:
    if (v.userType() == QMetaType::QByteArray) return TStringList::DecodeBytes(v.toByteArray());
    return v.toString();
  }
}

QVariant TextValue(const QString &text, TFieldType type, int size, const QString &label) {
  const QString s = text.trimmed();
  switch (type) {
  case TFieldType::ftString: return size > 0 && text.size() > size ? text.left(size) : text;
  case TFieldType::ftMemo:
  case TFieldType::ftBlob:
  case TFieldType::ftUnknown: return text;
  default: break;
  }
  if (s.isEmpty()) return {};
  switch (type) {
  case TFieldType::ftSmallint:
  case TFieldType::ftInteger:
  case TFieldType::ftLargeint: return IntegerValue(s, type, label);
  case TFieldType::ftBCD: {
    // Kept as typed (the server converts the text to the column exactly), once it is a number.
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+\\.?\\d*|\\.\\d+)$"));
    if (!number.match(s).hasMatch())
      throw EDatabaseError(QStringLiteral("'%1' is not a valid decimal value").arg(text));
    return s;
  }
  case TFieldType::ftBoolean:
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    throw EDatabaseError(QStringLiteral("'%1' is not a valid boolean value").arg(text));
  case TFieldType::ftFloat: {
    bool ok = false;
    const double d = s.toDouble(&ok);
    if (!ok) throw EDatabaseError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return d;
  }
  case TFieldType::ftDate: {
    const QDate d = QDate::fromString(s, Qt::ISODate);
    if (!d.isValid()) throw EDatabaseError(QStringLiteral("'%1' is not a valid date").arg(text));
    return d;
  }
  case TFieldType::ftTime: {
    const TimeOfDay t = ParseTime(s);
    if (!t.Valid) throw EDatabaseError(QStringLiteral("'%1' is not a valid time").arg(text));
    return TimeVariant(t);
  }
  case TFieldType::ftDateTime: {
    // The wall-clock value as typed, zone-free like the values read.
    QDate day;
    TimeOfDay time;
    if (!ParseStamp(s, day, time)) throw EDatabaseError(QStringLiteral("'%1' is not a valid date and time").arg(text));
    return StampVariant(day, time);
  }
  case TFieldType::ftBytes: return HexBytes(s, size, label);
  default: return text;
  }
}

QVariant TimeFromServerText(const QString &text) {
  const TimeOfDay t = ParseTime(text.trimmed());
  return t.Valid ? TimeVariant(t) : QVariant();
}

QVariant StampFromServerText(const QString &text) {
  QDate day;
  TimeOfDay time;
  return ParseStamp(text, day, time) ? StampVariant(day, time) : QVariant();
}
