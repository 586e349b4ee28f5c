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
#include "common/probepayload.h"
#include "console/maincfg.h"
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

// A measuring period as the page shows it: " 20" or " 40".
QString periodText(int ms) { return QStringLiteral(" %1").arg(ms); }

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
    AddLogLine(PortGoneText(probeBus_->port()->comNumber()).toStdString(), LogPrefixError);
}

void TMainConfig::SendProbeCommand(uint8_t cmd, uint8_t addr, const ProbePayload& payload) {
    probeBus_->sendProbe(cmd, addr, payload);
}

void TMainConfig::SendModuleCommand(uint8_t cmd, uint8_t device, uint8_t addr, const ProbePayload& payload) {
    probeBus_->sendModule(cmd, device, addr, payload);
}

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
    using R = MarvaneBusReply;
    const R r = DecodeMarvaneReply(frame);
    switch (r.kind) {
    case R::Measurement: ShowMeasurement(r); break;
    case R::Identify:
        if (ProbeScanning) Probes[r.address].Present = 1;
        break;
    case R::AddressSet:
        // The box waits for the user: requests made meanwhile (a tick's auto refresh) must be
        // able to go out, or they would wait for a line that only this handler frees.
        probeBus_->freeLine();
        ReportCode(rcAddressSet);
        break;
    case R::Period:
        ReportCode(rcProbeAck);
        vMPer->setText(periodText(r.periodMs));
        break;
    case R::MeasureError: ReportCode(rcMeasureError); break;
    case R::VolumeLevel: PrVolLevel->setValue(std::clamp<int>(r.volumeLevel, 1, 99)); break;
    case R::Sensors:
        Sensor2->setVisible(r.sensor2Shown);
        ReportCode(rcProbeAck);
        break;
    case R::Serial:
        Probes[r.address].SerialNo = r.serial;
        iProbeSn->setText(QStringLiteral("Probe SN: ") + Q(Probes[CurrentProbe].SerialNo));
        break;
    case R::SowDigits: PrSpdOfWire->setValue(std::clamp(r.speedOfWire, 200000, 400000)); break;
    case R::SowAck:
        SowAckCode = r.code;
        SowSendPending = true;
        break;
    case R::ProbeCrcError: ReportCode(rcProbeCrcError); break;
    case R::ModuleData: ShowModuleData(r); break;
    case R::ModuleCrcError: ReportCode(rcModuleCrcError); break;
    case R::ForeignDevice: ReportCode(rcBadMessage); break;
    case R::Ignored: break;
    }
}

void TMainConfig::ShowMeasurement(const MarvaneBusReply& r) {
    const ProbeMeasurement& m = r.measurement;
    Sensor1Value = m.sensor1;
    Sensor2Value = m.sensor2;
    vSensval1->setText(QString::number(Sensor1Value));
    vSensval2->setText(QString::number(Sensor2Value));
    // The field is read again for each level, as it reads while being typed.
    vSenslev1->setText(Q(FloatToFixed(MarvaneLevelMm(Sensor1Value, spinValue(PrSpdOfWire)))));
    vSenslev2->setText(Q(FloatToFixed(MarvaneLevelMm(Sensor2Value, spinValue(PrSpdOfWire)))));
    PrVolLevel->setValue(std::clamp<int>(r.volumeLevel, 1, 99));
    vMPer->setText(periodText(r.periodMs));
    vTmpr->setText(isLM35->isChecked() ? QString::number(m.lm75Degrees) : Q(FormatFloatF(m.temperature, 4, 2)));
    vStatus->setText(Q(ByteToBits(m.status)));
    if (SowCalibrating) AddSowSample(SowSamples, SowSampleCount, Sensor1Value);
}

void TMainConfig::ShowModuleData(const MarvaneBusReply& r) {
    const ModuleReading& m = r.module;
    const int row = r.address + 1;
    const QString temp = QString::number(m.temperature);
    LRMTV->setText(temp);
    setCell(LRMState, row, 1, temp);
    const QString analog = QString::number(m.analog);
    LRMAin1VD->setText(analog);
    setCell(LRMState, row, 2, QLatin1Char(' ') + analog);
    LRMAin1VH->setText(Q(ByteToHex(m.analog)));
    for (int i = 0; i < 5; ++i) {
        const QString bit = Q(m.inputs[std::size_t(i)]);
        LRMDiV[i]->setText(bit);
        setCell(LRMState, row, 5 + i, QLatin1Char(' ') + bit);
    }
    for (int i = 0; i < 2; ++i) {
        QPushButton* b = i ? LRMR2 : LRMR1;
        const bool on = m.relays[std::size_t(i)];
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
    ProbeCInfo->setText(p.Present ? QStringLiteral("Info - SN: ") + Q(p.SerialNo)
                                  : QStringLiteral("Info - Not Detected"));
}

void TMainConfig::proberefreshClick() { SendProbeCommand(pcReadData, CurrentProbe); }

void TMainConfig::SetAddresClick() {
    // There is no way out but a valid address: Cancel gives back the preset "X", which asks
    // again. Only the end of the program ends the question, and then nothing is sent.
    int addr = 16;
    while (addr > 15) {
        if (AppQuitting()) return;
        const QString answer = Services::prompts().inputBox(
            QStringLiteral("Change address of Probe "), QStringLiteral("Enter new address between \"0\" and \"15\":"),
            QStringLiteral("X"));
        int v = 0;
        addr = TryParseInt(answer.toStdString(), v) && v >= 0 && v <= 15 ? v : 16;
    }
    SendProbeCommand(pcSetAddress, CurrentProbe, {uint8_t(addr)});
}

void TMainConfig::ApplyToProbeClick() {
    SendProbeCommand(pcSetVolumeLevel, CurrentProbe, {uint8_t(PrVolLevel->value())});
}

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
