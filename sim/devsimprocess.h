#pragma once
// Starts devsim for an end-to-end test or a newcomer's run and reads the device paths it prints.
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>

class DevsimProcess {
public:
    DevsimProcess(QString program, QStringList args) : program_(std::move(program)), args_(std::move(args)) {}
    ~DevsimProcess();
    // Waits (real time, bounded) until devsim has printed "ready".
    bool start(int timeoutMs = 15000);
    QString path(const QString& name) const { return paths_.value(name); }
    QString error() const { return error_; }

private:
    QString program_;
    QStringList args_;
    QProcess proc_;
    QMap<QString, QString> paths_;
    QString error_;
};
