#include "sim/devsimprocess.h"

#include <QElapsedTimer>

DevsimProcess::~DevsimProcess() {
    if (proc_.state() != QProcess::NotRunning) {
        proc_.terminate();
        if (!proc_.waitForFinished(3000)) proc_.kill();
        proc_.waitForFinished(3000);
    }
}

bool DevsimProcess::start(int timeoutMs) {
    proc_.setProcessChannelMode(QProcess::SeparateChannels);
    proc_.start(program_, args_);
    if (!proc_.waitForStarted(timeoutMs)) {
        error_ = proc_.errorString();
        return false;
    }
    QElapsedTimer t;
    t.start();
    QByteArray buf;
    while (t.elapsed() < timeoutMs) {
        if (!proc_.waitForReadyRead(200) && proc_.state() == QProcess::NotRunning) break;
        buf += proc_.readAllStandardOutput();
        for (;;) {
            const int nl = buf.indexOf('\n');
            if (nl < 0) break;
            const QString line = QString::fromLocal8Bit(buf.left(nl)).trimmed();
            buf.remove(0, nl + 1);
            if (line == QLatin1String("ready")) return true;
            const int sp = line.indexOf(QLatin1Char(' '));
            if (sp > 0) paths_.insert(line.left(sp), line.mid(sp + 1));
        }
    }
    error_ = QString::fromLocal8Bit(proc_.readAllStandardError());
    if (error_.isEmpty()) error_ = QStringLiteral("no 'ready' from devsim");
    return false;
}
