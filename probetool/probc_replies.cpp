// Replies applied by their code, the probe information memo and the probe-operation buttons.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "probetool/probc.h"

namespace {
QString text(const std::string& s) { return QString::fromStdString(s); }
QString temperatureText(double t) { return text(FormatFloatF(t, 4, 2)); }
}  // namespace

void Tprobc::HandleReply(const TShortFrame& f) {
    using R = OstrelReply;
    const R r = DecodeOstrelReply(f);
    switch (r.kind) {
    case R::Measurement: measurement(r); break;
    case R::Identify: Probe.Present = true; break;
    case R::Status: vStatus->setText(text(ByteToBits(r.status))); break;
    case R::Floats: vSensVal2->setVisible(r.sensor2Shown); break;
    case R::Temperature: {
        QLabel* const sensors[] = {vTmpr1, vTmpr2, vTmpr3, vTmpr4};
        sensors[r.tempSensor - 1]->setText(temperatureText(r.temperature));
        break;
    }
    case R::Serial: Probe.SerialNo = r.serial; break;
    case R::Speed: Probe.WireSpeed = r.wireSpeed; break;
    case R::Length: Probe.ProbeLength = r.probeLength; break;
    case R::DigFilter: DigFilter->setValue(r.digFilter); break;
    case R::Ignored: break;
    }
}

void Tprobc::measurement(const OstrelReply& r) {
    FRaw1 = r.raw1;
    FRaw2 = r.raw2;
    // The speed comes from the edit the user can type into. When it is not a number the
    // levels keep what they show; the reply is still applied otherwise, without a box, which
    // would come back on every monitor tick.
    double s = 0.0;
    const bool haveSpeed = TryParseFloat(WireSpd->text().toStdString(), s);
    if (haveSpeed) {
        FLevel1 = OstrelLevelMm(FRaw1, s);
        FLevel2 = OstrelLevelMm(FRaw2, s);
        vSensVal1->setText(text(FloatToFixed(FLevel1)));
        vSensVal2->setText(text(FloatToFixed(FLevel2)));
    }
    vTmpr->setText(temperatureText(r.temperature));
    vStatus->setText(text(ByteToBits(r.status)));
    if (FSampling) {
        CalSamples[FSampleIndex] = FRaw1;
        if (FSampleIndex < 16) ++FSampleIndex;
    } else if (Lvmode->isChecked() && haveSpeed) {
        SLevel->setText(text(FloatToFixed(Probe.ProbeLength - FLevel1)));
    }
}

void Tprobc::ShowProbeInfo() {
    QStringList lines;
    if (Probe.Present) {
        lines << QStringLiteral("SN: ") + QString::fromStdString(Probe.SerialNo);
        WireSpd->setText(text(FormatFloatF(Probe.WireSpeed, 5, 1)));
        if (Probe.WireSpeed > 3400 || Probe.WireSpeed < 2600)
            lines << QStringLiteral("Speed: Not calibrated !");
        else
            lines << QStringLiteral("Speed:") + WireSpd->text() + QStringLiteral(" [m/s]");
        ProbLen->setText(text(FormatFloatF(Probe.ProbeLength, 5, 1)));
        if (Probe.ProbeLength < 510 || Probe.ProbeLength > 7999)
            lines << QStringLiteral("Length: Not calibrated !");
        else
            lines << QStringLiteral("Length:") + ProbLen->text() + QStringLiteral(" [m]");
    } else {
        lines << QStringLiteral("SN: Probe not found") << QStringLiteral("Speed: N/A");
        WireSpd->clear();
        lines << QStringLiteral("Length: N/A");
        ProbLen->clear();
    }
    Status->setPlainText(lines.join(QLatin1Char('\n')));
}

QPushButton* Tprobc::maskedButton(uint16_t bit) const {
    switch (bit) {
    case bmCalibr: return BCalibr;
    case bmUpdate: return Bupdate;
    case bmSetAddress: return Bsetaddres;
    case bmOneSensor: return BtOneS;
    case bmTwoSensor: return BtTwoS;
    default: return nullptr;
    }
}

void Tprobc::EnableButtons(uint16_t mask) {
    for (uint16_t bit = 1; bit <= bmTwoSensor; bit <<= 1)
        if (mask & bit) maskedButton(bit)->setEnabled(true);
}

void Tprobc::DisableButtons(uint16_t mask) {
    for (uint16_t bit = 1; bit <= bmTwoSensor; bit <<= 1)
        if (mask & bit) maskedButton(bit)->setEnabled(false);
}
