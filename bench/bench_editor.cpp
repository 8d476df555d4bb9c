// The SQL editor on 10 MiB scripts with highlighting on: load and first paint, typing latency,
// finding every occurrence of a word; a 1 MB line pasted and moved over; the idle cost of the
// blinking caret; the completion list on a database of 10,000 tables. Each figure is printed
// against its target.
#include "base/errors.h"
#include "bench/bench.h"
#include "bench/benchdb.h"
#include "bench/ddltexts.h"
#include "firebird/catalognames.h"
#include "tests/fixtures/testenv.h"
#include "ui/sqleditor.h"
#include "windows/editing/ddlwindow.h"

#include <sys/resource.h>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QTest>
#include <QTextStream>
#include <vector>

namespace {
double Ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

double Percentile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(p * v.size()))];
}

bool Report(QTextStream &out, const QString &what, double value, double target, const char *unit = "ms") {
  const bool met = value <= target;
  out << "     " << what << ": " << value << " " << unit << " (target <= " << target << " " << unit << ")"
      << (met ? "" : "  TARGET MISSED") << Qt::endl;
  return met;
}

TSQLExprForm *NewWindow() {
  auto *form = new TSQLExprForm;
  form->resize(900, 700);
  form->ShowChild();
  if (!QTest::qWaitForWindowExposed(form)) throw Exception(QStringLiteral("the DDL window was never shown"));
  form->ExecSql->setFocus();
  QTest::qWait(50);
  return form;
}

void Close(TSQLExprForm *form) {
  form->ExecSql->setModified(false);
  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Key press to repaint, one figure a key.
std::vector<double> KeyTimes(TSQLEditor *ed, Qt::Key key, int count) {
  std::vector<double> times;
  for (int i = 0; i < count; ++i) {
    QElapsedTimer k;
    k.start();
    QTest::keyClick(ed, key);
    ed->viewport()->repaint();
    times.push_back(Ms(k));
  }
  return times;
}

struct TShape {
  const char *Name;
  QByteArray (*Make)(qint64);
  const char *Word;
  int Rounds;
  int Keys;
};

QByteArray OneLine(qint64 size) {
  QByteArray out;
  out.reserve(size + 64);
  for (int i = 0; out.size() < size; ++i)
    out += "INSERT INTO T_BENCH VALUES (" + QByteArray::number(i) + ", 'row text'); ";
  out.truncate(size);
  return out;
}

bool MeasureShape(QTextStream &out, const TShape &shape) {
  const QString file = fixtures::tempPath(QStringLiteral("editor"), QStringLiteral(".sql"));
  const QByteArray text = shape.Make(10ll << 20);
  if (text.isEmpty()) {
    out << "   " << shape.Name << ": no text to measure" << Qt::endl;
    return false;
  }
  QFile f(file);
  if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size()) throw Exception(QStringLiteral("cannot write"));
  f.close();
  out << "   " << shape.Name << ": " << text.size() / 1048576.0 << " MiB, " << text.count('\n') + 1 << " lines"
      << Qt::endl;
  std::vector<double> loads, finds, keys;
  int found = 0;
  for (int r = 0; r < shape.Rounds; ++r) {
    TSQLExprForm *form = NewWindow();
    TSQLEditor *ed = form->ExecSql;
    QElapsedTimer t;
    t.start();
    LoadEditorFromFile(ed, file);
    ed->viewport()->repaint();
    QCoreApplication::processEvents();
    loads.push_back(Ms(t));
    ed->setCursorPosition(ed->lines() / 2, 0);
    ed->viewport()->repaint();
    const std::vector<double> k = KeyTimes(ed, Qt::Key_X, shape.Keys);
    keys.insert(keys.end(), k.begin(), k.end());
    t.restart();
    found = ed->MarkAll(QString::fromLatin1(shape.Word), TFindOptions{true, true});
    ed->viewport()->repaint();
    finds.push_back(Ms(t));
    Close(form);
  }
  QFile::remove(file);
  bool ok =
      Report(out, QStringLiteral("load and first paint, median of %1").arg(shape.Rounds), bench::median(loads), 300);
  ok &= Report(out, QStringLiteral("typing, key to repaint, p95 of %1").arg(keys.size()), Percentile(keys, 0.95), 10);
  out << "       (median " << bench::median(keys) << " ms)" << Qt::endl;
  ok &= Report(out, QStringLiteral("find all %1 \"%2\", median").arg(found).arg(QLatin1String(shape.Word)),
               bench::median(finds), 300);
  return ok;
}

// Item of the day: a 1 MB line pasted into the editor, then moved over with the arrow keys.
void MeasureLongLine(QTextStream &out) {
  TSQLExprForm *form = NewWindow();
  TSQLEditor *ed = form->ExecSql;
  QGuiApplication::clipboard()->setText(QString::fromLatin1(OneLine(1 << 20)));
  QElapsedTimer t;
  t.start();
  ed->paste();
  ed->viewport()->repaint();
  QCoreApplication::processEvents();
  out << "   a 1 MB line" << Qt::endl;
  Report(out, QStringLiteral("paste and paint"), Ms(t), 300);
  ed->SendScintilla(QsciScintilla::SCI_GOTOPOS, 512l * 1024);
  ed->viewport()->repaint();
  std::vector<double> arrows = KeyTimes(ed, Qt::Key_Right, 20);
  const std::vector<double> left = KeyTimes(ed, Qt::Key_Left, 20);
  arrows.insert(arrows.end(), left.begin(), left.end());
  Report(out, QStringLiteral("arrow key to repaint, p95 of %1").arg(arrows.size()), Percentile(arrows, 0.95), 20);
  const std::vector<double> typed = KeyTimes(ed, Qt::Key_X, 3);
  out << "     typing on the line, median of 3: " << bench::median(typed) << " ms" << Qt::endl;
  Close(form);
}

void MeasureIdle(QTextStream &out) {
  TSQLExprForm *form = NewWindow();
  form->ExecSql->setText(QStringLiteral("SELECT 1 FROM RDB$DATABASE"));
  QTest::qWait(200);
  QElapsedTimer t;
  const double cpu = ProcessCpuMs();
  t.start();
  QTest::qWait(3000);
  out << "   idle with the caret blinking" << Qt::endl;
  Report(out, QStringLiteral("CPU"), 100 * (ProcessCpuMs() - cpu) / Ms(t), 2, "%");
  Close(form);
}

void MeasureCompletion(QTextStream &out) {
  constexpr int kTables = 10000;
  QString script = QStringLiteral("SET AUTODDL OFF;\n");
  for (int i = 0; i < kTables; ++i)
    script += QStringLiteral("CREATE TABLE T_%1 (ID INTEGER, NAME VARCHAR(20));\n").arg(i, 5, 10, QLatin1Char('0'));
  script += QStringLiteral("COMMIT;\n");
  double build = 0;
  const fixtures::FbDatabase db = bench::buildDatabase(script, build);
  const bench::Connection connection(db);
  out << "   completion, " << kTables << " tables (built in " << build << " s)" << Qt::endl;
  QElapsedTimer t;
  t.start();
  TCatalogNames *names = CatalogNames();
  names->Refresh();
  names->Wait();
  out << "     names read on the worker thread: " << Ms(t) << " ms, " << (names->Names() ? "loaded" : "NOT LOADED")
      << Qt::endl;
  TSQLExprForm *form = NewWindow();
  TSQLEditor *ed = form->ExecSql;
  std::vector<double> typed, forced;
  for (int r = 0; r < 5; ++r) {
    ed->setText(QStringLiteral("SELECT * FROM T_"));
    ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    t.restart();
    QTest::keyClick(ed, Qt::Key_0);  // the third character of the word: the list opens, 10,000 names
    ed->viewport()->repaint();
    QCoreApplication::processEvents();
    typed.push_back(Ms(t));
    if (!ed->isListActive()) out << "     the list did not open" << Qt::endl;
    ed->cancelList();
    ed->setText(QStringLiteral("SELECT * FROM "));
    ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    t.restart();
    QTest::keyClick(ed, Qt::Key_Space, Qt::ControlModifier | Qt::ShiftModifier);  // every name and keyword
    ed->viewport()->repaint();
    QCoreApplication::processEvents();
    forced.push_back(Ms(t));
    ed->cancelList();
  }
  Report(out, QStringLiteral("list after three characters (T_0: every table), median of 5"), bench::median(typed), 100);
  Report(out, QStringLiteral("list of every name (Ctrl+Shift+Space), median of 5"), bench::median(forced), 100);
  Close(form);
}
}  // namespace

BENCH("editor10mb") {
  QTextStream out(stdout);
  out << qSetRealNumberPrecision(4);
  try {
    const TShape shapes[] = {{"tables, a column a line", bench::TablesText, "INTEGER", 3, 40},
                             {"statements, one a line", bench::StatementsText, "VARCHAR", 3, 40},
                             {"the sample database's script, repeated", bench::SampleScriptText, "CREATE", 3, 40},
                             {"a single 10 MiB line", OneLine, "VALUES", 1, 2}};
    // TESSELOR_BENCH_ONLY picks the measures whose names hold its text ("tables", "long", "idle"...).
    const QString only = qEnvironmentVariable("TESSELOR_BENCH_ONLY");
    auto wanted = [&](const char *name) { return only.isEmpty() || QString::fromLatin1(name).contains(only); };
    for (const TShape &shape : shapes)
      if (wanted(shape.Name)) MeasureShape(out, shape);
    if (wanted("a 1 MB line pasted")) MeasureLongLine(out);
    if (wanted("idle")) MeasureIdle(out);
    if (wanted("completion")) MeasureCompletion(out);
    out << "   peak memory: " << bench::peakRssMiB() << " MiB (the machine is shared: figures vary)" << Qt::endl;
    return 0;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 3;
  }
}
