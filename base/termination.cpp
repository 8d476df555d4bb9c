#include "base/termination.h"

#include <fcntl.h>
#include <ibase.h>
#include <pthread.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr unsigned kLibraryShutdownMs = 20000;

int gPipe[2] = {-1, -1};
std::atomic<int> gSignal{0};

void OnSignal(int signal) {
  const int saved = errno;
  int expected = 0;
  gSignal.compare_exchange_strong(expected, signal);
  const char byte = char(signal);
  [[maybe_unused]] const ssize_t n = ::write(gPipe[1], &byte, 1);
  errno = saved;
}

void Install(int signal) {
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(signal, &sa, nullptr);
}

// The client library puts its handlers in at its first attachment, even one that fails. Made
// to do it now, it will not do it again later, while a signal could come in between its
// handlers and ours. The attachment names a provider that does not exist, so it fails before
// any provider runs: with the default list, the loopback provider would carry it to a server
// on this machine, which at times takes seconds to refuse it.
void LetTheLibraryInstallItsHandlers() {
  static const char kNoProvider[] = "Providers=None";
  char dpb[2 + sizeof kNoProvider] = {isc_dpb_version1, isc_dpb_config, char(sizeof kNoProvider - 1)};
  std::memcpy(dpb + 3, kNoProvider, sizeof kNoProvider - 1);
  ISC_STATUS_ARRAY status;
  isc_db_handle none = 0;
  isc_attach_database(status, 0, "", &none, short(sizeof dpb), dpb);
  if (none) isc_detach_database(status, &none);
}
}  // namespace

void CatchTerminationSignals(std::function<void()> onSignal) {
  if (gPipe[0] < 0) {
    LetTheLibraryInstallItsHandlers();
    if (::pipe2(gPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto *notifier = new QSocketNotifier(gPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, onSignal = std::move(onSignal)] {
      char buf[16];
      while (::read(gPipe[0], buf, sizeof buf) > 0) {
      }
      notifier->setEnabled(false);  // once: the program is on its way out
      if (onSignal) onSignal();
    });
  }
  ReclaimTerminationSignals();
  sigset_t ending;
  sigemptyset(&ending);
  for (int s : kSignals)
    sigaddset(&ending, s);
  pthread_sigmask(SIG_UNBLOCK, &ending, nullptr);
}

void ReclaimTerminationSignals() {
  if (gPipe[1] < 0) return;
  for (int s : kSignals) {
    struct sigaction current = {};
    sigaction(s, nullptr, &current);
    if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != OnSignal) Install(s);
  }
}

int TerminationSignal() { return gSignal.load(); }

void ShutDownClientLibrary() { fb_shutdown(kLibraryShutdownMs, fb_shutrsn_app_stopped); }
