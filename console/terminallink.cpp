#include "console/terminallink.h"

#include <algorithm>

#include "common/terminalpayload.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
constexpr int MaxTransmissions = 6;
constexpr int ReplyTimeoutMs = 1000;

struct WaitCount {
    int& n;
    explicit WaitCount(int& count) : n(count) { ++n; }
    ~WaitCount() { --n; }
};
}  // namespace

TerminalLink::TerminalLink(QObject* parent) : QObject(parent) {
    TrmCom = Services::ports().create(this);
    TrmCom->setObjectName(QStringLiteral("TrmCom"));
    TrmTmr = Services::clock().createTimer(this, ReplyTimeoutMs);
    TrmTmr->setObjectName(QStringLiteral("TrmTmr"));
    GuardedConnect(TrmCom, &SerialLink::lineFeedReceived, this, [this] { receive(); });
    GuardedConnect(TrmTmr, &ProgramTimer::timeout, this, [this] { expire(); });
    // A port that goes away under us ends the exchange like a disconnect.
    GuardedConnect(TrmCom, &SerialLink::lost, this, [this] {
        emit portLost(PortGoneText(TrmCom->comNumber()));
        close();
    });
}

void TerminalLink::open(int comNumber) {
    TrmTmr->stop();
    TrmCom->open(comNumber, 9600);
    TrmCom->purgeInput();
    TrmCom->purgeOutput();
}

bool TerminalLink::isOpen() const { return TrmCom->isOpen(); }
bool TerminalLink::timerActive() const { return TrmTmr->isActive(); }
int TerminalLink::timeoutMs() const { return TrmTmr->interval(); }

void TerminalLink::clearExchange() { TrmWaiting = TrmRetry = TrmBusy = false; }

bool TerminalLink::ending() const { return ending_ || AppQuitting(); }

void TerminalLink::close() {
    TrmTmr->stop();
    clearExchange();
    if (TrmCom->isOpen()) {
        TrmCom->purgeInput();
        TrmCom->purgeOutput();
        TrmCom->close();
    }
    emit closed();
}

void TerminalLink::shutDown() {
    ending_ = true;
    close();
}

void TerminalLink::send(const TLineBuffer& line) {
    const WaitCount counting(waits_);
    try {
        if (!WaitUntil([this] { return !TrmWaiting && !TrmRetry; })) return;
        for (int sent = 0;;) {
            // Once the program is ending, the rest of an operation goes nowhere, silently.
            if (ending()) {
                TrmTmr->stop();
                clearExchange();
                return;
            }
            if (sent == MaxTransmissions) {
                close();
                return;
            }
            if (!TrmCom->isOpen()) {
                clearExchange();
                emit notConnected();
                return;
            }
            ++sent;
            emit lineLogged(line);
            TrmWaiting = true;
            TrmRetry = false;
            TrmCom->purgeInput();
            TrmCom->purgeOutput();
            TrmCom->write(
                QByteArray(reinterpret_cast<const char*>(line.Data), std::clamp<int>(line.Len, 0, LineBufferSize)));
            TrmTmr->start();
            if (!WaitUntil([this] { return !TrmWaiting; })) continue;  // ending: see above
            if (!TrmRetry) return;
        }
    } catch (...) {
        // A failing port must not leave the exchange marked, or every later one would wait.
        TrmTmr->stop();
        clearExchange();
        throw;
    }
}

void TerminalLink::exchange(const TLongFrame& request) {
    const WaitCount counting(waits_);
    if (ending()) return;
    const TLineBuffer line = EncodeLongFrame(request);
    TrmBusy = true;
    send(line);
    if (!WaitUntil([this] { return !TrmBusy; })) clearExchange();
}

void TerminalLink::receive() {
    TrmTmr->stop();
    const QByteArray bytes = TrmCom->read(LineBufferSize);
    TLineBuffer rx{};
    TLongFrame reply{};
    TakeTerminalLine(reinterpret_cast<const uint8_t*>(bytes.constData()), std::size_t(bytes.size()), rx, reply);
    emit lineLogged(rx);
    // The exchange ends (or its resend is due) once the reply is applied, even if applying
    // it failed.
    struct Settle {
        TerminalLink* link;
        uint8_t code;
        ~Settle() { link->settle(code); }
    } settling{this, reply.Code};
    emit replyReceived(reply);
}

void TerminalLink::settle(uint8_t replyCode) {
    if (replyCode == FrameBadEnds || replyCode == FrameInvalid) {
        // Noise while nothing is out asks for no resend: no sender would make it.
        if (TrmWaiting) TrmRetry = true;
    } else {
        TrmBusy = false;
    }
    TrmWaiting = false;
}

void TerminalLink::expire() {
    TrmTmr->stop();
    TrmBusy = false;
    emit timedOut();
    close();
}
