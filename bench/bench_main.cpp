#include "bench/bench.h"
#include "drivers/drivers.h"

#include <sys/resource.h>
#include <QApplication>
#include <QTextStream>
#include <exception>

namespace bench {
std::map<QString, Fn> &registry() {
  static std::map<QString, Fn> r;
  return r;
}
double peakRssMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}
}  // namespace bench

int main(int argc, char **argv) {
  qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
  QApplication app(argc, argv);
  RegisterDrivers();
  QStringList wanted = app.arguments().mid(1);
  QTextStream out(stdout);
  int failures = 0;
  for (auto &[name, fn] : bench::registry()) {
    if (!wanted.isEmpty() && !wanted.contains(name)) continue;
    out << "== " << name << Qt::endl;
    int rc = 1;
    try {
      rc = fn();
    } catch (const std::exception &e) {
      out << "   error: " << e.what() << Qt::endl;
    }
    if (rc != 0) {
      out << "   FAILED (" << rc << ")" << Qt::endl;
      ++failures;
    }
  }
  return failures ? 1 : 0;
}
