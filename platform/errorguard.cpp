#include "platform/errorguard.h"

#include "platform/services.h"

namespace {
QString g_title;
}

void SetAppTitle(const QString& title) { g_title = title; }
QString AppTitle() { return g_title; }

QString StandardErrorText(const QString& message) {
    QString text = message;
    if (!text.isEmpty() && text.back() > QLatin1Char('.')) text += QLatin1Char('.');
    return text;
}

void ShowStandardError(const QString& message) {
    try {
        Services::prompts().messageBox(AppTitle(), StandardErrorText(message), MsgIcon::Error, MbOk);
    } catch (...) {
        // The error box itself must never take the program down.
    }
}

void ShowStandardError(const std::exception& e) { ShowStandardError(QString::fromUtf8(e.what())); }
