// A 10 MB DDL file loaded into a DDL statements window, and the window's responses afterwards:
// typing at the end and in the middle, scrolling, and the caret indicator.
#include "base/errors.h"
#include "bench/bench.h"
#include "bench/ddltexts.h"
#include "tests/fixtures/testenv.h"
#include "ui/editorlines.h"
#include "windows/editing/ddlwindow.h"

#include <sys/resource.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QScrollBar>
#include <QTest>
#include <QTextStream>
#include <algorithm>
#include <vector>

namespace {
constexpr qint64 kFileBytes = 10ll * 1024 * 1024;
constexpr int kRounds = 3;

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
  TSQLEditor *ed = form->ExecSql;
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
  auto typeAt = [&](int line) {
    if (line >= 0)
      ed->setCursorPosition(line, 0);
    else
      ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QCoreApplication::processEvents();
    QElapsedTimer k;
    k.start();
    for (int i = 0; i < 20; ++i) {
      QTest::keyClick(ed, Qt::Key_X);
      ed->viewport()->repaint();
    }
    return Ms(k) / 20;
  };
  r.typeEnd = typeAt(-1);
  r.typeMiddle = typeAt(ed->lines() / 2);

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
  ed->SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
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
    if (!MeasureShape(out, QStringLiteral("tables, a column a line"), bench::TablesText) ||
        !MeasureShape(out, QStringLiteral("statements, one a line"), bench::StatementsText) ||
        !MeasureShape(out, QStringLiteral("the sample database's script, repeated"), bench::SampleScriptText))
      return 2;
    out << "   peak memory: " << bench::peakRssMiB() << " MiB" << Qt::endl;
    return 0;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 3;
  }
}
