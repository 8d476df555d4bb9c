#include "bench/ddltexts.h"

#include <QProcess>
#include <QString>
#include <QtGlobal>

namespace bench {
QByteArray TablesText(qint64 size) {
  QByteArray out;
  out.reserve(size + 4096);
  for (int t = 0; out.size() < size; ++t) {
    const QByteArray n = QByteArray::number(t);
    out += "CREATE TABLE T_BENCH_" + n + " (\r\n    ID        INTEGER NOT NULL,\r\n";
    for (int c = 0; c < 12; ++c)
      out += "    COL_" + QByteArray::number(c) + "     VARCHAR(" + QByteArray::number(10 + c) + "),\r\n";
    out += "    NOTES     BLOB SUB_TYPE 1 SEGMENT SIZE 80,\r\n    PRIMARY KEY (ID)\r\n);\r\n\r\n";
    out += "CREATE INDEX I_BENCH_" + n + " ON T_BENCH_" + n + " (COL_1);\r\n";
    out += "SET TERM ^ ;\r\nCREATE TRIGGER TR_BENCH_" + n + " FOR T_BENCH_" + n +
           "\r\nBEFORE INSERT AS\r\nBEGIN\r\n  NEW.ID = GEN_ID(G_BENCH, 1);\r\nEND ^\r\n";
    out += "SET TERM ; ^\r\n\r\n";
  }
  out.truncate(size);
  return out;
}

QByteArray StatementsText(qint64 size) {
  QByteArray out;
  out.reserve(size + 4096);
  for (int t = 0; out.size() < size; ++t) {
    const QByteArray n = QByteArray::number(t);
    out +=
        "ALTER TABLE T_BENCH_" + QByteArray::number(t / 16) + " ADD COL_" + n + " VARCHAR(40) DEFAULT '" + n + "';\r\n";
    if (t % 16 == 15)
      out += "COMMENT ON TABLE T_BENCH_" + QByteArray::number(t / 16) + " IS 'Sixteen more columns';\r\n";
  }
  out.truncate(size);
  return out;
}

// Real DDL: the sample database's own script from Debian's examples, repeated to the size.
static const QString kSampleScript = QStringLiteral("/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz");

QByteArray SampleScriptText(qint64 size) {
  QProcess zcat;
  zcat.start(QStringLiteral("zcat"), {kSampleScript});
  if (!zcat.waitForFinished(30000) || zcat.exitCode() != 0) {
    qWarning("cannot read %s: %s", qPrintable(kSampleScript), zcat.readAllStandardError().constData());
    return {};
  }
  const QByteArray script = zcat.readAllStandardOutput();
  QByteArray out;
  out.reserve(size + script.size());
  while (!script.isEmpty() && out.size() < size)
    out += script;
  out.truncate(size);
  return out;
}

}  // namespace bench
