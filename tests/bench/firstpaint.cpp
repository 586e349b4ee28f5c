// A toolkit plugin for bench_startup: loaded into a program by QT_QPA_GENERIC_PLUGINS=firstpaint,
// it lets the first exposure of a window run (the widgets paint and the backing store is flushed
// to the window inside it), then prints the monotonic clock in nanoseconds as
//   FIRSTPAINT <ns>
// and ends the process at once. Nothing of it is built into the programs.
#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
class FirstPaintWatch : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() != QEvent::Expose) return false;
        auto* window = qobject_cast<QWindow*>(target);
        if (!window || !window->isExposed()) return false;
        // Deliver it here, so that the clock is read when the paint and the flush are over.
        qApp->removeEventFilter(this);
        static_cast<QObject*>(window)->event(event);
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        std::printf("FIRSTPAINT %lld\n", static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
        std::fflush(stdout);
        std::_Exit(0);
    }
};
}  // namespace

class FirstPaintPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "firstpaint.json")
public:
    QObject* create(const QString& key, const QString&) override {
        if (key.compare(QLatin1String("firstpaint"), Qt::CaseInsensitive) != 0) return nullptr;
        auto* watch = new FirstPaintWatch;
        qApp->installEventFilter(watch);
        return watch;
    }
};

#include "firstpaint.moc"
