// A 10 MB DDL file loaded into a DDL statements window, and the window's responses afterwards:
// typing at the end and in the middle, scrolling, and the caret indicator.
#include "bench/bench.h"
#include "editing/SQL_Expression.h"
#include "server/errors.h"
#include "tests/fixtures/testenv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextStream>
#include <algorithm>
#include <sys/resource.h>
#include <vector>

namespace {
constexpr qint64 kFileBytes = 10ll * 1024 * 1024;
constexpr int kRounds = 3;

// DDL of the usual shape: tables with one column a line, a few indexes, a trigger body;
// lines of 30-odd characters on average, CR LF breaks.
QByteArray DdlText(qint64 size) {
  QByteArray out;
  out.reserve(size + 4096);
  for (int t = 0; out.size() < size; ++t) {
    out += "CREATE TABLE T_BENCH_" + QByteArray::number(t) + " (\r\n";
    out += "    ID        INTEGER NOT NULL,\r\n";
    for (int c = 0; c < 12; ++c)
      out += "    COL_" + QByteArray::number(c) + "     VARCHAR(" + QByteArray::number(10 + c) + "),\r\n";
    out += "    NOTES     BLOB SUB_TYPE 1 SEGMENT SIZE 80,\r\n";
    out += "    PRIMARY KEY (ID)\r\n);\r\n\r\n";
    out += "CREATE INDEX I_BENCH_" + QByteArray::number(t) + " ON T_BENCH_" + QByteArray::number(t) + " (COL_1);\r\n";
    out += "SET TERM ^ ;\r\nCREATE TRIGGER TR_BENCH_" + QByteArray::number(t) + " FOR T_BENCH_" +
           QByteArray::number(t) + "\r\nBEFORE INSERT AS\r\nBEGIN\r\n  NEW.ID = GEN_ID(G_BENCH, 1);\r\nEND ^\r\n";
    out += "SET TERM ; ^\r\n\r\n";
  }
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
  double loadCpu = 0, load = 0, typeEnd = 0, typeMiddle = 0, scroll = 0, indicator = 0;
};

Round Measure(const QString &file) {
  Round r;
  auto *form = new TSQLExprForm;
  form->resize(900, 700);
  form->ShowChild();
  QTest::qWaitForWindowExposed(form);
  QPlainTextEdit *ed = form->ExecSql;
  ed->setFocus();

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

  // The indicator after a key release deep in the text.
  QTextCursor deep(ed->document()->findBlockByNumber(ed->document()->blockCount() - 3));
  ed->setTextCursor(deep);
  t.restart();
  QTest::keyRelease(ed, Qt::Key_Right);
  r.indicator = Ms(t);
  if (!form->PosIndic->text().contains(QString::number(ed->document()->blockCount() - 2)))
    r.indicator = -1;

  form->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  return r;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
}  // namespace

BENCH("ddl10mb") {
  QTextStream out(stdout);
  try {
    const QString file = fixtures::tempPath(QStringLiteral("bench"), QStringLiteral(".DDL"));
    {
      QFile f(file);
      if (!f.open(QIODevice::WriteOnly))
        return 2;
      const QByteArray text = DdlText(kFileBytes);
      f.write(text);
      out << "   file: " << text.size() / (1024.0 * 1024.0) << " MiB, " << text.count('\n') << " lines" << Qt::endl;
    }
    std::vector<Round> rounds;
    for (int i = 0; i < kRounds; ++i)
      rounds.push_back(Measure(file));
    auto median = [&](double Round::*m) {
      std::vector<double> v;
      for (const Round &r : rounds)
        v.push_back(r.*m);
      return Median(v);
    };
    out << qSetRealNumberPrecision(4);
    out << "   load (read, convert, first paint): median " << median(&Round::load) << " ms of";
    for (const Round &r : rounds)
      out << " " << r.load;
    out << Qt::endl;
    out << "   load CPU time of the thread: median " << median(&Round::loadCpu) << " ms" << Qt::endl;
    out << "   typing per key at the end: " << median(&Round::typeEnd) << " ms, in the middle: "
        << median(&Round::typeMiddle) << " ms" << Qt::endl;
    out << "   scroll jump with paint: " << median(&Round::scroll) << " ms" << Qt::endl;
    out << "   caret indicator on key release: " << median(&Round::indicator) << " ms" << Qt::endl;
    out << "   peak memory: " << bench::peakRssMiB() << " MiB" << Qt::endl;
    return median(&Round::load) < 1000 && median(&Round::indicator) >= 0 ? 0 : 1;
  } catch (const std::exception &e) {
    out << "   error: " << e.what() << Qt::endl;
    return 3;
  }
}
