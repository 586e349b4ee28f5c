// The terminal link's handlers, which hand over to TerminalLink, and the terminal dialogue
// (the page's operations and the reply handler; the payloads are in common/).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

#include "common/cp1251.h"
#include "common/numtext.h"
#include "common/terminalpayload.h"
#include "console/maincfg.h"

#include "common/numtext.h"
#include "console/terminallink.h"

// ---------------------------------------------------------------------------
// Link: the handlers hand over to the terminal link.

void TMainConfig::TrmConnectClick() {
    if (!TrmConnect->isChecked()) {
        DisconnectTerminal();
        return;
    }
    if (trm_->isOpen()) {
        ReportCode(rcTerminalOpen);
        return;
    }
    trm_->open(Comsel->currentIndex() + 1);
    setStatusColour(trconstat, true);
    TrmConnect->setChecked(true);
    TrmConnect->setText(QStringLiteral("Disconnect"));
}

void TMainConfig::DisconnectTerminal() { trm_->close(); }

void TMainConfig::ShowTerminalClosed() {
    TrmConnect->setChecked(false);
    setStatusColour(trconstat, false);
    TrmConnect->setText(QStringLiteral("Connect"));
}

bool TMainConfig::TerminalOperationRefused() const { return trm_->operationRefused(); }

void TMainConfig::SendTerminalFrame(TLineBuffer& line) { trm_->send(line); }

void TMainConfig::TrmComRxFlag() { trm_->receive(); }

void TMainConfig::TrmTmrTimer() { trm_->expire(); }

// ---------------------------------------------------------------------------
// Dialogue

void TMainConfig::Exchange(const TLongFrame& frame) { trm_->exchange(frame); }

void TMainConfig::Exchange(uint8_t code, std::initializer_list<uint8_t> data) { Exchange(ShortRequest(code, data)); }

void TMainConfig::ReadConsoleConfigForm() {
    ConsoleConfig.TankCount = uint8_t(Noftanks->value());
    int lang = trmLang->currentIndex();
    // A typed text that names no entry selects none.
    if (lang >= 0 && trmLang->currentText() != trmLang->itemText(lang)) lang = -1;
    ConsoleConfig.Language = uint8_t(lang);
    ConsoleConfig.MdiCount = uint8_t(MdiUv->value());
    ConsoleConfig.Units = metricu->isChecked() ? 0 : 1;
    ConsoleConfig.DbSaveTime = uint8_t(std::clamp(ParseInt(dbsave->text().toStdString()), 1, 250));
    ConsoleConfig.RefTemp = uint8_t(std::clamp(ParseInt(reftemp->text().toStdString()), 1, 50));
    ConsoleConfig.TerminalId.assign(TrimBlanks(Utf8ToCp1251(TrmID->text().toStdString())).substr(0, 12));
    ShowConsoleConfig();
}

void TMainConfig::SyncGlobalConfig() {
    if (TerminalOperationRefused()) return;
    ReadConsoleConfigForm();
    Exchange(GlobalRequest(ConsoleConfig));
    Exchange(tcGetGlobal, {});
    ShowConsoleConfig();
}

void TMainConfig::SendTankConfig(uint8_t& n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxTanks) return;
    Exchange(TankRequest(ConsoleConfig, n));
    Exchange(tcGetTank, {n});
    ShowConsoleConfig();
}

void TMainConfig::SendMdiConfig(uint8_t& n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxMdiUnits) return;
    Exchange(MdiRequest(ConsoleConfig, n));
    Exchange(tcGetMdi, {n});
    ShowConsoleConfig();
}

void TMainConfig::send_t_to_consoleClick() {
    if (TerminalOperationRefused()) return;
    SyncGlobalConfig();
    if (wtankdta->isChecked()) return;
    const int tanks = std::min<int>(ConsoleConfig.TankCount, MaxTanks);
    for (uint8_t n = 1; n <= tanks; ++n) {
        uint8_t k = n;
        SendTankConfig(k);
    }
    const int units = std::min<int>(ConsoleConfig.MdiCount, MaxMdiUnits);
    for (uint8_t n = 1; n <= units; ++n) {
        uint8_t k = n;
        SendMdiConfig(k);
    }
}

void TMainConfig::get_t_from_consoleClick() {
    if (TerminalOperationRefused()) return;
    Exchange(tcGetGlobal, {});
    ShowConsoleConfig();
    if (wtankdta->isChecked()) return;
    const int tanks = std::min<int>(ConsoleConfig.TankCount, MaxTanks);
    for (uint8_t n = 1; n <= tanks; ++n) Exchange(tcGetTank, {n});
    const int units = std::min<int>(ConsoleConfig.MdiCount, MaxMdiUnits);
    for (uint8_t n = 1; n <= units; ++n) Exchange(tcGetMdi, {n});
    ShowConsoleConfig();
}

void TMainConfig::HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data) {
    // The link ends the exchange, or has the request written again, once this returns.
    const TerminalReplyEffect e = ApplyTerminalReply(ConsoleConfig, code, len, data);
    switch (e.kind) {
    case TerminalReplyEffect::Ack:
        if (code == trTankAck)
            ReportCode(e.ok ? rcTankSet : rcTankSetError);
        else
            ReportCode(e.ok ? rcGlobalSet : rcGlobalSetError);
        break;
    case TerminalReplyEffect::TableHeader: TblAckOk = e.ok; break;
    case TerminalReplyEffect::TableBlock:
        TblAckOk = e.ok;
        if (e.hasBlock) TblAckBlock = e.block;
        break;
    default: break;
    }
}
