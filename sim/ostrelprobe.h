#pragma once
// A level probe in the probe configuration program's dialect: identify, serial number, speed of
// wire and probe length (4-byte floats, FF FF FF FF while not set), measurement data whose raw
// readings follow two float positions, four temperature sensors, one- or two-float mode, bus
// address, digital filter. Requests with a wrong CRC are ignored, as a real probe would.
//
// Raw reading of a float = its distance from the probe head in mm * 1e6 / the physical speed of
// wire in m/s (a time in ns). The physical speed is the one given at creation (3000 m/s when
// none is), whatever speed the probe has been told to store.
//
// Test aid: request code 0x7E (d0 = float 1 or 2, d1..d4 = distance in mm as a big-endian
// float) moves a float and gets no reply, so an end-to-end test can move the float from the
// program's side of the line between two measurement batches.
#include <array>
#include <optional>

#include "sim/device.h"

class OstrelProbe : public DeviceModel {
public:
    explicit OstrelProbe(int address, std::optional<double> speed = {}, std::optional<double> length = {});
    bool accepts(const QByteArray& line) const override;
    QList<QByteArray> handleLine(const QByteArray& line) override;

    int address() const { return address_; }
    // Distance of float 1 (fuel) or 2 (water) from the probe head, in mm.
    void setFloat(int sensor, double mm) { (sensor == 2 ? float2Mm_ : float1Mm_) = mm; }
    double floatMm(int sensor) const { return sensor == 2 ? float2Mm_ : float1Mm_; }
    double physicalSpeed = 3000.0;
    // The stored settings as the probe reports them.
    std::array<uint8_t, 4> speedBytes() const { return speed_; }
    std::array<uint8_t, 4> lengthBytes() const { return length_; }
    int floats = 2;
    int digFilter = 0;
    uint8_t status = 0x01;
    // Degrees Celsius: [0] the measurement reply's sensor, [1]..[4] the four sensors.
    std::array<double, 5> temps{21.5, 20.0, 19.5, 18.25, -3.0};
    std::array<uint8_t, 6> serial{};
    // Model-specific fault: offsets added to the next sensor-1 raw readings, one each (outliers).
    QList<int> rawNoise;
    int dataRequests = 0;

private:
    QByteArray reply(uint8_t addrByte, uint8_t code, const QByteArray& data) const;
    int raw(double mm) const;
    int address_;
    double float1Mm_ = 1000.0;
    double float2Mm_ = 1900.0;
    std::array<uint8_t, 4> speed_{0xFF, 0xFF, 0xFF, 0xFF};
    std::array<uint8_t, 4> length_{0xFF, 0xFF, 0xFF, 0xFF};
};

// The request's bytes (device, address byte, code, data) when its hex and CRC are sound.
bool ParseProbeRequest(const QByteArray& line, QByteArray& bytes);
