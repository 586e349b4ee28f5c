#include "platform/clock.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {
class RealTimer final : public ProgramTimer {
public:
    RealTimer(QObject* parent, int ms) : ProgramTimer(parent), timer_(this) {
        timer_.setInterval(ms);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &ProgramTimer::timeout);
    }
    void start() override { timer_.start(); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }
    void setInterval(int ms) override { timer_.setInterval(ms); }
    int interval() const override { return timer_.interval(); }

private:
    QTimer timer_;
};

qint64 monotonicMs() {
    static QElapsedTimer t = [] {
        QElapsedTimer e;
        e.start();
        return e;
    }();
    return t.elapsed();
}
}  // namespace

RealClock::RealClock() : start_(monotonicMs()) {}

ProgramTimer* RealClock::createTimer(QObject* parent, int intervalMs) { return new RealTimer(parent, intervalMs); }

qint64 RealClock::elapsedMs() const { return monotonicMs() - start_; }

QDateTime RealClock::now() const { return QDateTime::currentDateTime(); }

void RealClock::singleShot(int ms, QObject* ctx, std::function<void()> fn) {
    QTimer::singleShot(ms, Qt::PreciseTimer, ctx, std::move(fn));
}
