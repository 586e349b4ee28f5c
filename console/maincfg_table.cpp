// Sending one tank's calibration table to the terminal: its checksum, a header and 125 blocks
// of 32 values, one exchange at a time, with the progress window.
#include <QProgressBar>
#include <memory>

#include "console/maincfg.h"
#include "console/progresft.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
constexpr int TableBlocks = 125;
constexpr int ValuesPerBlock = 32;
static_assert(TableBlocks * ValuesPerBlock == MaxCalPoints);

// CRC-16/ARC over the big-endian bytes of the values of points 1..4000, without a CR first.
uint16_t tableChecksum(const TCalTable& t) {
    uint16_t crc = 0;
    for (int i = 1; i <= MaxCalPoints; ++i)
        for (uint8_t b : SingleToBE(t.Points[i].Value)) crc = Crc16Update(crc, b);
    return crc;
}

TLongFrame tableHeader(uint8_t n, const TCalTable& t) {
    TLongFrame f{};
    f.Code = tcTableHeader;
    for (uint8_t b : {n, uint8_t(TableBlocks >> 8), uint8_t(TableBlocks & 0xFF), uint8_t(ValuesPerBlock)})
        f.Data[f.Len++] = b;
    AppendSingleBE(f, double(t.Step) / 10.0);  // the step in cm
    f.Data[f.Len++] = uint8_t(t.Crc >> 8);
    f.Data[f.Len++] = uint8_t(t.Crc & 0xFF);
    return f;
}

TLongFrame tableBlock(uint8_t n, const TCalTable& t, int b) {
    TLongFrame f{};
    f.Code = tcTableBlock;
    for (uint8_t x : {n, uint8_t(b >> 8), uint8_t(b & 0xFF)}) f.Data[f.Len++] = x;
    for (int i = ValuesPerBlock * b + 1; i <= ValuesPerBlock * (b + 1); ++i) AppendSingleBE(f, t.Points[i].Value);
    return f;
}
}  // namespace

void TMainConfig::SendCalibrationTable(uint8_t& n) {
    // The tank and its table are taken once: a click on the tank grid, a step in the tank
    // window or an Apply in the table editor during the waits below changes nothing sent.
    const uint8_t tank = n;
    if (tank < 1 || tank > MaxTanks) return;
    if (TerminalOperationRefused()) {
        Services::prompts().messageBox(
            QStringLiteral("Error"),
            QStringLiteral("The calibration table of tank No: %1 was not sent to the terminal:\r"
                           "another terminal operation is running. Send it again when it has ended.")
                .arg(tank),
            MsgIcon::Warning, MbOk);
        return;
    }
    TCalTable& record = ConsoleConfig.Tanks[tank - 1].CalTable;
    const auto table = std::make_unique<TCalTable>(record);
    // The checksum stays in the tank's record, whatever becomes of the transfer.
    table->Crc = tableChecksum(*table);
    record.Crc = table->Crc;
    resetTableAck();

    Exchange(tableHeader(tank, *table));
    if (progresf) progresf->show();
    if (!tableAckOk() || AppQuitting()) return;
    for (int b = 0; b < TableBlocks; ++b) {
        resetTableAck();
        Exchange(tableBlock(tank, *table, b));
        if (AppQuitting()) return;
        if (!tableAckOk() || tableAckBlock() != b) {
            Services::prompts().messageBox(QStringLiteral("Error"), QStringLiteral("Error sending Calibration Tables"),
                                           MsgIcon::None, MbOk);
            return;
        }
        if (progresf) progresf->catprg->setValue(b);
    }
    if (progresf) progresf->hide();
}
