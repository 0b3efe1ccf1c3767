// The end of the session: the session manager's save request and SIGTERM/SIGHUP each
// arrive once, as a signal on the window thread, and the process lives on to save.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSignalSpy>
#include <QTest>
#include <csignal>

#include "desktop/session_end.h"

namespace velora::app {
namespace {

SessionEndCause CauseAt(const QSignalSpy& spy, int i) {
  return spy.at(i).at(0).value<SessionEndCause>();
}

TEST(SessionEnd, ATerminationSignalArrivesOnceOnTheWindowThread) {
  TSessionEnd sessionEnd;
  QSignalSpy ending(&sessionEnd, &TSessionEnd::SessionEnding);
  ASSERT_EQ(std::raise(SIGTERM), 0);
  EXPECT_EQ(ending.count(), 0);  // not inside the handler: on the next event loop turn
  ASSERT_TRUE(ending.wait(5000));
  QTest::qWait(50);
  ASSERT_EQ(ending.count(), 1);
  EXPECT_EQ(CauseAt(ending, 0), SessionEndCause::TerminateSignal);

  ASSERT_EQ(std::raise(SIGHUP), 0);
  ASSERT_TRUE(ending.wait(5000));
  EXPECT_EQ(CauseAt(ending, 1), SessionEndCause::HangupSignal);
}

TEST(SessionEnd, SignalsThatArriveTogetherCountOnce) {
  TSessionEnd sessionEnd;
  QSignalSpy ending(&sessionEnd, &TSessionEnd::SessionEnding);
  std::raise(SIGHUP);
  std::raise(SIGTERM);
  std::raise(SIGTERM);
  ASSERT_TRUE(ending.wait(5000));
  QTest::qWait(50);
  ASSERT_EQ(ending.count(), 1);
  EXPECT_EQ(CauseAt(ending, 0), SessionEndCause::TerminateSignal);
}

TEST(SessionEnd, ThePreviousHandlingReturnsWhenItGoes) {
  struct sigaction before {};
  ::sigaction(SIGTERM, nullptr, &before);
  {
    TSessionEnd sessionEnd;
    struct sigaction during {};
    ::sigaction(SIGTERM, nullptr, &during);
    EXPECT_NE(during.sa_handler, before.sa_handler);
  }
  struct sigaction after {};
  ::sigaction(SIGTERM, nullptr, &after);
  EXPECT_EQ(after.sa_handler, before.sa_handler);
  ::sigaction(SIGHUP, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_DFL);
}

TEST(SessionEnd, TheSessionManagersSaveRequestArrivesAtOnce) {
  TSessionEnd sessionEnd;
  QSignalSpy ending(&sessionEnd, &TSessionEnd::SessionEnding);
  // The application's own signal, as the session manager raises it. The manager cannot
  // be made outside Qt; the receiver never reads it, so any address serves.
  alignas(QSessionManager) unsigned char storage[sizeof(QSessionManager)] = {};
  auto& manager = *reinterpret_cast<QSessionManager*>(storage);
  ASSERT_TRUE(QMetaObject::invokeMethod(qApp, "commitDataRequest", Qt::DirectConnection,
                                        Q_ARG(QSessionManager&, manager)));
  ASSERT_EQ(ending.count(), 1);  // before the save request returns
  EXPECT_EQ(CauseAt(ending, 0), SessionEndCause::LogonEnding);
}

}  // namespace
}  // namespace velora::app
