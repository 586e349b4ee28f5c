#include "console/consolesession.h"

#include <algorithm>
#include <memory>

#include "common/terminalpayload.h"
#include "console/terminallink.h"
#include "platform/errorguard.h"
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

void ErrorBox(const QString& text, MsgIcon icon = MsgIcon::None) {
    Services::prompts().messageBox(QStringLiteral("Error"), text, icon, MbOk);
}
}  // namespace

ConsoleSession::ConsoleSession(QObject* parent) : QObject(parent) {
    trm_ = new TerminalLink(this);
    GuardedConnect(trm_, &TerminalLink::replyReceived, this,
                   [this](const TLongFrame& r) { HandleTerminalReply(r.Code, r.Len, r.Data); });
    GuardedConnect(trm_, &TerminalLink::notConnected, this,
                   [] { ErrorBox(QStringLiteral("Error No:100 - Not Connected !\r Transmision aborted ! ")); });
}

ConsoleSession::~ConsoleSession() = default;

bool ConsoleSession::TerminalOperationRefused() const { return trm_->operationRefused(); }

void ConsoleSession::ShowConsoleConfig() { emit configChanged(); }

void ConsoleSession::Exchange(const TLongFrame& frame) { trm_->exchange(frame); }

void ConsoleSession::Exchange(uint8_t code, std::initializer_list<uint8_t> data) { Exchange(ShortRequest(code, data)); }

// ---------------------------------------------------------------------------
// Global, tank and MDI configuration

void ConsoleSession::SyncGlobalConfig() {
    if (TerminalOperationRefused()) return;
    Exchange(GlobalRequest(ConsoleConfig));
    Exchange(tcGetGlobal, {});
    ShowConsoleConfig();
}

void ConsoleSession::SendTankConfig(uint8_t n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxTanks) return;
    Exchange(TankRequest(ConsoleConfig, n));
    Exchange(tcGetTank, {n});
    ShowConsoleConfig();
}

void ConsoleSession::SendMdiConfig(uint8_t n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxMdiUnits) return;
    Exchange(MdiRequest(ConsoleConfig, n));
    Exchange(tcGetMdi, {n});
    ShowConsoleConfig();
}

void ConsoleSession::SendTanksAndUnits() {
    if (TerminalOperationRefused()) return;
    // The counts as they stand now: each read-back may move them, the loops do not follow.
    const int tanks = std::min<int>(ConsoleConfig.TankCount, MaxTanks);
    for (uint8_t n = 1; n <= tanks; ++n) SendTankConfig(n);
    const int units = std::min<int>(ConsoleConfig.MdiCount, MaxMdiUnits);
    for (uint8_t n = 1; n <= units; ++n) SendMdiConfig(n);
}

void ConsoleSession::GetGlobalConfig() {
    if (TerminalOperationRefused()) return;
    Exchange(tcGetGlobal, {});
    ShowConsoleConfig();
}

void ConsoleSession::GetTanksAndUnits() {
    if (TerminalOperationRefused()) return;
    const int tanks = std::min<int>(ConsoleConfig.TankCount, MaxTanks);
    for (uint8_t n = 1; n <= tanks; ++n) Exchange(tcGetTank, {n});
    const int units = std::min<int>(ConsoleConfig.MdiCount, MaxMdiUnits);
    for (uint8_t n = 1; n <= units; ++n) Exchange(tcGetMdi, {n});
    ShowConsoleConfig();
}

void ConsoleSession::HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data) {
    const TerminalReplyEffect e = ApplyTerminalReply(ConsoleConfig, code, len, data);
    switch (e.kind) {
    case TerminalReplyEffect::Ack: emit acknowledged(code, e.ok); break;
    case TerminalReplyEffect::TableHeader: TblAckOk = e.ok; break;
    case TerminalReplyEffect::TableBlock:
        TblAckOk = e.ok;
        if (e.hasBlock) TblAckBlock = e.block;
        break;
    default: break;
    }
}

// ---------------------------------------------------------------------------
// Calibration table transfer

void ConsoleSession::SendCalibrationTable(uint8_t n) {
    if (n < 1 || n > MaxTanks) return;
    if (TerminalOperationRefused()) {
        ErrorBox(QStringLiteral("The calibration table of tank No: %1 was not sent to the terminal:\r"
                                "another terminal operation is running. Send it again when it has ended.")
                     .arg(n),
                 MsgIcon::Warning);
        return;
    }
    // The table is taken once: a click on the tank grid, a step in the tank window or an
    // Apply in the table editor during the waits below changes nothing sent.
    TCalTable& record = ConsoleConfig.Tanks[n - 1].CalTable;
    const auto table = std::make_unique<TCalTable>(record);
    // The checksum stays in the tank's record, whatever becomes of the transfer.
    table->Crc = tableChecksum(*table);
    record.Crc = table->Crc;
    resetTableAck();

    Exchange(tableHeader(n, *table));
    emit tableTransferStarted();
    if (!tableAckOk() || AppQuitting()) return;
    for (int b = 0; b < TableBlocks; ++b) {
        resetTableAck();
        Exchange(tableBlock(n, *table, b));
        if (AppQuitting()) return;
        if (!tableAckOk() || tableAckBlock() != b) {
            ErrorBox(QStringLiteral("Error sending Calibration Tables"));
            return;
        }
        emit tableBlockAccepted(b);
    }
    emit tableTransferDone();
}
