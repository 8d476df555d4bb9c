#pragma once
// Firebird 3's SQL and PSQL words: the one list behind the editor's highlighting and
// completion and the quoting of names (a reserved word is never a regular identifier).
#include <QByteArray>
#include <QString>
#include <QStringList>

// Whether a word (any case) is one of Firebird 3's reserved words.
bool IsReservedWord(const QString &word);
// Whether a word (any case) is a keyword of Firebird 3's SQL or PSQL, reserved or not, or one
// of the script commands the splitter reads (SET TERM, EXIT...).
bool IsKeyword(const QString &word);
// The same for a word in UTF-8 (the editor's bytes), upper case.
bool IsKeywordUpper(const QByteArray &word);
// Every keyword, upper case, sorted.
const QStringList &Keywords();
