// The terminal link (one frame out at a time, resends, time-out) and the terminal
// dialogue (payloads, the page's operations, the reply handler).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "common/cp1251.h"
#include "console/maincfg.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
constexpr int MaxTransmissions = 6;

// Counts the exchanges that are waiting, so that an operation started from inside one of
// those waits can be refused.
struct WaitCount {
    int& n;
    explicit WaitCount(int& count) : n(count) { ++n; }
    ~WaitCount() { --n; }
};

void put(TLongFrame& f, uint8_t b) {
    if (f.Len >= LongFrameMaxData) throw RangeError();
    f.Data[f.Len++] = b;
}

// Characters from data[from] up to the first 0 byte or the end of the data, at most 20.
std::string nameFrom(const uint8_t* data, int32_t len, int from) {
    std::string s;
    for (int i = from; i < len && s.size() < 20 && data[i] != 0; ++i) s += char(data[i]);
    return s;
}

// The twelve floats of the tank payload, in their order on the wire.
template <class Tank>
auto payloadFloats(Tank& t) {
    return std::array{&t.SpeedOfWire, &t.ProbeDistance, &t.Capacity,        &t.MaxFuel,
                      &t.LowFuel,     &t.FuelAlarm,     &t.WaterAlarm,      &t.TkFuel,
                      &t.AuxValue,    &t.Sensor1Distance, &t.Sensor2Distance, &t.Diameter};
}

std::string trimmed(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && uint8_t(s[a]) <= 0x20) ++a;
    while (b > a && uint8_t(s[b - 1]) <= 0x20) --b;
    return s.substr(a, b - a);
}
}  // namespace

// ---------------------------------------------------------------------------
// Link

void TMainConfig::TrmConnectClick() {
    if (!TrmConnect->isChecked()) {
        DisconnectTerminal();
        return;
    }
    if (TrmCom->isOpen()) {
        ReportCode(rcTerminalOpen);
        return;
    }
    TrmTmr->stop();
    TrmCom->open(Comsel->currentIndex() + 1, 9600);
    TrmCom->purgeInput();
    TrmCom->purgeOutput();
    TrmConnected = true;
    setStatusColour(trconstat, true);
    TrmConnect->setChecked(true);
    TrmConnect->setText(QStringLiteral("Disconnect"));
}

void TMainConfig::DisconnectTerminal() {
    TrmTmr->stop();
    TrmWaiting = false;
    TrmRetry = false;
    TrmBusy = false;
    TrmConnected = false;
    if (TrmCom->isOpen()) {
        TrmCom->purgeInput();
        TrmCom->purgeOutput();
        TrmCom->close();
    }
    TrmConnect->setChecked(false);
    setStatusColour(trconstat, false);
    TrmConnect->setText(QStringLiteral("Connect"));
}

bool TMainConfig::TerminalOperationRefused() const { return terminalWaits_ > 0; }

void TMainConfig::SendTerminalFrame(TLineBuffer& line) {
    const WaitCount waiting(terminalWaits_);
    try {
        if (!WaitUntil([this] { return !TrmWaiting && !TrmRetry; })) return;
        for (int sent = 0;; ) {
            if (sent == MaxTransmissions) {
                DisconnectTerminal();
                return;
            }
            if (!TrmCom->isOpen()) {
                TrmWaiting = false;
                TrmRetry = false;
                TrmBusy = false;
                Services::prompts().messageBox(QStringLiteral("Error"),
                                               QStringLiteral("Error No:100 - Not Connected !\r Transmision aborted ! "),
                                               MsgIcon::None, MbOk);
                return;
            }
            ++sent;
            LogTerminalBytes(line);
            TrmWaiting = true;
            TrmRetry = false;
            TrmCom->purgeInput();
            TrmCom->purgeOutput();
            TrmCom->write(QByteArray(reinterpret_cast<const char*>(line.Data), std::clamp<int>(line.Len, 0, LineBufferSize)));
            TrmTmr->start();
            if (!WaitUntil([this] { return !TrmWaiting; })) {
                // The program is ending: nothing more goes out.
                TrmTmr->stop();
                TrmWaiting = TrmRetry = TrmBusy = false;
                return;
            }
            if (!TrmRetry) return;
        }
    } catch (...) {
        // A failing port must not leave the exchange marked, or every later one would wait.
        TrmTmr->stop();
        TrmWaiting = TrmRetry = TrmBusy = false;
        throw;
    }
}

void TMainConfig::TrmComRxFlag() {
    TrmTmr->stop();
    TLineBuffer rx{};
    const QByteArray bytes = TrmCom->read(LineBufferSize);
    rx.Len = int32_t(bytes.size());
    std::memcpy(rx.Data, bytes.constData(), std::size_t(rx.Len));
    LogTerminalBytes(rx);
    TLongFrame reply{};
    DecodeLongReply(rx, reply);
    HandleTerminalReply(reply.Code, reply.Len, reply.Data);
}

void TMainConfig::TrmTmrTimer() {
    TrmTmr->stop();
    TrmBusy = false;
    ReportCode(rcTerminalTimeout);
    DisconnectTerminal();
}

// ---------------------------------------------------------------------------
// Payloads

uint16_t TMainConfig::RoFuelWord(double roFuel) {
    // The low 16 bits of the value x 1000 truncated toward zero.
    const double t = std::trunc(roFuel * 1000.0);
    if (!std::isfinite(t)) return 0;
    double low = std::fmod(t, 65536.0);
    if (low < 0) low += 65536.0;
    return uint16_t(low);
}

TLongFrame TMainConfig::GlobalPayload(const TConsoleConfig& cfg) {
    TLongFrame f{};
    f.Code = tcSetGlobal;
    for (uint8_t b : {cfg.TankCount, cfg.Language, cfg.Units, cfg.DbSaveTime, cfg.RefTemp}) put(f, b);
    // Character positions 1..6 of the field, whatever the identifier's length.
    for (int i = 0; i < 6; ++i) put(f, uint8_t(cfg.TerminalId.Chars[i]));
    put(f, cfg.MdiCount);
    return f;
}

TLongFrame TMainConfig::TankPayload(const TConsoleConfig& cfg, int n) {
    if (n < 1 || n > MaxTanks) throw RangeError();
    const TTankRecord& t = cfg.Tanks[n - 1];
    TLongFrame f{};
    f.Code = tcSetTank;
    for (uint8_t b : t.ProbeId) put(f, b);
    put(f, t.ProbeAddress);
    put(f, uint8_t(n));
    put(f, t.TwoSensors ? 2 : 1);
    for (const double* x : payloadFloats(t)) AppendSingleBE(f, *x);
    const uint16_t ro = RoFuelWord(t.RoFuel);
    put(f, uint8_t(ro >> 8));
    put(f, uint8_t(ro & 0xFF));
    const std::string name = t.ProductName.str().substr(0, 20);
    for (char c : name) put(f, uint8_t(c));
    if (name.size() < 20) put(f, 0);
    return f;
}

TLongFrame TMainConfig::MdiPayload(const TConsoleConfig& cfg, int n) {
    if (n < 1 || n > MaxMdiUnits) throw RangeError();
    const TMdiUnitRecord& u = cfg.Mdi[n - 1];
    TLongFrame f{};
    f.Code = tcSetMdi;
    put(f, uint8_t(n));
    put(f, u.Address);
    for (char c : u.Name.str()) put(f, uint8_t(c));
    put(f, 0);
    return f;
}

// ---------------------------------------------------------------------------
// Dialogue

void TMainConfig::Exchange(const TLongFrame& frame) {
    const WaitCount waiting(terminalWaits_);
    TLineBuffer line = EncodeLongFrame(frame);
    TrmBusy = true;
    SendTerminalFrame(line);
    WaitUntil([this] { return !TrmBusy; });
}

void TMainConfig::Exchange(uint8_t code, std::initializer_list<uint8_t> data) {
    TLongFrame f{};
    f.Code = code;
    for (uint8_t b : data) put(f, b);
    Exchange(f);
}

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
    ConsoleConfig.TerminalId.assign(trimmed(Utf8ToCp1251(TrmID->text().toStdString())).substr(0, 12));
    ShowConsoleConfig();
}

void TMainConfig::SyncGlobalConfig() {
    if (TerminalOperationRefused()) return;
    ReadConsoleConfigForm();
    Exchange(GlobalPayload(ConsoleConfig));
    Exchange(tcGetGlobal, {});
    ShowConsoleConfig();
}

void TMainConfig::SendTankConfig(uint8_t& n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxTanks) return;
    Exchange(TankPayload(ConsoleConfig, n));
    Exchange(tcGetTank, {n});
    ShowConsoleConfig();
}

void TMainConfig::SendMdiConfig(uint8_t& n) {
    if (TerminalOperationRefused() || n < 1 || n > MaxMdiUnits) return;
    Exchange(MdiPayload(ConsoleConfig, n));
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
    len = std::clamp<int32_t>(len, 0, LineBufferSize);
    // A reply too short for its layout stores nothing; a missing status byte is a failure.
    auto zeroAt = [&](int i) { return i < len && data[i] == 0; };
    switch (code) {
    case trGlobalAck:
        ReportCode(zeroAt(0) ? rcGlobalSet : rcGlobalSetError);
        TrmBusy = false;
        break;
    case trGlobal:
        if (len >= 12) {
            ConsoleConfig.TankCount = data[0];
            ConsoleConfig.Language = data[1];
            ConsoleConfig.Units = data[2];
            ConsoleConfig.DbSaveTime = data[3];
            ConsoleConfig.RefTemp = data[4];
            std::string id;
            for (int i = 5; i <= 10; ++i) id += data[i] < '0' ? '<' : data[i] > 'Z' ? '>' : char(data[i]);
            ConsoleConfig.TerminalId.assign(id);
            ConsoleConfig.MdiCount = data[11];
        }
        TrmBusy = false;
        break;
    case trTankAck:
        ReportCode(zeroAt(1) ? rcTankSet : rcTankSetError);
        TrmBusy = false;
        break;
    case trTank:
        if (len >= 59 && data[7] >= 1 && data[7] <= MaxTanks) {
            TTankRecord& t = ConsoleConfig.Tanks[data[7] - 1];
            t.ProbeAddress = data[6];
            t.TwoSensors = data[8] > 1 ? 1 : 0;
            const uint8_t* b = data + 9;
            for (double* x : payloadFloats(t)) {
                *x = BEBytesToSingle(b[0], b[1], b[2], b[3]);
                b += 4;
            }
            t.RoFuel = (data[57] + 256.0 * data[58]) / 1000.0;
            t.ProductName.assign(nameFrom(data, len, 59));
            std::memcpy(t.ProbeId, data, 6);
        }
        TrmBusy = false;
        break;
    case trMdiAck:
        ReportCode(zeroAt(0) ? rcGlobalSet : rcGlobalSetError);
        TrmBusy = false;
        break;
    case trMdi:
        if (len >= 2 && data[0] >= 1 && data[0] <= MaxMdiUnits) {
            TMdiUnitRecord& u = ConsoleConfig.Mdi[data[0] - 1];
            u.Address = data[1];
            u.Name.assign(nameFrom(data, len, 2));
        }
        TrmBusy = false;
        break;
    case trTableHeaderAck:
        TblAckOk = zeroAt(1);
        TrmBusy = false;
        break;
    case trTableBlockAck:
        TblAckOk = zeroAt(3);
        if (len >= 3) TblAckBlock = uint16_t(data[1] * 256 + data[2]);
        TrmBusy = false;
        break;
    case FrameBadEnds:
    case FrameInvalid:
        // Noise while nothing is out asks for no resend: no sender would make it.
        if (TrmWaiting) TrmRetry = true;
        break;
    default:
        TrmBusy = false;
        break;
    }
    TrmWaiting = false;
}
