#pragma once
// The device models devsim can serve, by name: "kind[:arg[:arg...]]".
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "sim/device.h"

struct ModelKind {
    const char* name;
    const char* help;
    std::function<std::unique_ptr<DeviceModel>(const QStringList& args)> make;
};

// Every kind, one entry per model (models.cpp lists them).
const std::vector<ModelKind>& DeviceModelKinds();
// Null and *error set when the spec names no model or its arguments are bad.
std::unique_ptr<DeviceModel> CreateDeviceModel(const QString& spec, QString* error);
