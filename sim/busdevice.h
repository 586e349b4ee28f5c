#pragma once
// What every probe-bus model shares: a device byte and a bus address, request lines parsed and
// checked (hex pairs and CRC; a request with a wrong CRC is ignored, as a real device would),
// reply lines built, and the physics of a level probe's two floats.
//
// Raw reading of a float = its distance from the probe head in mm * 1e6 / the physical speed of
// wire in m/s (a time in ns). The physical speed is the one given at creation (3000 m/s when
// none is), whatever speed the probe has been told to store.
//
// Test aid of every probe: request code 0x7E (d0 = float 1 or 2, d1..d4 = distance in mm as a
// big-endian float) moves a float and gets no reply, so an end-to-end test can move the float
// from the program's side of the line.
#include <array>
#include <cstdint>

#include "sim/device.h"

// The request's bytes (device, address byte, code, data) when its hex and CRC are sound.
bool ParseShortRequest(const QByteArray& line, QByteArray& bytes);

struct ShortRequest {
    uint8_t device = 0;
    uint8_t addrByte = 0;
    uint8_t code = 0;
    QByteArray data;
    bool has(int i) const { return i < data.size(); }
    // Data byte i, 0 past the end.
    uint8_t at(int i) const { return has(i) ? uint8_t(data[i]) : 0; }
};

class BusDevice : public DeviceModel {
public:
    BusDevice(uint8_t device, int address) : device_(device), address_(address) {}
    bool accepts(const QByteArray& line) const override;
    QList<QByteArray> handleLine(const QByteArray& line) override;
    int address() const { return address_; }
    uint8_t device() const { return device_; }

protected:
    virtual QList<QByteArray> handleRequest(const ShortRequest& r) = 0;
    // CR, this device's byte, the address byte, code, data, CRC, LF.
    QByteArray reply(uint8_t addrByte, uint8_t code, const QByteArray& data = {}) const;
    uint8_t device_;
    int address_;
};

class ProbeCore : public BusDevice {
public:
    explicit ProbeCore(int address, double speed = 3000.0);

    // Distance of float 1 (fuel) or 2 (water) from the probe head, in mm.
    void setFloat(int sensor, double mm) { (sensor == 2 ? float2Mm_ : float1Mm_) = mm; }
    double floatMm(int sensor) const { return sensor == 2 ? float2Mm_ : float1Mm_; }
    double physicalSpeed = 3000.0;
    int floats = 2;
    uint8_t status = 0x01;
    // Degrees Celsius: [0] the measurement reply's sensor, [1]..[4] the four sensors.
    std::array<double, 5> temps{21.5, 20.0, 19.5, 18.25, -3.0};
    std::array<uint8_t, 6> serial{};
    // Model-specific fault: offsets added to the next sensor-1 raw readings, one each (outliers).
    QList<int> rawNoise;
    int dataRequests = 0;

protected:
    // Identify (0x01 -> 0x81) and a new bus address (0x02, d0 0..15 -> 0x82 from the new
    // address) are the same in both dialects; so is the test aid.
    QList<QByteArray> handleRequest(const ShortRequest& r) final;
    // The address acknowledgement echoes the request's code in the probe program's dialect.
    bool echoAddressSet = false;
    // The dialect's answer to every other request.
    virtual QList<QByteArray> answer(const ShortRequest& r) = 0;
    // One measurement: the raw readings of float 1 (with the next outlier) and float 2 (0 in
    // one-float mode), 24 bits each, big-endian. Counts the request.
    QByteArray readings();
    int raw(double mm) const;
    // 1/128 degree per unit, low byte first, the three low bits zero.
    static QByteArray temperatureBytes(double celsius);
    static void put24(QByteArray& d, int v);

private:
    double float1Mm_ = 1000.0;
    double float2Mm_ = 1900.0;
};
