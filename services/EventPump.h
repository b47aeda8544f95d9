#pragma once
// EventPump: when a long loop on the user-interface thread lets pending events run.
// Due() is True at its first call and then once each interval, so a progress dialog
// shows and answers its Cancel at once without the loop paying for the event loop on
// every step.

#include <QElapsedTimer>

class EventPump {
 public:
  static constexpr qint64 kIntervalMs = 50;

  bool Due() {
    if (timer_.isValid() && timer_.elapsed() < kIntervalMs) return false;
    timer_.start();
    return true;
  }

 private:
  QElapsedTimer timer_;
};
