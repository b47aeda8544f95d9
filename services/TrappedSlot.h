#pragma once
// Trapped connections: a slot that throws reports the error through clsSystem::ShowError
// with the slot's label ("frmProdList_cmdEdit_Click") and returns, as a hand-written
// trap would. ReportTrapped is that trap's body: call it inside a catch block.
// Every connection of services/ and the windows' folders that runs program code goes
// through ConnectTrapped or ConnectClicks; only Qt-to-Qt wiring stays plain (a button
// to QLineEdit::clear, a signal relay, the single-instance socket). What still escapes
// an event handler is reported by ui::Application::notify under "<receiver>_Event".
// User-interface thread only, like clsSystem.

#include <QAbstractButton>
#include <QObject>
#include <QString>
#include <cstddef>
#include <functional>
#include <initializer_list>
#include <tuple>
#include <type_traits>
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

namespace trapped_detail {

template <class Signal>
struct SignalArgs;
template <class Class, class... Args>
struct SignalArgs<void (Class::*)(Args...)> {
  using type = std::tuple<Args...>;
};

template <class Slot, class Args, std::size_t... I>
constexpr bool TakesLeading(std::index_sequence<I...>) {
  return std::is_invocable_v<const Slot&, std::tuple_element_t<I, Args>...>;
}

// How many of the leading signal arguments `Slot` takes: as many as it can, as
// QObject::connect counts them.
template <class Slot, class Args, std::size_t N = std::tuple_size_v<Args>>
constexpr std::size_t LeadingCount() {
  if constexpr (TakesLeading<Slot, Args>(std::make_index_sequence<N>{})) {
    return N;
  } else if constexpr (N > 0) {
    return LeadingCount<Slot, Args, N - 1>();
  } else {
    static_assert(N > 0, "the slot takes no leading run of the signal's arguments");
    return 0;
  }
}

template <class Slot, class Args, std::size_t... I>
auto TrappedCall(Slot slot, QString label, std::index_sequence<I...>) {
  return [slot = std::move(slot), label = std::move(label)](std::tuple_element_t<I, Args>... args) {
    Trapped(label, [&] { slot(std::forward<std::tuple_element_t<I, Args>>(args)...); });
  };
}

}  // namespace trapped_detail

// Connects `signal` of `sender` to the callable `slot`, run while `context` lives and
// trapped under `label`; `slot` gets the leading signal arguments it takes.
template <class Sender, class Signal, class Slot>
QMetaObject::Connection ConnectTrapped(const Sender* sender, Signal signal, const QObject* context, Slot slot,
                                       QString label) {
  using Args = typename trapped_detail::SignalArgs<Signal>::type;
  return QObject::connect(sender, signal, context,
                          trapped_detail::TrappedCall<Slot, Args>(
                              std::move(slot), std::move(label),
                              std::make_index_sequence<trapped_detail::LeadingCount<Slot, Args>()>{}));
}

// Connects `signal` of `sender` to the member `slot` of `receiver`, trapped under `label`.
template <class Sender, class Signal, class Receiver, class Class, class... Args>
QMetaObject::Connection ConnectTrapped(const Sender* sender, Signal signal, Receiver* receiver,
                                       void (Class::*slot)(Args...), QString label) {
  return ConnectTrapped(sender, signal, receiver,
                        [receiver, slot](Args... args) { (receiver->*slot)(std::forward<Args>(args)...); },
                        std::move(label));
}

// The label of a trapped click: "<receiver's objectName>_<sender's objectName>_Click".
QString ClickLabel(const QObject& receiver, const QObject& sender);

// Connects `signal` of each sender to its member slot, trapped under its ClickLabel
// (the slots' own names).
template <class Receiver, class Sender, class... SignalArgs>
void ConnectClicks(Receiver* receiver, void (Sender::*signal)(SignalArgs...),
                   std::initializer_list<std::pair<Sender*, void (Receiver::*)()>> clicks) {
  for (const auto& [sender, slot] : clicks) ConnectTrapped(sender, signal, receiver, slot, ClickLabel(*receiver, *sender));
}

// The same for buttons' clicked signal.
template <class Receiver>
void ConnectClicks(Receiver* receiver,
                   std::initializer_list<std::pair<QAbstractButton*, void (Receiver::*)()>> clicks) {
  ConnectClicks(receiver, &QAbstractButton::clicked, clicks);
}

// The same for buttons whose clicks run an action of `receiver` (a member with its
// arguments bound).
void ConnectClicks(QObject* receiver, std::initializer_list<std::pair<QAbstractButton*, std::function<void()>>> clicks);
