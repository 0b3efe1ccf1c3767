#include "desktop/session_end.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <cstdio>

namespace velora::app {

namespace {

// The self-pipe: the handler writes the signal's number, the window thread reads it.
int pipeEnds[2] = {-1, -1};
struct sigaction previousTerm {};
struct sigaction previousHup {};

extern "C" void OnTerminationSignal(int number) {
  const int savedErrno = errno;
  const auto byte = static_cast<unsigned char>(number);
  // Async-signal-safe. A full pipe already holds a wake-up; dropping this byte is fine.
  [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

TSessionEnd::TSessionEnd(QObject* parent) : QObject(parent) {
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
    std::perror("velora: no pipe for the termination signals");
    pipeEnds[0] = pipeEnds[1] = -1;
  } else {
    notifier_ = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &TSessionEnd::ReadSignals);
    struct sigaction action {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, &previousTerm);
    ::sigaction(SIGHUP, &action, &previousHup);
  }
  if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    // Direct: the session manager expects the save to be done when the signal returns.
    connect(app, &QGuiApplication::commitDataRequest, this, &TSessionEnd::LogonEnding,
            Qt::DirectConnection);
  }
}

TSessionEnd::~TSessionEnd() {
  if (pipeEnds[0] < 0) return;
  ::sigaction(SIGTERM, &previousTerm, nullptr);
  ::sigaction(SIGHUP, &previousHup, nullptr);
  notifier_.reset();
  ::close(pipeEnds[0]);
  ::close(pipeEnds[1]);
  pipeEnds[0] = pipeEnds[1] = -1;
}

void TSessionEnd::LogonEnding() {
  emit SessionEnding(SessionEndCause::LogonEnding);
}

void TSessionEnd::ReadSignals() {
  unsigned char bytes[64];
  bool term = false;
  bool hup = false;
  ssize_t n;
  while ((n = ::read(pipeEnds[0], bytes, sizeof bytes)) > 0 || (n < 0 && errno == EINTR)) {
    for (ssize_t i = 0; i < n; ++i) {
      term = term || bytes[i] == SIGTERM;
      hup = hup || bytes[i] == SIGHUP;
    }
  }
  if (term || hup) {
    emit SessionEnding(term ? SessionEndCause::TerminateSignal : SessionEndCause::HangupSignal);
  }
}

}  // namespace velora::app
