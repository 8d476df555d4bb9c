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

// The text of a value; null gives empty text. `size` tells a FLOAT (4) from a DOUBLE.
QString ValueText(const QVariant &v, TFieldType type, int size = 0);

// The value typed text stands for. Empty text is null for every kind but text. Raises
// EDatabaseError naming `label` when the text is not a value of the kind (or longer than `size`
// bytes for ftBytes).
QVariant TextValue(const QString &text, TFieldType type, int size = 0, const QString &label = QString());

// A time or timestamp from the server's text form; null when the text is not one.
QVariant TimeFromServerText(const QString &text);
QVariant StampFromServerText(const QString &text);
