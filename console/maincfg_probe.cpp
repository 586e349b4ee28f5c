// The probe bus on the main window: the connect button, requests through the probe-bus link,
// the handling of every probe and module reply, and the "Probe Config" page's operations.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>

#include "common/numtext.h"
#include "console/maincfg.h"
#include "console/probereply.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

// A spin edit's value as its text reads now, also while it is being typed; a text that is not
// a whole number reads as the minimum.
int spinValue(const QSpinBox* s) {
    int v = 0;
    return TryParseInt(s->cleanText().toStdString(), v) ? v : s->minimum();
}

void setCell(QTableWidget* g, int r, int c, const QString& text) {
    if (QTableWidgetItem* it = g->item(r, c))
        it->setText(text);
    else
        g->setItem(r, c, new QTableWidgetItem(text));
}
}  // namespace

// ---------------------------------------------------------------------------
// Link

void TMainConfig::ProbeConnectClick() {
    if (!ProbeConnect->isChecked()) {
        probeBus_->close();
        setStatusColour(prconstat, false);
        ProbeConnect->setText(QStringLiteral("Connect"));
        return;
    }
    if (probeBus_->isOpen()) {
        ReportCode(rcProbeNetOpen);
        return;
    }
    // A port that cannot be opened throws here: the button stays down with its caption, the
    // status stays red and the cycle off, so the next click takes the disconnect path.
    probeBus_->open(portsel->currentIndex() + 1);
    setStatusColour(prconstat, true);
    ProbeConnect->setText(QStringLiteral("Disconnect"));
}

void TMainConfig::ProbeLinkLost() {
    {
        const QSignalBlocker quiet(ProbeConnect);  // the port is closed already
        ProbeConnect->setChecked(false);
    }
    setStatusColour(prconstat, false);
    ProbeConnect->setText(QStringLiteral("Connect"));
}

void TMainConfig::SendProbeCommand(uint8_t cmd, uint8_t addr, const ProbePayload& payload) {
    probeBus_->sendProbe(cmd, addr, payload);
}

void TMainConfig::SendModuleCommand(uint8_t cmd, uint8_t device, uint8_t addr, const ProbePayload& payload) {
    probeBus_->sendModule(cmd, device, addr, payload);
}

void TMainConfig::TransmitProbeFrame(const std::string& line) { probeBus_->transmit(line); }
void TMainConfig::PrbComRxFlag() { probeBus_->receive(); }
void TMainConfig::PrbComDsr() { probeBus_->dsrChanged(); }
void TMainConfig::PrbTmrTimer() { probeBus_->replyTimeout(); }

void TMainConfig::Timer3Timer() {
    // Each step runs only while the port the cycle began on is still open: after a disconnect
    // or a lost port the rest of the tick would only be refused, one box per request.
    const int gen = probeBus_->generation();
    auto going = [&] { return probeBus_->isOpen() && probeBus_->generation() == gen; };
    if (going() && Autorefresh->isChecked()) SendProbeCommand(pcReadData, CurrentProbe);
    if (going() && LRMCBArefr->isChecked()) SendModuleCommand(mcRead, DevLeakModule, CurrentModule);
    if (going() && ProbeScanning) ProbeScanStep();
    if (going() && ModuleScanning) ModuleScanStep();
    if (going() && SowCalibrating) SowCalibrationStep();
    if (going() && SowSendPending) SendNextSowDigit(SowAckCode);
    if (going() && ModuleScanning) ModuleScanStep();
}

// ---------------------------------------------------------------------------
// Replies

void TMainConfig::HandleProbeReply(const TShortFrame& frame) {
    // Positions beyond the reply's count read as 0.
    auto byte = [&frame](int k) -> uint8_t { return k < frame.Count ? frame.Data[k] : 0; };
    const int addr = frame.Addr & 15;
    if (frame.Device == DevLeakModule) {
        if (frame.Code == mrData)
            ShowModuleData(frame);
        else if (frame.Code == FrameInvalid)
            ReportCode(rcModuleCrcError);
        return;
    }
    if (frame.Device != DevProbe) {
        ReportCode(rcBadMessage);
        return;
    }
    switch (frame.Code) {
    case prData:
        ShowMeasurement(frame);
        break;
    case prIdentify:
        if (ProbeScanning) Probes[addr].Present = 1;
        break;
    case prAddressSet:
        // The box waits for the user: requests made meanwhile (a tick's auto refresh) must be
        // able to go out, or they would wait for a line that only this handler frees.
        probeBus_->freeLine();
        ReportCode(rcAddressSet);
        break;
    case prPeriod1:
    case prPeriod2:
        ReportCode(rcProbeAck);
        vMPer->setText(byte(0) ? QStringLiteral(" 20") : QStringLiteral(" 40"));
        break;
    case prMeasureError:
        ReportCode(rcMeasureError);
        break;
    case prVolumeLevel:
        PrVolLevel->setValue(std::clamp<int>(byte(0), 1, 99));
        break;
    case prSensors:
        Sensor2->setVisible(byte(0) != 1);
        ReportCode(rcProbeAck);
        break;
    case prSerial: {
        std::string sn;
        for (int k = 0; k < 6; ++k) sn += ByteToHex(byte(k));
        Probes[addr].SerialNo = sn;
        iProbeSn->setText(QStringLiteral("Probe SN: ") + Q(Probes[CurrentProbe].SerialNo));
        break;
    }
    case prSowDigits: {
        std::string digits;
        for (int k = 0; k < 4; ++k) digits += char(byte(k));
        // Not a number: the conversion error reaches the error box; the field keeps its value.
        const long long speed = 100LL * ParseInt(digits);
        PrSpdOfWire->setValue(int(std::clamp<long long>(speed, 200000, 400000)));
        break;
    }
    case prSowAck1:
    case prSowAck2:
    case prSowAck3:
    case prSowAck4:
        SowAckCode = frame.Code;
        SowSendPending = true;
        break;
    case FrameInvalid:
        ReportCode(rcProbeCrcError);
        break;
    default:
        break;
    }
}

void TMainConfig::ShowMeasurement(const TShortFrame& frame) {
    auto byte = [&frame](int k) -> uint8_t { return k < frame.Count ? frame.Data[k] : 0; };
    Sensor1Value = byte(0) * 65536 + byte(1) * 256 + byte(2);
    Sensor2Value = byte(3) * 65536 + byte(4) * 256 + byte(5);
    vSensval1->setText(QString::number(Sensor1Value));
    vSensval2->setText(QString::number(Sensor2Value));
    vSenslev1->setText(Q(FloatToFixed(double(spinValue(PrSpdOfWire)) * Sensor1Value / 100000000.0)));
    vSenslev2->setText(Q(FloatToFixed(double(spinValue(PrSpdOfWire)) * Sensor2Value / 100000000.0)));
    PrVolLevel->setValue(std::clamp<int>(byte(7), 1, 99));
    vMPer->setText(byte(8) ? QStringLiteral(" 20") : QStringLiteral(" 40"));
    vTmpr->setText(isLM35->isChecked() ? QString::number(byte(10)) : Q(FormatFloatF(TempFromRaw(byte(10), byte(9)), 4, 2)));
    vStatus->setText(Q(ByteToBits(byte(11))));
    if (SowCalibrating) AddSowSample(SowSamples, SowSampleCount, Sensor1Value);
}

void TMainConfig::ShowModuleData(const TShortFrame& frame) {
    auto byte = [&frame](int k) -> uint8_t { return k < frame.Count ? frame.Data[k] : 0; };
    const int row = (frame.Addr & 15) + 1;
    const QString temp = QString::number(int(byte(0)) - 25);
    LRMTV->setText(temp);
    setCell(LRMState, row, 1, temp);
    const QString analog = QString::number(byte(2));
    LRMAin1VD->setText(analog);
    setCell(LRMState, row, 2, QLatin1Char(' ') + analog);
    LRMAin1VH->setText(Q(ByteToHex(byte(2))));
    for (int i = 0; i < 5; ++i) {
        const QString bit = Q(BitText(byte(1), uint8_t(0x80 >> i)));
        LRMDiV[i]->setText(bit);
        setCell(LRMState, row, 5 + i, QLatin1Char(' ') + bit);
    }
    for (int i = 0; i < 2; ++i) {
        QPushButton* b = i ? LRMR2 : LRMR1;
        const bool on = byte(1) & (1 << i);
        b->setEnabled(true);
        {
            // Shown, not clicked: the toggle sends a relay command only when the user moves it.
            const QSignalBlocker shown(b);
            b->setChecked(on);
        }
        b->setText(QStringLiteral("%1 Relay %2").arg(on ? QStringLiteral("Reset") : QStringLiteral("Set")).arg(i + 1));
        setCell(LRMState, row, 3 + i, on ? QStringLiteral(" ON") : QStringLiteral(" OFF"));
    }
}

// ---------------------------------------------------------------------------
// "Probe Config" page

void TMainConfig::ChgProbeClick() {
    CurrentProbe = uint8_t(std::clamp(SlProbe->currentIndex(), 0, 15));
    iProben->setText(QStringLiteral("Probe Address: %1").arg(CurrentProbe));
    SendProbeCommand(pcGetSerial, CurrentProbe);
    SendProbeCommand(pcQuery90, CurrentProbe);
    SendProbeCommand(pcQuery61, CurrentProbe);
}

void TMainConfig::SlProbeChange() {
    const probetype& p = Probes[std::clamp(SlProbe->currentIndex(), 0, 15)];
    ProbeCInfo->setText(p.Present ? QStringLiteral("Info - SN: ") + Q(p.SerialNo) : QStringLiteral("Info - Not Detected"));
}

void TMainConfig::proberefreshClick() { SendProbeCommand(pcReadData, CurrentProbe); }

void TMainConfig::SetAddresClick() {
    // There is no way out but a valid address: Cancel gives back the preset "X", which asks
    // again. Only the end of the program ends the question, and then nothing is sent.
    int addr = 16;
    while (addr > 15) {
        if (AppQuitting()) return;
        const QString answer = Services::prompts().inputBox(QStringLiteral("Change address of Probe "),
                                                            QStringLiteral("Enter new address between \"0\" and \"15\":"),
                                                            QStringLiteral("X"));
        int v = 0;
        addr = TryParseInt(answer.toStdString(), v) && v >= 0 && v <= 15 ? v : 16;
    }
    SendProbeCommand(pcSetAddress, CurrentProbe, {uint8_t(addr)});
}

void TMainConfig::ApplyToProbeClick() { SendProbeCommand(pcSetVolumeLevel, CurrentProbe, {uint8_t(PrVolLevel->value())}); }

void TMainConfig::ChangeClick() {
    // Each press asks for the other period: 1 selects 20 ms, 0 selects 40 ms.
    SendProbeCommand(pcSetPeriod, CurrentProbe, {uint8_t(ParseInt(vMPer->text().toStdString()) >= 30 ? 1 : 0)});
}

void TMainConfig::use1srClick() { SendProbeCommand(pcSetSensors, CurrentProbe, {1}); }
void TMainConfig::use2srClick() { SendProbeCommand(pcSetSensors, CurrentProbe, {2}); }

void TMainConfig::SetSowClick() {
    const std::string text = std::to_string(spinValue(PrSpdOfWire));
    SendProbeCommand(pcSowDigit1, CurrentProbe, {uint8_t(text[0])});
}

void TMainConfig::SendNextSowDigit(uint8_t ackCode) {
    // The acknowledgement of digit n asks for digit n + 1, read from the field as it is now;
    // a text too short for it, and the fourth acknowledgement, send nothing.
    const std::string text = std::to_string(spinValue(PrSpdOfWire));
    if (ackCode >= prSowAck1 && ackCode <= prSowAck3) {
        const std::size_t next = std::size_t(ackCode - prSowAck1) + 1;
        if (next < text.size()) SendProbeCommand(uint8_t(pcSowDigit1 + next), CurrentProbe, {uint8_t(text[next])});
    }
    SowSendPending = false;
}
