#include "probetool/txengine.h"

#include <algorithm>

#include "common/cp1251.h"
#include "platform/clock.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
QString frameTime() { return Services::clock().now().toString(QStringLiteral("HHmmss")); }
}  // namespace

ProbeTxEngine::ProbeTxEngine(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("ProbeTxEngine"));
    Wrktmr = Services::clock().createTimer(this, 75);
    Wrktmr->setObjectName(QStringLiteral("Wrktmr"));
    ComPort = Services::ports().create(this);
    ComPort->setObjectName(QStringLiteral("ComPort"));
    ComPort->setRs485(true);  // the probe bus is half duplex: RTS up only while sending
    GuardedConnect(Wrktmr, &ProgramTimer::timeout, this, [this] { WrktmrTimer(); });
    GuardedConnect(ComPort, &SerialLink::bytesAvailable, this, [this](int n) { ComPortTriggerAvail(n); });
}

ProbeTxEngine::~ProbeTxEngine() { Wrktmr->stop(); }

void ProbeTxEngine::SelectProbe(uint8_t address) {
    address_ = uint8_t(address & 0x0F);
    seqNo_ = 0;
}

void ProbeTxEngine::QueueCommand(const QString& text) { FTxQueue.append(text); }

void ProbeTxEngine::setProgress(int position) { emit progress(position, progressMax_); }

void ProbeTxEngine::StartSending() {
    progressMax_ = int(FTxQueue.size());
    setProgress(0);
    if (!Wrktmr->isActive() && !FTxQueue.isEmpty()) {
        FRetried = false;
        SendCommand(FTxQueue.first());
        FReplyWait = 0;  // the first command of a batch gets one tick only
        FAwaitingReply = true;
        Wrktmr->start();
    }
}

void ProbeTxEngine::SendCommand(const QString& text) {
    TShortFrame f{};
    f.Code = uint8_t(ParseInt("$" + text.left(2).toStdString()));
    f.Device = FDeviceId;
    // Every sending takes the next number, a second sending of the same command too.
    seqNo_ = uint8_t((seqNo_ + 2) % 16);
    f.Addr = uint8_t(seqNo_ * 16 + (address_ & 0x0F));
    if (text.size() > 2) {
        f.Count = 1;
        f.Data[0] = uint8_t(ParseInt("$" + text.mid(2, 2).toStdString()));
    }
    const std::string line = EncodeFrame(f);
    ComPort->write(QByteArray::fromStdString(line));
    emit logLine(QStringLiteral("S-") + frameTime() + QStringLiteral(" >") +
                 QString::fromStdString(StripFrameEnds(line)));
}

void ProbeTxEngine::WrktmrTimer() {
    if (FAwaitingReply && FReplyWait > 0) {
        --FReplyWait;
        return;
    }
    setProgress(progressMax_ - int(FTxQueue.size()) + 1);
    if (FAwaitingReply) {
        if (FRetried) {
            emit logLine(QStringLiteral("E-") + frameTime() + QStringLiteral(" > No responce! "));
            if (!FTxQueue.isEmpty()) FTxQueue.removeFirst();
            FRetried = false;
        } else {
            FRetried = true;
        }
    }
    if (!FTxQueue.isEmpty() && ComPort->isOpen()) {
        if (!FAwaitingReply) {
            FTxQueue.removeFirst();
            FRetried = false;
        }
        FAwaitingReply = true;
        if (FTxQueue.isEmpty()) {
            Wrktmr->stop();
            setProgress(0);
        } else {
            SendCommand(FTxQueue.first());
        }
        FReplyWait = 2;
    } else {
        Wrktmr->stop();
        FReplyWait = 2;
        FRetried = false;
        setProgress(0);
        FTxQueue.clear();
    }
}

void ProbeTxEngine::lineComplete(const std::string& line) {
    FRxQueue.append(QByteArray::fromStdString(line));
    FAwaitingReply = false;
    emit logLine(QStringLiteral("R-") + frameTime() + QStringLiteral(" >") +
                 QString::fromStdString(Cp1251ToUtf8(StripFrameEnds(line))));
}

void ProbeTxEngine::ComPortTriggerAvail(int count) {
    const QByteArray got = ComPort->read(std::max(count, 0));
    FRxLine.Feed(std::string_view(got.constData(), size_t(got.size())),
                 [this](const std::string& line) { lineComplete(line); });
}

QByteArray ProbeTxEngine::PartialLine() const { return QByteArray::fromStdString(FRxLine.Partial()); }

void ProbeTxEngine::ProcessReplies() {
    while (!FRxQueue.isEmpty()) {
        // Taken off the queue before it is handled, so a line whose handling fails cannot
        // stand in front of the ones behind it.
        const QByteArray line = FRxQueue.takeFirst();
        // No reply of this dialect is longer than the decoder's input; a longer line would
        // lose its LF when cut and fail the decode, so it is dropped undecoded.
        if (line.size() > ShortLineMax) continue;
        TShortFrame f{};
        probeprog::DecodeFrameReply(line.toStdString(), f);
        emit replyReceived(f);
    }
}

bool ProbeTxEngine::SendAndWait() {
    if (shutDown_) return false;
    StartSending();
    // Ends when the queue is empty; or when the program closes (Shutdown empties the queue:
    // the caller must not go on then); or when the engine has stopped with commands still
    // queued, which nothing would then send.
    const bool emptied =
        WaitUntil([this] { return FTxQueue.isEmpty(); }, [this] { return shutDown_ || !Wrktmr->isActive(); });
    return emptied && !shutDown_ && !AppQuitting();
}

void ProbeTxEngine::Clear() {
    FTxQueue.clear();
    FRxQueue.clear();
    FRxLine.Clear();
}

void ProbeTxEngine::Shutdown() {
    shutDown_ = true;
    Wrktmr->stop();
    if (ComPort->isOpen()) ComPort->close();
    Clear();
}
