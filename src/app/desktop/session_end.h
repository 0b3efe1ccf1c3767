#pragma once
// The end of the user's session, as one signal: the session manager's request to save
// (QGuiApplication::commitDataRequest) and the termination signals SIGTERM and SIGHUP,
// which arrive through a self-pipe so the window sees them as an ordinary event. The
// window saves its settings once and, for a signal, quits.
#include <QObject>
#include <memory>

class QSocketNotifier;

namespace velora::app {

enum class SessionEndCause { LogonEnding, TerminateSignal, HangupSignal };

class TSessionEnd : public QObject {
  Q_OBJECT

 public:
  // Takes over SIGTERM and SIGHUP until destroyed, when their previous handling returns.
  // Only one may exist at a time.
  explicit TSessionEnd(QObject* parent = nullptr);
  ~TSessionEnd() override;

  // The session manager asks the program to save (also what commitDataRequest runs).
  void LogonEnding();

 signals:
  // Once per request of the session manager, and once per burst of signals that arrived
  // together.
  void SessionEnding(velora::app::SessionEndCause cause);

 private:
  void ReadSignals();

  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace velora::app
