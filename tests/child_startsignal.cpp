// Runs the program as main() does while its settings are broken, so that start-up shows an
// error box; says "box" once the box shows and waits there for a termination signal, then
// "ended" once the program has ended. The history goes to the file named first.
#include "app/history.h"
#include "app/startup.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  SetHistoryFileName(app.arguments().value(1));
  auto *watch = new QTimer(&app);
  QObject::connect(watch, &QTimer::timeout, watch, [watch] {
    if (!QApplication::activeModalWidget()) return;
    watch->stop();
    std::puts("box");
    std::fflush(stdout);
  });
  watch->start(20);
  const int rc = RunProgram(app);
  std::puts("ended");
  return rc;
}
