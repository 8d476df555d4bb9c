#pragma once
// Values of every column kind as text and back: what a cell shows and what typed text becomes.
// Grids of tables and of query results share these, so a value reads the same everywhere.
//
// Times and timestamps keep the server's precision, ten-thousandths of a second: a value finer
// than a millisecond is held as the server's text ("HH:MM:SS.FFFF", "YYYY-MM-DD HH:MM:SS.FFFF"),
// any other as QTime or QDateTime. Bytes (ftBytes) show as hex digits and are typed as such.
#include "data/driver.h"

#include <QString>
#include <QVariant>

// What a grid shows for SQL NULL where it tells it from an empty value.
QString NullText();

// The text of a value; null gives empty text. `size` tells a FLOAT (4) from a DOUBLE; for an
// ftBCD value held as its scaled integer (a qlonglong) it is the scale, the digits after the point.
QString ValueText(const QVariant &v, TFieldType type, int size = 0);

// A NUMERIC or DECIMAL held as its scaled integer, exactly: -50 with scale 2 is "-0.50".
QString ScaledText(qint64 value, int scale);
// A time of day in the server's units, ten-thousandths of a second since midnight, as the value
// the grids hold for it (QTime when it is whole milliseconds, else the server's text).
QVariant TimeUnitsValue(quint32 units);
// The server's text of such a time, every digit written ("HH:MM:SS.FFFF").
QString TimeUnitsText(quint32 units);
// What a grid shows for a day ("YYYY-MM-DD") and for a time of day in the server's units
// ("HH:MM:SS", ".FFFF" added when there is a fraction): ValueText's text for those values, made
// without a detour through variants, for readers of millions of rows.
QByteArray DayText(qint64 julianDay);
QByteArray TimeShownText(quint32 units);

// The value typed text stands for. Empty text is null for every kind but text. Raises
// EDatabaseError naming `label` when the text is not a value of the kind (or longer than `size`
// bytes for ftBytes).
QVariant TextValue(const QString &text, TFieldType type, int size = 0, const QString &label = QString());

// A time or timestamp from the server's text form; null when the text is not one.
QVariant TimeFromServerText(const QString &text);
QVariant StampFromServerText(const QString &text);
