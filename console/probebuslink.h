#pragma once
// The probe-bus link: one RS-485 port, at most one frame on the line at a time, the 300 ms reply
// time-out (nothing is sent again), the receive event, the DSR notice and the 500 ms cycle.
// Replies are never matched to requests: every line read is decoded and handed to the reply
// handler, after which the line is free again.
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/tankcfgtypes.h"

class ProgramTimer;
class SerialLink;

// A request's data bytes (at most 120 go out).
using ProbePayload = std::vector<uint8_t>;

// Log prefixes, used exactly as stored, by the links and the main window's log alike.
inline constexpr const char* LogPrefixSend = " /Send     > ";
inline constexpr const char* LogPrefixReceive = " /Receve > ";
inline constexpr const char* LogPrefixError = " /Error      > ";
inline constexpr const char* LogPrefixInfo = " /Info  > ";

// Numbered events: what the links report through their hooks, and the main window's
// ReportCode shows.
enum : int {
    rcAddressSet = 10,
    rcProbeAck = 11,
    rcGlobalSet = 50,
    rcTankSet = 51,
    rcGlobalSetError = 60,
    rcTankSetError = 61,
    rcNotConnected = 100,
    rcProbeNetOpen = 101,
    rcTerminalOpen = 102,
    rcProbeTimeout = 123,
    rcTerminalTimeout = 124,
    rcProbeCrcError = 200,
    rcModuleCrcError = 201,
    rcBadMessage = 202,
    rcMeasureError = 210,
};

class ProbeBusLink : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<void(const std::string& text, const char* prefix)> log;  // one log line
        std::function<void(int code)> report;                                  // a numbered report
        std::function<void(const TShortFrame& frame)> reply;                   // every decoded line
        std::function<void()> tick;                                            // one 500 ms cycle
        std::function<void()> lost;                                            // the port went away
    };
    ProbeBusLink(QObject* parent, Hooks hooks);

    // Opens COM com at 9600 baud (the serial layer's error is thrown), purges it, frees the line
    // and starts the cycle.
    void open(int com);
    // Stops the time-out and the cycle, purges and closes the port; a wait for the line then ends.
    void close();
    bool isOpen() const;
    // Set by every successful open and never cleared.
    bool everConnected() const { return connected_; }

    // Advance the address's (or the modules' shared) sequence nibble, encode, transmit.
    void sendProbe(uint8_t cmd, uint8_t addr, const ProbePayload& payload);
    void sendModule(uint8_t cmd, uint8_t device, uint8_t addr, const ProbePayload& payload);
    // The line discipline: refused with report 100 while the port is closed; otherwise waits for
    // a free line (ending without sending when the port closes or the program ends), then
    // writes and starts the reply time-out.
    void transmit(const std::string& line);

    // The event handlers; the port and the timers call them.
    void receive();
    void replyTimeout();
    void dsrChanged();
    void cycle();

    // Frees the line now: a reply handler about to wait for the user calls it, so that requests
    // made meanwhile can go out.
    void freeLine() { idle_ = true; }

    bool lineFree() const { return idle_; }
    const std::string& lastTx() const { return lastTx_; }
    const std::string& lastRx() const { return lastRx_; }
    uint8_t probeSeq(int addr) const { return probeSeq_[addr & 15]; }
    uint8_t moduleSeq() const { return moduleSeq_; }
    SerialLink* port() const { return port_; }
    ProgramTimer* replyTimer() const { return replyTimer_; }
    ProgramTimer* cycleTimer() const { return cycleTimer_; }
    // True while a cycle runs (a tick that comes meanwhile does nothing).
    bool inCycle() const { return inCycle_; }
    // A modal window opened from inside a cycle (a click handled while a tick waits for the
    // line) needs ticks while it is shown: reopenCycle() lets them run and gives back what
    // restoreCycle() puts back once the window has closed.
    bool reopenCycle() { return std::exchange(inCycle_, false); }
    void restoreCycle(bool was) { inCycle_ = was; }
    // Changes whenever the port is opened, closed or lost: a wait or a cycle that began under
    // another value has lost its port.
    int generation() const { return generation_; }

private:
    void portLost();
    void sendFrame(uint8_t device, uint8_t addrByte, uint8_t cmd, const ProbePayload& payload);

    Hooks hooks_;
    SerialLink* port_;
    ProgramTimer* replyTimer_;
    ProgramTimer* cycleTimer_;
    bool connected_ = false;
    bool idle_ = false;
    bool inCycle_ = false;
    int generation_ = 0;
    quint64 writes_ = 0;
    std::string lastTx_;
    std::string lastRx_;
    uint8_t probeSeq_[16] = {};
    uint8_t moduleSeq_ = 0;
};
