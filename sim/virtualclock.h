#pragma once
// Virtual time for tests. One queue of due events (timer ticks, device replies, scripted
// actions); whenever the Qt event queue is drained, time jumps to the next due event, which
// runs from a fresh queued call, so waits, dialogs and message boxes all see time pass as on a
// real machine, only instantly. A real-time watchdog aborts a test that would hang.
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "platform/clock.h"

class VirtualClock : public QObject, public Clock {
    Q_OBJECT
public:
    explicit VirtualClock(QDateTime start = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53)), int watchdogSeconds = 120);
    ~VirtualClock() override;

    ProgramTimer* createTimer(QObject* parent, int intervalMs) override;
    qint64 elapsedMs() const override { return now_; }
    QDateTime now() const override { return start_.addMSecs(now_); }
    void singleShot(int ms, QObject* ctx, std::function<void()> fn) override;

    // Runs fn at an absolute virtual time (ms since the clock began), or at once if past.
    quint64 at(qint64 ms, std::function<void()> fn, QObject* ctx = nullptr);
    quint64 after(qint64 ms, std::function<void()> fn, QObject* ctx = nullptr) {
        return at(now_ + ms, std::move(fn), ctx);
    }
    void cancel(quint64 id);

    // Lets ms of virtual time pass, processing everything due meanwhile.
    void advance(qint64 ms);
    // Processes events until cond holds or maxMs of virtual time have passed; returns cond().
    bool runUntil(const std::function<bool()>& cond, qint64 maxMs = 600000);
    // Processes what is due now, without letting time pass.
    void settle();

    bool hasPending() const { return !queue_.empty(); }

private:
    struct Entry {
        std::function<void()> fn;
        QPointer<QObject> ctx;
        bool hasCtx;
    };
    void onAboutToBlock();
    void watchdog(int seconds);

    QDateTime start_;
    qint64 now_ = 0;
    quint64 seq_ = 0;
    std::map<std::pair<qint64, quint64>, Entry> queue_;
    std::map<quint64, qint64> dueOf_;
    bool dispatching_ = false;
    bool frozen_ = false;   // settle(): do not let time pass
    bool justRan_ = false;  // an event has run; the loops have not yet looked at their conditions
    QMetaObject::Connection blockConn_;

    std::mutex mu_;
    std::condition_variable cv_;
    bool stop_ = false;
    std::thread watchdog_;
};
