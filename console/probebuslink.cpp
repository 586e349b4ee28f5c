#include "console/probebuslink.h"

#include <algorithm>

#include "platform/errorguard.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
constexpr int kMaxText = 255;  // the fixed-capacity texts of the last lines sent and read
}  // namespace

ProbeBusLink::ProbeBusLink(QObject* parent, Hooks hooks) : QObject(parent), hooks_(std::move(hooks)) {
    port_ = Services::ports().create(this);
    replyTimer_ = Services::clock().createTimer(this, 300);
    cycleTimer_ = Services::clock().createTimer(this, 500);
    GuardedConnect(port_, &SerialLink::lineFeedReceived, this, [this] { receive(); });
    GuardedConnect(port_, &SerialLink::dsrChanged, this, [this] { dsrChanged(); });
    GuardedConnect(port_, &SerialLink::lost, this, [this] { portLost(); });
    GuardedConnect(replyTimer_, &ProgramTimer::timeout, this, [this] { replyTimeout(); });
    GuardedConnect(cycleTimer_, &ProgramTimer::timeout, this, [this] { cycle(); });
}

bool ProbeBusLink::isOpen() const { return port_->isOpen(); }

void ProbeBusLink::open(int com) {
    port_->open(com, 9600);
    ++generation_;
    port_->purgeInput();
    port_->purgeOutput();
    connected_ = true;
    idle_ = true;
    cycleTimer_->start();
}

void ProbeBusLink::close() {
    replyTimer_->stop();
    cycleTimer_->stop();
    ++generation_;
    if (port_->isOpen()) {
        port_->purgeInput();
        port_->purgeOutput();
        port_->close();
    }
}

void ProbeBusLink::portLost() {
    // Nothing is left to send to: without this every tick would report each of its requests.
    close();
    if (hooks_.lost) hooks_.lost();
}

void ProbeBusLink::sendProbe(uint8_t cmd, uint8_t addr, const ProbePayload& payload) {
    uint8_t& seq = probeSeq_[addr & 15];
    seq = uint8_t((seq + 2) & 15);
    sendFrame(DevProbe, uint8_t((addr & 15) + 16 * seq), cmd, payload);
}

void ProbeBusLink::sendModule(uint8_t cmd, uint8_t device, uint8_t addr, const ProbePayload& payload) {
    moduleSeq_ = uint8_t(moduleSeq_ + 2);
    if (moduleSeq_ > 15) moduleSeq_ = 0;
    sendFrame(device, uint8_t((addr & 15) + 16 * moduleSeq_), cmd, payload);
}

void ProbeBusLink::sendFrame(uint8_t device, uint8_t addrByte, uint8_t cmd, const ProbePayload& payload) {
    TShortFrame f{};
    f.Code = cmd;
    f.Addr = addrByte;
    f.Device = device;
    f.Count = uint8_t(std::min<std::size_t>(payload.size(), ShortFrameMaxData));
    std::copy_n(payload.begin(), f.Count, f.Data);
    transmit(EncodeFrame(f));
}

void ProbeBusLink::transmit(const std::string& line) {
    if (!port_->isOpen()) {
        hooks_.report(rcNotConnected);
        return;
    }
    const int gen = generation_;
    if (!WaitUntil([this] { return idle_; }, [this, gen] { return generation_ != gen || !port_->isOpen(); })) return;
    lastTx_ = line.substr(0, kMaxText);
    hooks_.log(lastTx_, LogPrefixSend);
    idle_ = false;
    ++writes_;
    try {
        port_->purgeInput();
        port_->purgeOutput();
        port_->write(QByteArray::fromStdString(line));
    } catch (...) {
        // Nothing went out, so no reply or time-out will free the line.
        idle_ = true;
        throw;
    }
    replyTimer_->start();
}

void ProbeBusLink::receive() {
    replyTimer_->stop();
    const QByteArray bytes = port_->read(port_->bytesWaiting());
    lastRx_ = bytes.left(kMaxText).toStdString();
    // The decoder looks at 120 characters at most: a longer read fails the frame check.
    TShortFrame frame{};
    DecodeFrameReply(lastRx_.substr(0, ShortLineMax), frame);
    port_->purgeInput();
    hooks_.log(lastRx_, LogPrefixReceive);
    // The line is free after the reply, also when its handling fails part-way, unless a frame
    // went out meanwhile (from inside a box the handler showed).
    const quint64 before = writes_;
    try {
        hooks_.reply(frame);
    } catch (...) {
        if (writes_ == before) idle_ = true;
        throw;
    }
    if (writes_ == before) idle_ = true;
}

void ProbeBusLink::replyTimeout() {
    replyTimer_->stop();
    hooks_.report(rcProbeTimeout);
    idle_ = true;
}

void ProbeBusLink::dsrChanged() {
    if (port_->isOpen() && port_->dsr()) hooks_.log("DSR is ON!", LogPrefixInfo);
}

void ProbeBusLink::cycle() {
    // Ticks never nest: one that comes while an earlier cycle still waits for the line does
    // nothing, so silent devices cannot deepen the waits without bound.
    if (inCycle_ || !port_->isOpen() || AppQuitting()) return;
    inCycle_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{inCycle_};
    hooks_.tick();
}
