// The terminal link's button and the "Terminal config" page's side of the terminal dialogue:
// the page stored into the header, and the operations strung together from the session's
// exchanges.
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
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/terminallink.h"

// ---------------------------------------------------------------------------
// Link

void TMainConfig::TrmConnectClick() {
    if (!TrmConnect->isChecked()) {
        DisconnectTerminal();
        return;
    }
    if (session_.terminal().isOpen()) {
        ReportCode(rcTerminalOpen);
        return;
    }
    session_.terminal().open(Comsel->currentIndex() + 1);
    setStatusColour(trconstat, true);
    TrmConnect->setChecked(true);
    TrmConnect->setText(QStringLiteral("Disconnect"));
}

void TMainConfig::DisconnectTerminal() { session_.terminal().close(); }

void TMainConfig::ShowTerminalClosed() {
    TrmConnect->setChecked(false);
    setStatusColour(trconstat, false);
    TrmConnect->setText(QStringLiteral("Connect"));
}

// ---------------------------------------------------------------------------
// Dialogue

void TMainConfig::ReadConsoleConfigForm() {
    TConsoleConfig& cfg = session_.ConsoleConfig;
    cfg.TankCount = uint8_t(Noftanks->value());
    int lang = trmLang->currentIndex();
    // A typed text that names no entry selects none.
    if (lang >= 0 && trmLang->currentText() != trmLang->itemText(lang)) lang = -1;
    cfg.Language = uint8_t(lang);
    cfg.MdiCount = uint8_t(MdiUv->value());
    cfg.Units = metricu->isChecked() ? 0 : 1;
    cfg.DbSaveTime = uint8_t(std::clamp(ParseInt(dbsave->text().toStdString()), 1, 250));
    cfg.RefTemp = uint8_t(std::clamp(ParseInt(reftemp->text().toStdString()), 1, 50));
    cfg.TerminalId.assign(TrimBlanks(Utf8ToCp1251(TrmID->text().toStdString())).substr(0, 12));
    ShowConsoleConfig();
}

void TMainConfig::SyncGlobalConfig() {
    if (session_.TerminalOperationRefused()) return;
    ReadConsoleConfigForm();
    session_.SyncGlobalConfig();
}

void TMainConfig::SendTankConfig(uint8_t n) { session_.SendTankConfig(n); }

void TMainConfig::SendMdiConfig(uint8_t n) { session_.SendMdiConfig(n); }

void TMainConfig::SendCalibrationTable(uint8_t n) { session_.SendCalibrationTable(n); }

void TMainConfig::send_t_to_consoleClick() {
    if (session_.TerminalOperationRefused()) return;
    SyncGlobalConfig();
    if (wtankdta->isChecked()) return;
    session_.SendTanksAndUnits();
}

void TMainConfig::get_t_from_consoleClick() {
    if (session_.TerminalOperationRefused()) return;
    session_.GetGlobalConfig();
    if (wtankdta->isChecked()) return;
    session_.GetTanksAndUnits();
}

void TMainConfig::HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data) {
    session_.HandleTerminalReply(code, len, data);
}

void TMainConfig::ReportAcknowledgement(uint8_t replyCode, bool ok) {
    if (replyCode == trTankAck)
        ReportCode(ok ? rcTankSet : rcTankSetError);
    else
        ReportCode(ok ? rcGlobalSet : rcGlobalSetError);
}
