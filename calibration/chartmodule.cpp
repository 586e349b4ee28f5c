#include "calibration/chartmodule.h"

#include <dlfcn.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include "calibration/chartdrawing.h"

namespace {
QString g_file;

QString Failure(const QString& file, const char* why) {
    QString reason = why ? QString::fromLocal8Bit(why) : QStringLiteral("unknown error");
    // The loader's reason starts with the file's name, which the text already gives.
    if (reason.startsWith(file + QStringLiteral(": "))) reason.remove(0, file.size() + 2);
    return QStringLiteral("Cannot load the chart drawing %1: %2").arg(file, reason);
}
}  // namespace

namespace ChartModule {
QString file() {
    if (!g_file.isEmpty()) return g_file;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                           QStringLiteral(TANKCFG_CHART_MODULE_FROM_PROGRAM));
}

void useFile(const QString& path) { g_file = path; }

std::unique_ptr<ChartDrawing> load(QWidget* window, QString& error) {
    const QString path = file();
    // Every symbol resolved now: a module that lacks one is refused here, not at a later call.
    // It is never closed, since the drawing's code must stay as long as the window does.
    void* module = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        error = Failure(path, dlerror());
        return nullptr;
    }
    dlerror();
    void* entry = dlsym(module, TANKCFG_CHART_DRAWING_ENTRY);
    if (!entry) {
        error = Failure(path, dlerror());
        return nullptr;
    }
    std::unique_ptr<ChartDrawing> drawing(reinterpret_cast<ChartDrawingEntry>(entry)(window));
    if (!drawing) error = Failure(path, "the module made no drawing");
    return drawing;
}
}  // namespace ChartModule
