#pragma once
// The console program's session, no window: the terminal link to the tank console and the
// terminal operations on it (the global sync, tank and MDI send with their read-back, reading
// the whole configuration, the calibration table transfer). The windows are handed the
// session and call it; what the main window and the progress window must show afterwards
// they learn from its signals.
#include <QObject>
#include <cstdint>
#include <initializer_list>

#include "common/consolestate.h"

class TerminalLink;

class ConsoleSession : public QObject, public ConsoleState {
    Q_OBJECT
public:
    explicit ConsoleSession(QObject* parent = nullptr);
    ~ConsoleSession() override;

    // The link's state: its port, its timer and the exchange flags.
    TerminalLink& terminal() { return *trm_; }
    const TerminalLink& terminal() const { return *trm_; }

    bool TerminalOperationRefused() const override;

    // The global settings as they stand in the header: set, then read back.
    void SyncGlobalConfig();
    // Tank n (MDI unit n): set, then read back. A number outside 1..16 sends nothing.
    void SendTankConfig(uint8_t n) override;
    void SendMdiConfig(uint8_t n) override;
    // Each tank in use, then each MDI unit in use (never past 16), set and read back.
    void SendTanksAndUnits();
    // The global settings read from the terminal.
    void GetGlobalConfig();
    // Each tank in use, then each MDI unit in use, read from the terminal.
    void GetTanksAndUnits();
    // Tank n's calibration table: its checksum, a header and 125 blocks of 32 values.
    void SendCalibrationTable(uint8_t n) override;
    void ShowConsoleConfig() override;

    // Applies a decoded reply; the link ends the exchange, or has the request written
    // again, once this returns.
    void HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data);

    // One request and its reply: encode, mark busy, send, wait until the reply is handled.
    void Exchange(const TLongFrame& frame);
    void Exchange(uint8_t code, std::initializer_list<uint8_t> data);

    // The acknowledgement of the last calibration table header or block (reset before each).
    bool tableAckOk() const { return TblAckOk; }
    uint16_t tableAckBlock() const { return TblAckBlock; }
    void resetTableAck() {
        TblAckOk = false;
        TblAckBlock = 0;
    }

signals:
    // The configuration changed: the main window shows it again.
    void configChanged();
    // The terminal acknowledged a global, tank or MDI configuration (replyCode), or refused it.
    void acknowledged(uint8_t replyCode, bool ok);
    // The calibration table transfer: its header went out, block b was accepted, all were.
    void tableTransferStarted();
    void tableBlockAccepted(int block);
    void tableTransferDone();

private:
    TerminalLink* trm_ = nullptr;
    bool TblAckOk = false;
    uint16_t TblAckBlock = 0;
};
