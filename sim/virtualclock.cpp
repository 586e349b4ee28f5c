#include "sim/virtualclock.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <cstdio>
#include <cstdlib>

#include "platform/wait.h"

namespace {
// Behaves as a QTimer does: a tick never runs nested inside the same activation's slot (it
// is delivered after the slot returns), while a restart inside the slot arms a new one.
class VirtualTimer final : public ProgramTimer {
public:
    VirtualTimer(VirtualClock* clock, QObject* parent, int ms) : ProgramTimer(parent), clock_(clock), interval_(ms) {}
    ~VirtualTimer() override { disarm(); }
    void start() override {
        disarm();
        active_ = true;
        ++generation_;
        arm(clock_->elapsedMs() + std::max(interval_, 0));
    }
    void stop() override {
        disarm();
        active_ = false;
        ++generation_;
    }
    bool isActive() const override { return active_; }
    void setInterval(int ms) override {
        interval_ = ms;
        if (active_) start();
    }
    int interval() const override { return interval_; }

private:
    void arm(qint64 due) {
        const quint64 gen = generation_;
        entry_ = clock_->at(
            due, [this, gen, due] { fire(gen, due); }, this);
    }
    void disarm() {
        if (entry_) clock_->cancel(entry_);
        entry_ = 0;
    }
    void fire(quint64 gen, qint64 due) {
        entry_ = 0;
        if (!active_ || gen != generation_) return;
        if (inSlotGen_ == gen) {
            missed_ = true;
            return;
        }
        arm(due + std::max(interval_, 1));
        const quint64 outer = inSlotGen_;
        inSlotGen_ = gen;
        QPointer<VirtualTimer> self(this);
        emit timeout();
        if (!self) return;
        inSlotGen_ = outer;
        if (missed_ && active_ && gen == generation_) {
            missed_ = false;
            disarm();
            arm(clock_->elapsedMs());
        }
        missed_ = false;
    }

    VirtualClock* clock_;
    int interval_;
    bool active_ = false;
    bool missed_ = false;
    quint64 generation_ = 1;
    quint64 inSlotGen_ = 0;
    quint64 entry_ = 0;
};
}  // namespace

VirtualClock::VirtualClock(QDateTime start, int watchdogSeconds) : start_(std::move(start)) {
    auto* dispatcher = QAbstractEventDispatcher::instance();
    if (!dispatcher) {
        std::fprintf(stderr, "VirtualClock needs a running application object\n");
        std::abort();
    }
    blockConn_ = connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &VirtualClock::onAboutToBlock,
                         Qt::DirectConnection);
    if (watchdogSeconds > 0) watchdog_ = std::thread([this, watchdogSeconds] { watchdog(watchdogSeconds); });
}

VirtualClock::~VirtualClock() {
    disconnect(blockConn_);
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    cv_.notify_all();
    if (watchdog_.joinable()) watchdog_.join();
}

void VirtualClock::watchdog(int seconds) {
    std::unique_lock<std::mutex> lock(mu_);
    if (!cv_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stop_; })) {
        std::fprintf(stderr, "watchdog: the test ran %d s of real time; it hangs\n", seconds);
        std::fflush(stderr);
        std::abort();
    }
}

ProgramTimer* VirtualClock::createTimer(QObject* parent, int intervalMs) {
    return new VirtualTimer(this, parent, intervalMs);
}

void VirtualClock::singleShot(int ms, QObject* ctx, std::function<void()> fn) {
    after(std::max(ms, 0), std::move(fn), ctx);
}

quint64 VirtualClock::at(qint64 ms, std::function<void()> fn, QObject* ctx) {
    const quint64 id = ++seq_;
    const qint64 due = std::max(ms, now_);
    queue_.emplace(std::make_pair(due, id), Entry{std::move(fn), QPointer<QObject>(ctx), ctx != nullptr});
    dueOf_[id] = due;
    if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
    return id;
}

void VirtualClock::cancel(quint64 id) {
    auto it = dueOf_.find(id);
    if (it == dueOf_.end()) return;
    queue_.erase(std::make_pair(it->second, id));
    dueOf_.erase(it);
}

void VirtualClock::onAboutToBlock() {
    // Never run the event here: a modal loop started inside it would stall the dispatcher.
    if (dispatching_ || queue_.empty()) return;
    if (justRan_) {
        // The event that just ran may have ended a wait nested in the loop about to sleep, which
        // looks at its condition only once this pass returns: let it, before time moves on, as
        // a real loop returns to its caller after handling an event. The wake-up makes this
        // pass return instead of sleeping.
        justRan_ = false;
        if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
        return;
    }
    auto it = queue_.begin();
    if (frozen_ && it->first.first > now_) return;
    now_ = it->first.first;
    Entry e = std::move(it->second);
    dueOf_.erase(it->first.second);
    queue_.erase(it);
    dispatching_ = true;
    QMetaObject::invokeMethod(
        this,
        [this, e = std::move(e)] {
            dispatching_ = false;
            if (!e.hasCtx || e.ctx) e.fn();
            justRan_ = true;
            // Let any loop that sleeps after its posted events look at its condition again.
            if (auto* d = QAbstractEventDispatcher::instance()) d->wakeUp();
        },
        Qt::QueuedConnection);
}

void VirtualClock::advance(qint64 ms) {
    bool reached = false;
    const quint64 id = at(now_ + ms, [&reached] { reached = true; });
    WaitUntil([&reached] { return reached; });
    cancel(id);
}

bool VirtualClock::runUntil(const std::function<bool()>& cond, qint64 maxMs) {
    bool expired = false;
    const quint64 id = at(now_ + maxMs, [&expired] { expired = true; });
    WaitUntil([&] { return expired || cond(); });
    cancel(id);
    return cond();
}

void VirtualClock::settle() {
    frozen_ = true;
    bool done = false;
    // A zero-delay marker queued last: everything due now runs before it.
    at(now_, [&done] { done = true; });
    WaitUntil([&done] { return done; });
    frozen_ = false;
}
