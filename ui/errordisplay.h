#pragma once
// The application's error display and the guard every handler runs through: an exception
// never reaches Qt's event loop; it is shown in a message box titled with the application
// title, with the error icon, one "OK" button and the message followed by ".". EAbort is
// swallowed silently.
#include "base/errors.h"

#include <QObject>
#include <exception>
#include <functional>
#include <tuple>
#include <type_traits>
#include <utility>

// The text an error box shows for an exception: its message followed by ".".
QString ErrorText(const std::exception &e);
// Shows the error box for e (nothing for EAbort).
void ShowException(const std::exception &e);
// Shows the exception being handled; call only inside a catch block.
void HandleException();

// Runs f; any exception it raises is shown (EAbort silently) instead of propagating.
template <class F>
void Guard(F &&f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (...) {
    HandleException();
  }
}

// A window's close question about work not yet applied: "&Yes" runs apply through the guard and
// lets the window close only when it succeeded, "&No" lets it close, "Cancel" keeps it open.
bool AskToApply(const QString &question, const std::function<void()> &apply);

namespace guard_detail {
template <class F, class Tuple, class Seq>
struct InvocablePrefix;
template <class F, class Tuple, std::size_t... I>
struct InvocablePrefix<F, Tuple, std::index_sequence<I...>> : std::is_invocable<F, std::tuple_element_t<I, Tuple>...> {
};

template <class F, class Tuple, std::size_t... I>
void CallIndexed(F &f, Tuple &args, std::index_sequence<I...>) {
  std::invoke(f, std::get<I>(args)...);
}

// Calls f with the longest leading part of the arguments it accepts, as Qt does for slots
// that take fewer arguments than their signal.
template <std::size_t N, class F, class Tuple>
void CallWithPrefix(F &f, Tuple &args) {
  if constexpr (InvocablePrefix<F &, Tuple, std::make_index_sequence<N>>::value) {
    CallIndexed(f, args, std::make_index_sequence<N>());
  } else {
    static_assert(N > 0, "the handler cannot take the signal's arguments");
    if constexpr (N > 0) CallWithPrefix<N - 1>(f, args);
  }
}
}  // namespace guard_detail

// Wraps a callable so that each call runs through the guard; extra signal arguments that
// the callable does not take are dropped.
template <class F>
auto Guarded(F f) {
  return [f = std::move(f)](auto &&...args) mutable -> void {
    Guard([&] {
      auto tuple = std::forward_as_tuple(args...);
      guard_detail::CallWithPrefix<sizeof...(args)>(f, tuple);
    });
  };
}

// The same for a method of an object: Guarded(this, &TForm::RefrBtnClick).
template <class Receiver, class Method, std::enable_if_t<std::is_member_function_pointer_v<Method>, int> = 0>
auto Guarded(Receiver *receiver, Method method) {
  return [receiver, method](auto &&...args) -> void {
    Guard([&] {
      auto tuple = std::forward_as_tuple(receiver, args...);
      guard_detail::CallWithPrefix<sizeof...(args) + 1>(method, tuple);
    });
  };
}

// Connects a signal to a handler through the guard:
//   ConnectGuarded(RefreshBtn, &QPushButton::clicked, this, &TDomainsForm::RefrBtnClick);
//   ConnectGuarded(RefreshBtn, &QPushButton::clicked, this, [this] { ... });
// The connection ends with the receiver (the context object for a lambda).
template <class Sender, class Signal, class Receiver, class Slot>
QMetaObject::Connection ConnectGuarded(const Sender *sender, Signal signal, Receiver *receiver, Slot slot) {
  if constexpr (std::is_member_function_pointer_v<Slot>)
    return QObject::connect(sender, signal, receiver, Guarded(receiver, slot));
  else
    return QObject::connect(sender, signal, receiver, Guarded(std::move(slot)));
}
