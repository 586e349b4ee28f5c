#pragma once
// The device-simulator frame: models of what sits at the other end of a serial line, fed
// request lines and answering reply lines, and a bus that puts several of them on one line.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

class DeviceModel {
public:
    virtual ~DeviceModel() = default;
    // Whether this device answers the request (bus routing by device byte and address).
    virtual bool accepts(const QByteArray& line) const {
        (void)line;
        return true;
    }
    // One complete request line as received (CR ... LF). Returns the reply lines; none is silence.
    virtual QList<QByteArray> handleLine(const QByteArray& line) = 0;
    // From the end of the request to the start of the reply.
    int latencyMs = 15;
};

// Faults on demand, applied by the bus to the replies of its devices.
struct Faults {
    bool silentAll = false;
    int silentNext = 0;      // the next N requests get no reply
    int badCrcNext = 0;      // the next N replies carry a wrong CRC
    int badEndsNext = 0;     // the next N replies start with another byte than CR
    int extraLatencyMs = 0;  // every reply comes this much later
    int lateNext = 0;        // the next N replies come lateMs later still
    int lateMs = 0;
    QByteArray noiseBeforeNext;  // bytes sent once just before the next reply
    int splitNext = 0;           // the next N replies arrive in two pieces
    int splitGapMs = 30;
    // Last word on what goes back for a request: may change, add or drop replies.
    std::function<QList<QByteArray>(const QByteArray& request, QList<QByteArray> replies)> hook;
};

// Flips the last CRC character of a line (keeps the line's ends).
QByteArray CorruptCrc(QByteArray line);
// Replaces the leading CR by another byte.
QByteArray BreakEnds(QByteArray line);

class DeviceBus : public QObject {
    Q_OBJECT
public:
    explicit DeviceBus(QObject* parent = nullptr);
    ~DeviceBus() override;

    template <class M, class... A>
    M* add(A&&... args) {
        auto m = std::make_unique<M>(std::forward<A>(args)...);
        M* raw = m.get();
        devices_.push_back(std::move(m));
        return raw;
    }
    void addDevice(std::unique_ptr<DeviceModel> m) { devices_.push_back(std::move(m)); }
    const std::vector<std::unique_ptr<DeviceModel>>& devices() const { return devices_; }

    // Bytes the program wrote; complete lines (ended by LF) go to the devices.
    void receiveFromHost(const QByteArray& bytes);
    // Sends bytes to the program after delayMs, as a device would.
    void sendToHost(const QByteArray& bytes, int delayMs = 0);

    // Where replies go (the simulated link or a pseudo-terminal).
    std::function<void(const QByteArray&)> toHost;

    Faults faults;
    QList<QByteArray> requests;  // every complete request line received
    int paceBaud = 0;            // non-zero: a reply takes its time on the line at this speed

private:
    void handleRequest(const QByteArray& line);
    std::vector<std::unique_ptr<DeviceModel>> devices_;
    QByteArray partial_;
};
