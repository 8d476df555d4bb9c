#pragma once
// How a name read from the catalog or a text goes into a statement in the database's dialect,
// and the plain formats the statements are filled from.
#include <QString>
#include <QStringList>

// Upper-case letters, digits, '_' and '$', starting with a letter, at most 31 characters and
// not a reserved word: a name the server takes without quotes.
bool IsRegularIdentifier(const QString &name);
// A name read from the catalog as it must stand in a statement: in dialect 3 a name that is
// not a regular identifier goes in double quotes with inner double quotes doubled; in
// dialect 1 (which has no quoted names), for regular names and for an empty one, unchanged.
QString QuoteIdentifier(const QString &name, int dialect);
// The name a typed identifier stands for: a quoted one without its quotes, a doubled quote
// inside counting once; anything else as typed (the server upper-cases it, same length).
QString TypedName(const QString &identifier);
// A text as a string literal: dialect 3 in single quotes, dialect 1 in double quotes, the
// quote character doubled inside. Everything else stays byte for byte.
QString StringLiteral(const QString &text, int dialect);
// Plain substitution: the n-th %s or %d takes the n-th value; "%%" stands for "%".
QString FillFormat(const char *format, const QStringList &values);
