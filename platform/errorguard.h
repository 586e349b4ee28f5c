#pragma once
// The one guard around event handlers: an error a handler does not handle itself ends that
// handler and is shown in the standard error box; the program goes on.
#include <QObject>
#include <QString>
#include <exception>
#include <type_traits>
#include <utility>

void SetAppTitle(const QString& title);
QString AppTitle();

// The box text: the message, with a full stop added when its last character sorts after '.'.
QString StandardErrorText(const QString& message);
// Caption = application title, stop icon, OK.
void ShowStandardError(const QString& message);
// Shows the error held by a caught exception (AppError messages are UTF-8).
void ShowStandardError(const std::exception& e);

template <class F>
void Guard(F&& handler) noexcept {
    try {
        std::forward<F>(handler)();
    } catch (const std::exception& e) {
        ShowStandardError(e);
    } catch (...) {
        ShowStandardError(QStringLiteral("Unknown error"));
    }
}

// The one way a handler is attached to a signal: it runs inside the guard. It takes the
// signal's arguments, or none (a click's handler need not take the checked state). A virtual
// event handler, which no signal calls, runs its work inside Guard itself.
template <class Sender, class Signal, class Receiver, class F>
auto GuardedConnect(Sender* sender, Signal signal, Receiver* receiver, F handler) {
    return QObject::connect(sender, signal, receiver, [h = std::move(handler)](auto&&... args) {
        Guard([&] {
            if constexpr (std::is_invocable_v<const F&, decltype(args)...>)
                h(std::forward<decltype(args)>(args)...);
            else
                h();
        });
    });
}
