#pragma once
// A level probe in the console program's dialect: measurement (two raw readings, volume level,
// measuring period, temperature, status), identify, address, volume level, measuring period,
// one or two sensors, serial number, and the speed of wire as four ASCII digits in m/s, written
// one digit per request and acknowledged digit by digit. Parsing and physics come from the
// shared probe core; every payload is read and written at its own byte offsets here.
//
// Of the two queries the console sends when a probe is chosen, 0x90 answers with the speed
// digits (0x9C) and 0x61 with the volume level (0x94).
#include <QByteArray>
#include <array>

#include "sim/busdevice.h"

class ConsoleProbe : public ProbeCore {
public:
    explicit ConsoleProbe(int address, double speed = 3000.0);

    // The stored speed of wire as the probe reports it: four ASCII digits, m/s.
    QByteArray speedDigits() const { return digits_; }
    void setSpeedDigits(const QByteArray& four) { digits_ = four.left(4).leftJustified(4, '0'); }
    int volumeLevel = 50;
    bool period20 = true;  // 20 ms measuring period; 40 ms when false
    // Faults on demand: the next N measurement requests get the measuring-error reply (0x88).
    int measureErrorNext = 0;
    // The next N speed-digit writes get no acknowledgement.
    int silentDigitNext = 0;
    // Codes of the requests answered, in order.
    QList<int> answered;

protected:
    QList<QByteArray> answer(const ShortRequest& r) override;

private:
    QByteArray digits_;
};

// A leak read module: temperature (reported + 25), an analog input 0..255, five digital inputs
// and two relays that the relay commands switch. The read command and both relay commands
// answer with the module's data (0x80); on demand it answers a relay command with another code.
class LeakModule : public BusDevice {
public:
    explicit LeakModule(int address);
    int temperature = 20;  // degrees Celsius, -25..230
    int analog = 0x80;
    std::array<bool, 5> inputs{true, false, false, false, false};
    std::array<bool, 2> relays{false, false};
    // The next N relay commands are answered with otherCode instead of the data.
    int otherCodeNext = 0;
    uint8_t otherCode = 0x81;

protected:
    QList<QByteArray> handleRequest(const ShortRequest& r) override;

private:
    QByteArray data() const;
};
