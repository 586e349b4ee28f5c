#include "sim/models.h"

#include "sim/consolemodel.h"
#include "sim/consoleprobe.h"
#include "sim/identprobe.h"
#include "sim/ostrelprobe.h"

namespace {
int intArg(const QStringList& args, int i, int dflt, bool* ok) {
    if (i >= args.size()) return dflt;
    bool good = false;
    const int v = args[i].toInt(&good);
    if (!good) *ok = false;
    return v;
}
}  // namespace

const std::vector<ModelKind>& DeviceModelKinds() {
    static const std::vector<ModelKind> kinds = {
        {"identprobe", "identprobe:ADDR  a probe that only answers identify",
         [](const QStringList& a) -> std::unique_ptr<DeviceModel> {
             bool ok = true;
             const int addr = intArg(a, 0, 0, &ok);
             if (!ok || addr < 0 || addr > 15) return nullptr;
             return std::make_unique<IdentProbe>(addr);
         }},
        {"probe",
         "probe:ADDR[:SPEED[:LENGTH]]  a probe in the probe program's dialect (speed m/s, length mm; unset: FF FF FF "
         "FF)",
         [](const QStringList& a) -> std::unique_ptr<DeviceModel> {
             bool ok = true;
             const int addr = intArg(a, 0, 0, &ok);
             if (!ok || a.isEmpty() || addr < 0 || addr > 15 || a.size() > 3) return nullptr;
             std::optional<double> speed, length;
             if (a.size() > 1) speed = a[1].toDouble(&ok);
             if (ok && a.size() > 2) length = a[2].toDouble(&ok);
             if (!ok) return nullptr;
             return std::make_unique<OstrelProbe>(addr, speed, length);
         }},
        {"consoleprobe",
         "consoleprobe:ADDR[:SPEED]  a probe in the console program's dialect (speed m/s, 3000 when not given)",
         [](const QStringList& a) -> std::unique_ptr<DeviceModel> {
             bool ok = true;
             const int addr = intArg(a, 0, 0, &ok);
             if (!ok || a.isEmpty() || addr < 0 || addr > 15 || a.size() > 2) return nullptr;
             double speed = 3000.0;
             if (a.size() > 1) speed = a[1].toDouble(&ok);
             if (!ok || !(speed > 0)) return nullptr;
             return std::make_unique<ConsoleProbe>(addr, speed);
         }},
        {"leakmodule", "leakmodule:ADDR  a leak read module",
         [](const QStringList& a) -> std::unique_ptr<DeviceModel> {
             bool ok = true;
             const int addr = intArg(a, 0, 0, &ok);
             if (!ok || a.size() != 1 || addr < 0 || addr > 15) return nullptr;
             return std::make_unique<LeakModule>(addr);
         }},
        {"console", "console  the tank console (terminal) on the terminal link",
         [](const QStringList& a) -> std::unique_ptr<DeviceModel> {
             if (!a.isEmpty()) return nullptr;
             return std::make_unique<ConsoleModel>();
         }},
    };
    return kinds;
}

std::unique_ptr<DeviceModel> CreateDeviceModel(const QString& spec, QString* error) {
    QStringList parts = spec.split(QLatin1Char(':'));
    const QString name = parts.takeFirst();
    for (const auto& k : DeviceModelKinds()) {
        if (name != QLatin1String(k.name)) continue;
        auto m = k.make(parts);
        if (!m && error) *error = QStringLiteral("bad arguments in '%1' (%2)").arg(spec, QLatin1String(k.help));
        return m;
    }
    if (error) *error = QStringLiteral("no device model named '%1'").arg(name);
    return nullptr;
}
