// A toolkit plugin for the package test: loaded into an installed program by
// QT_QPA_GENERIC_PLUGINS=firstwindow, it waits for the program's first window to be on the
// screen, prints its title and whether it carries an icon that draws, and ends the program as
// closing that window would.
#include <QCoreApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QWindow>
#include <cstdio>

namespace {
class FirstWindowWatch : public QObject {
public:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (done_ || event->type() != QEvent::Expose) return false;
        auto* window = qobject_cast<QWindow*>(target);
        if (!window || !window->isExposed()) return false;
        done_ = true;
        const QIcon icon = window->icon().isNull() ? QGuiApplication::windowIcon() : window->icon();
        const QPixmap drawn = icon.pixmap(64, 64);
        std::printf("first window: %s\nicon: %dx%d\n", qPrintable(window->title()), drawn.width(), drawn.height());
        std::fflush(stdout);
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
        return false;
    }

private:
    bool done_ = false;
};
}  // namespace

class FirstWindowPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "firstwindow.json")
public:
    QObject* create(const QString& key, const QString&) override {
        if (key.compare(QLatin1String("firstwindow"), Qt::CaseInsensitive) != 0) return nullptr;
        auto* watch = new FirstWindowWatch;
        qApp->installEventFilter(watch);
        return watch;
    }
};

#include "firstwindow.moc"
