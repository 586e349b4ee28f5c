#pragma once
// One clock for every program timer, so tests can run the programs on virtual time.
#include <QDateTime>
#include <QObject>
#include <functional>

class ProgramTimer : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~ProgramTimer() override = default;
    // Like a QTimer: start() (re)starts from now; setInterval() on a running timer restarts it.
    virtual void start() = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    void start(int ms) {
        setInterval(ms);
        start();
    }
signals:
    void timeout();
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual ProgramTimer* createTimer(QObject* parent, int intervalMs) = 0;
    // Monotonic milliseconds since the clock began.
    virtual qint64 elapsedMs() const = 0;
    // Local date and time, for log stamps.
    virtual QDateTime now() const = 0;
    // Runs fn once after ms, unless ctx is gone by then.
    virtual void singleShot(int ms, QObject* ctx, std::function<void()> fn) = 0;
};

class RealClock : public Clock {
public:
    RealClock();
    ProgramTimer* createTimer(QObject* parent, int intervalMs) override;
    qint64 elapsedMs() const override;
    QDateTime now() const override;
    void singleShot(int ms, QObject* ctx, std::function<void()> fn) override;

private:
    qint64 start_;
};
