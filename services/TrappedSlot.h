#pragma once
// Trapped connections: a slot that throws reports the error through clsSystem::ShowError
// with the slot's label ("frmProdList_cmdEdit_Click") and returns, as a hand-written
// trap would. ReportTrapped is that trap's body: call it inside a catch block.
// User-interface thread only, like clsSystem.

#include <QAbstractButton>
#include <QObject>
#include <QString>
#include <initializer_list>
#include <utility>

// Makes the exception being handled the pending error and shows it, labelled `label`.
void ReportTrapped(const QString& label);

// Runs `handler`; what it throws is reported under `label` and goes no further.
template <class Handler>
void Trapped(const QString& label, Handler&& handler) {
  try {
    handler();
  } catch (...) {
    ReportTrapped(label);
  }
}

// Has ui::Application report what escapes an event handler through ShowError.
void InstallEventLoopReporter();

// Connects `signal` of `sender` to the member `slot` of `receiver` (the signal's extra
// arguments are dropped, as QObject::connect does), trapped under `label`.
template <class Sender, class Signal, class Receiver, class Class, class... Args>
QMetaObject::Connection ConnectTrapped(const Sender* sender, Signal signal, Receiver* receiver,
                                       void (Class::*slot)(Args...), QString label) {
  return QObject::connect(sender, signal, receiver,
                          [receiver, slot, label = std::move(label)](Args... args) {
                            Trapped(label, [&] { (receiver->*slot)(std::forward<Args>(args)...); });
                          });
}

// Connects `signal` of each sender to its member slot, trapped under
// "<receiver's objectName>_<sender's objectName>_Click" (the slots' own names).
template <class Receiver, class Sender, class... SignalArgs>
void ConnectClicks(Receiver* receiver, void (Sender::*signal)(SignalArgs...),
                   std::initializer_list<std::pair<Sender*, void (Receiver::*)()>> clicks) {
  for (const auto& [sender, slot] : clicks) {
    ConnectTrapped(sender, signal, receiver, slot,
                   receiver->objectName() + QLatin1Char('_') + sender->objectName() +
                       QStringLiteral("_Click"));
  }
}

// The same for buttons' clicked signal.
template <class Receiver>
void ConnectClicks(Receiver* receiver,
                   std::initializer_list<std::pair<QAbstractButton*, void (Receiver::*)()>> clicks) {
  ConnectClicks(receiver, &QAbstractButton::clicked, clicks);
}
