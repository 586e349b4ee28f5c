#pragma once
// The tank console ("terminal"): keeps a whole configuration and the calibration table
// headers and blocks sent to it, answers every request of the terminal link, and has the
// faults of its own on demand. Silence, bad CRCs, bad ends, noise and split lines come from
// the bus's Faults.
#include <QByteArray>
#include <QList>
#include <memory>

#include "common/tankcfgtypes.h"
#include "sim/device.h"

class ConsoleModel : public DeviceModel {
public:
    ConsoleModel();
    QList<QByteArray> handleLine(const QByteArray& line) override;

    // What the console holds; set it directly to stage a read-back.
    TConsoleConfig& config() { return *cfg_; }

    struct TableState {
        bool headerSeen = false;
        uint16_t blocks = 0;
        uint8_t perBlock = 0;
        float stepCm = 0;
        uint16_t crc = 0;
        int nextBlock = 0;  // the block number expected next
        int blocksTaken = 0;
        // After the last block: the header's checksum matched the values received. A
        // mismatch refuses the last block.
        bool checksumOk = false;
        float values[MaxCalPoints] = {};
    };
    const TableState& table(int tank) const { return tables_[tank - 1]; }

    // Faults of the console itself.
    int refuseNext = 0;          // the next N acknowledgements carry a non-zero status
    int wrongTankNext = 0;       // the next N tank replies carry another tank number
    int wrongBlockEchoNext = 0;  // the next N block acknowledgements echo the previous number
    uint8_t refusalStatus = 1;

    // Requests that failed the console's own line check (answered with nothing).
    int rejectedLines = 0;

private:
    QByteArray reply(uint8_t code, const QByteArray& data) const;
    uint8_t status();
    QByteArray onSetTank(const QByteArray& d);
    QByteArray tankReply(int n);
    QByteArray onTableBlock(const QByteArray& d);

    std::unique_ptr<TConsoleConfig> cfg_;
    std::unique_ptr<TableState[]> tables_;
};

// A request line's code and data when its hex pairs, ends and CRC are right.
bool DecodeLongRequest(const QByteArray& line, uint8_t& code, QByteArray& data);
