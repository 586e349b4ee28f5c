// A toolkit plugin for the package test, loaded into an installed program by
// QT_QPA_GENERIC_PLUGINS. It waits for the program's first window to be on the screen, then
//  - firstwindow: prints the window's title and whether it carries an icon that draws;
//  - chartwindow: shows Marvane's chart window "CalTChart" and prints the class of the drawing
//    that came with it (the control "TblChart"), or "none";
// and ends the program as closing that window would.
#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <functional>

namespace {
void ReportFirstWindow(QWindow* window) {
    const QIcon icon = window->icon().isNull() ? QGuiApplication::windowIcon() : window->icon();
    const QPixmap drawn = icon.pixmap(64, 64);
    std::printf("first window: %s\nicon: %dx%d\n", qPrintable(window->title()), drawn.width(), drawn.height());
}

void ReportChart(QWindow*) {
    QWidget* chart = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String("CalTChart")) chart = w;
    if (!chart) {
        std::printf("chart window: none\n");
        return;
    }
    chart->show();
    const QWidget* view = chart->findChild<QWidget*>(QStringLiteral("TblChart"));
    std::printf("chart view: %s\n", view ? view->metaObject()->className() : "none");
}

class FirstWindowWatch : public QObject {
public:
    explicit FirstWindowWatch(std::function<void(QWindow*)> report) : report_(std::move(report)) {}
    bool eventFilter(QObject* target, QEvent* event) override {
        if (done_ || event->type() != QEvent::Expose) return false;
        auto* window = qobject_cast<QWindow*>(target);
        if (!window || !window->isExposed()) return false;
        done_ = true;
        // Reported once the exposure is handled, from the event loop.
        QMetaObject::invokeMethod(
            qApp,
            [report = report_, shown = QPointer<QWindow>(window)] {
                if (shown) report(shown);
                std::fflush(stdout);
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
        return false;
    }

private:
    std::function<void(QWindow*)> report_;
    bool done_ = false;
};
}  // namespace

class FirstWindowPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "firstwindow.json")
public:
    QObject* create(const QString& key, const QString&) override {
        FirstWindowWatch* watch = nullptr;
        if (key.compare(QLatin1String("firstwindow"), Qt::CaseInsensitive) == 0)
            watch = new FirstWindowWatch(&ReportFirstWindow);
        else if (key.compare(QLatin1String("chartwindow"), Qt::CaseInsensitive) == 0)
            watch = new FirstWindowWatch(&ReportChart);
        if (watch) qApp->installEventFilter(watch);
        return watch;
    }
};

#include "firstwindow.moc"
