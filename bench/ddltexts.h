#pragma once
// The 10 MiB DDL texts the editor's measurements load, in three shapes, CR LF breaks: a table
// with a column a line (lines of 25 characters on average), statements of one line each (about
// 60 characters), and the sample database's own script from Debian's examples, repeated (empty
// when it cannot be read).
#include <QByteArray>

namespace bench {
QByteArray TablesText(qint64 size);
QByteArray StatementsText(qint64 size);
QByteArray SampleScriptText(qint64 size);
}  // namespace bench
