#include "sim/device.h"

#include "platform/services.h"

QByteArray CorruptCrc(QByteArray line) {
    int i = line.size() - 1;
    while (i >= 0 && (line[i] == '\n' || line[i] == '\r')) --i;
    if (i >= 0) line[i] = (line[i] == '0') ? '1' : '0';
    return line;
}

QByteArray BreakEnds(QByteArray line) {
    // The line feed stays, so the line is still received as a line.
    if (!line.isEmpty() && line.front() == '\r') line.front() = '!';
    return line;
}

DeviceBus::DeviceBus(QObject* parent) : QObject(parent) {}
DeviceBus::~DeviceBus() = default;

void DeviceBus::receiveFromHost(const QByteArray& bytes) {
    for (char c : bytes) {
        if (c == '\r') partial_.clear();
        partial_.append(c);
        if (c == '\n') {
            const QByteArray line = partial_;
            partial_.clear();
            handleRequest(line);
        }
    }
}

void DeviceBus::sendToHost(const QByteArray& bytes, int delayMs) {
    Services::clock().singleShot(delayMs, this, [this, bytes] {
        if (toHost) toHost(bytes);
    });
}

void DeviceBus::handleRequest(const QByteArray& line) {
    requests.append(line);
    QList<QByteArray> replies;
    int latency = 0;
    for (auto& d : devices_) {
        if (!d->accepts(line)) continue;
        replies += d->handleLine(line);
        latency = std::max(latency, d->latencyMs);
    }
    if (faults.hook) replies = faults.hook(line, replies);
    if (faults.silentAll) return;
    if (faults.silentNext > 0) {
        --faults.silentNext;
        return;
    }
    // The request itself takes its time on the line before a device can answer it.
    int t = latency + faults.extraLatencyMs + (paceBaud ? int(line.size() * 10000LL / paceBaud) : 0);
    if (faults.lateNext > 0 && !replies.isEmpty()) {
        --faults.lateNext;
        t += faults.lateMs;
    }
    for (QByteArray r : replies) {
        if (faults.badCrcNext > 0) {
            --faults.badCrcNext;
            r = CorruptCrc(r);
        }
        if (faults.badEndsNext > 0) {
            --faults.badEndsNext;
            r = BreakEnds(r);
        }
        if (!faults.noiseBeforeNext.isEmpty()) {
            sendToHost(faults.noiseBeforeNext, t);
            faults.noiseBeforeNext.clear();
        }
        const int onLine = paceBaud ? int(r.size() * 10000LL / paceBaud) : 0;
        if (faults.splitNext > 0 && r.size() > 1) {
            --faults.splitNext;
            const int half = r.size() / 2;
            sendToHost(r.left(half), t);
            sendToHost(r.mid(half), t + faults.splitGapMs);
            t += faults.splitGapMs;
        } else {
            sendToHost(r, t + onLine);
        }
        t += onLine;
    }
}
