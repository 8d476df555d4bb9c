// A 10 MB DDL file loaded into a DDL statements window, and the window's responses afterwards:
// typing at the end and in the middle, scrolling, and the caret indicator.
#include "base/errors.h"
#include "bench/bench.h"
#include "tests/fixtures/testenv.h"
#include "ui/editorlines.h"
#include "windows/editing/ddlwindow.h"

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace {
constexpr qint64 kFileBytes = 10ll * 1024 * 1024;
constexpr int kRounds = 3;

// Made-up DDL in two shapes, CR LF breaks. The load's cost goes with the number of lines, so
// the two bound the usual scripts: a table with a column a line (lines of 25 characters on average),
// and statements of one line each (about 60 characters).
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
const QString kSampleScript = QStringLiteral("/usr/share/doc/firebird3.0-common-doc/examples/employee.sql.gz");

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

double Ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

// CPU time of this thread, to tell the work from the waiting on a shared machine.
double ThreadCpuMs() {
  rusage u{};
  getrusage(RUSAGE_THREAD, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct Round {
  double loadCpu = 0, load = 0, resize = 0, typeEnd = 0, typeMiddle = 0, scroll = 0, indicator = 0;
};

Round Measure(const QString &file) {
  Round r;
  auto *form = new TSQLExprForm;
  form->resize(900, 700);
  form->ShowChild();
  if (!QTest::qWaitForWindowExposed(form)) throw Exception(QStringLiteral("the DDL window was never shown"));
  QPlainTextEdit *ed = form->ExecSql;
  ed->setFocus();
  QTest::qWait(100);  // the window has settled by the time a user chooses a file

  // Load: reading, conversion, the editor's document, and the first paint of the window.
  QElapsedTimer t;
  const double cpu = ThreadCpuMs();
  t.start();
  LoadEditorFromFile(ed, file);
  ed->viewport()->repaint();
  QCoreApplication::processEvents();
  r.load = Ms(t);
  r.loadCpu = ThreadCpuMs() - cpu;

  // Typing 20 characters at the end, then in the middle (keys and repaint each time).
  auto typeAt = [&](QTextCursor::MoveOperation where, int block) {
    QTextCursor c(ed->document());
    if (block >= 0)
      c = QTextCursor(ed->document()->findBlockByNumber(block));
    else
      c.movePosition(where);
    ed->setTextCursor(c);
    QCoreApplication::processEvents();
    QElapsedTimer k;
    k.start();
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(ed, Qt::Key_X);
      ed->viewport()->repaint();
    }
    return Ms(k) / 20;
  };
  r.typeEnd = typeAt(QTextCursor::End, -1);
  r.typeMiddle = typeAt(QTextCursor::Start, ed->document()->blockCount() / 2);

  // Scrolling: ten jumps across the whole text, each painted.
  QScrollBar *bar = ed->verticalScrollBar();
  t.restart();
  for (int i = 0; i <= 10; ++i) {
    bar->setValue(bar->maximum() * i / 10);
    ed->viewport()->repaint();
  }
  r.scroll = Ms(t) / 11;

  // A change of the window's width lays the text out anew.
  t.restart();
  form->window()->resize(form->window()->width() + 40, form->window()->height());
  QCoreApplication::processEvents();
  ed->viewport()->repaint();
  r.resize = Ms(t);

  // The indicator after a key release at the end of the text: on its last line.
  const int lastLine = int(EditorText(ed).count(QLatin1String("\r\n"))) + 1;
  QTextCursor deep(ed->document());
  deep.movePosition(QTextCursor::End);
  ed->setTextCursor(deep);
  t.restart();
  QTest::keyRelease(ed, Qt::Key_Right);
  r.indicator = Ms(t);
  if (!form->PosIndic->text().contains(QStringLiteral("Line : %1 ").arg(lastLine))) r.indicator = -1;

  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return r;
}

// The load of the whole file and the window's responses afterwards, median of a few rounds
// (the machine is shared). Returns false, saying why, when there is no file to measure.
bool MeasureShape(QTextStream &out, const QString &shape, QByteArray (*make)(qint64)) {
  const QString file = fixtures::tempPath(QStringLiteral("bench"), QStringLiteral(".DDL"));
  {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
      out << "   " << shape << ": cannot write " << file << ": " << f.errorString() << Qt::endl;
      return false;
    }
    const QByteArray text = make(kFileBytes);
    if (text.isEmpty()) {
      out << "   " << shape << ": no text to measure" << Qt::endl;
      return false;
    }
    f.write(text);
    out << "   " << shape << ": " << text.size() / (1024.0 * 1024.0) << " MiB, " << text.count('\n') << " lines"
        << Qt::endl;
  }
  std::vector<Round> rounds;
  for (int i = 0; i < kRounds; ++i)
    rounds.push_back(Measure(file));
  QFile::remove(file);
  auto median = [&](double Round::*m) {
    std::vector<double> v;
    for (const Round &r : rounds)
      v.push_back(r.*m);
    return bench::median(v);
  };
  out << qSetRealNumberPrecision(4);
  out << "     load (read, convert, first paint): median " << median(&Round::load) << " ms of";
  for (const Round &r : rounds)
    out << " " << r.load;
  out << (median(&Round::load) < 1000 ? "  (under 1 s)" : "  (OVER 1 s)") << Qt::endl;
  out << "     load CPU time of the thread: median " << median(&Round::loadCpu) << " ms" << Qt::endl;
  out << "     typing per key at the end: " << median(&Round::typeEnd)
      << " ms, in the middle: " << median(&Round::typeMiddle) << " ms" << Qt::endl;
  out << "     scroll jump with paint: " << median(&Round::scroll) << " ms" << Qt::endl;
  out << "     width change of the window: " << median(&Round::resize) << " ms" << Qt::endl;
  out << "     caret indicator on key release: " << median(&Round::indicator) << " ms"
      << (median(&Round::indicator) < 0 ? "  (WRONG POSITION)" : "") << Qt::endl;
  return true;
}
}  // namespace

BENCH("ddl10mb") {
  QTextStream out(stdout);
  try {
    if (!MeasureShape(out, QStringLiteral("tables, a column a line"), TablesText) ||
        !MeasureShape(out, QStringLiteral("statements, one a line"), StatementsText) ||
        !MeasureShape(out, QStringLiteral("the sample database's script, repeated"), SampleScriptText))
      return 2;
    out << "   peak memory: " << bench::peakRssMiB() << " MiB" << Qt::endl;
    return 0;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 3;
  }
}
