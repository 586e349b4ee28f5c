// The transmit queue and its 75 ms engine, the receive assembly and the reply pass.

#include "platform/clock.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/probc.h"

namespace {
constexpr qsizetype MaxRxLine = 1024;
}

void Tprobc::QueueCommand(const QString& text) { FTxQueue.append(text); }

void Tprobc::StartSending() {
    ProgrB->setPosition(0);
    ProgrB->setMax(int(FTxQueue.size()));
    if (!Wrktmr->isActive() && !FTxQueue.isEmpty()) {
        FRetried = false;
        SendCommand(FTxQueue.first());
        FReplyWait = 0;  // the first command of a batch gets one tick only
        FAwaitingReply = true;
        Wrktmr->start();
    }
}

void Tprobc::SendCommand(const QString& text) {
    TShortFrame f{};
    f.Code = uint8_t(ParseInt("$" + text.left(2).toStdString()));
    f.Device = FDeviceId;
    Probe.SeqNo = uint8_t((Probe.SeqNo + 2) % 16);
    f.Addr = uint8_t(Probe.SeqNo * 16 + (Probe.Address & 0x0F));
    if (text.size() > 2) {
        f.Count = 1;
        f.Data[0] = uint8_t(ParseInt("$" + text.mid(2, 2).toStdString()));
    }
    const std::string line = EncodeFrame(f);
    ComPort->write(QByteArray::fromStdString(line));
    AddLog(QStringLiteral("S-") + FrameStamp(Services::clock().now()) + QStringLiteral(" >") +
           QString::fromStdString(StripFrameEnds(line)));
}

void Tprobc::WrktmrTimer() {
    if (FAwaitingReply && FReplyWait > 0) {
        --FReplyWait;
        return;
    }
    ProgrB->setPosition(ProgrB->max() - int(FTxQueue.size()) + 1);
    if (FAwaitingReply) {
        if (FRetried) {
            AddLog(QStringLiteral("E-") + FrameStamp(Services::clock().now()) + QStringLiteral(" > No responce! "));
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
            ProgrB->setPosition(0);
        } else {
            SendCommand(FTxQueue.first());
        }
        FReplyWait = 2;
    } else {
        Wrktmr->stop();
        FReplyWait = 2;
        FRetried = false;
        ProgrB->setPosition(0);
        FTxQueue.clear();
    }
}

void Tprobc::ComPortTriggerAvail(int count) {
    const QByteArray got = ComPort->read(std::max(count, 0));
    for (const char c : got) {
        if (c == '\n') {
            FRxLine.append(c);
            FRxQueue.append(FRxLine);
            AddLog(QStringLiteral("R-") + FrameStamp(Services::clock().now()) + QStringLiteral(" >") +
                   QString::fromStdString(Cp1251ToUtf8(StripFrameEnds(FRxLine.toStdString()))));
            FRxLine.clear();
            FAwaitingReply = false;
        } else if (c == '\r') {
            FRxLine = QByteArray(1, '\r');
        } else if (FRxLine.size() < MaxRxLine) {
            // Noise that never ends a line must not grow without bound; such a line is
            // dropped when processed anyway.
            FRxLine.append(c);
        }
    }
}

void Tprobc::ProcessReplies() {
    while (!FRxQueue.isEmpty()) {
        // Taken off the queue before it is handled, so a line whose handling fails cannot
        // stand in front of the ones behind it.
        const QByteArray line = FRxQueue.takeFirst();
        // No reply of this dialect is longer than the decoder's input; a longer line would
        // lose its LF when cut and fail the decode, so it is dropped undecoded.
        if (line.size() > ShortLineMax) continue;
        TShortFrame f{};
        probeprog::DecodeFrameReply(line.toStdString(), f);
        Guard([&] { HandleReply(f); });
    }
}

bool Tprobc::SendAndWait() {
    if (closed_) return false;
    StartSending();
    // Ends when the queue is empty; or when the window closes (FormClose ends every wait and
    // empties the queue: the caller must not go on then); or when the engine has stopped with
    // commands still queued, which nothing would then send.
    const bool emptied = WaitUntil([this] { return FTxQueue.isEmpty(); },
                                   [this] { return closed_ || !Wrktmr->isActive(); });
    return emptied && !closed_ && !AppQuitting();
}

bool Tprobc::sendAndProcess() {
    if (!SendAndWait()) return false;
    ProcessReplies();
    return true;
}
