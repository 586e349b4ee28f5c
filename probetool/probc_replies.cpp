// Replies applied by their code, the probe information memo and the probe-operation buttons.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cmath>

#include "probetool/probc.h"

namespace {
QString text(const std::string& s) { return QString::fromStdString(s); }
QString temperatureText(uint8_t hi, uint8_t lo) { return text(FormatFloatF(TempFromRaw(hi, lo), 4, 2)); }
}  // namespace

void Tprobc::HandleReply(const TShortFrame& f) {
    if (f.Device != DevProbe) return;
    const uint8_t* d = f.Data;
    switch (f.Code) {
    case rspData:
        measurement(f);
        break;
    case rspIdentify:
        Probe.Present = true;
        break;
    case rspStatus:
        vStatus->setText(text(ByteToBits(d[11])));
        break;
    case rspFloats:
        vSensVal2->setVisible(d[0] != 1);
        break;
    case rspTemp: {
        QLabel* const sensors[] = {vTmpr1, vTmpr2, vTmpr3, vTmpr4};
        if (d[2] >= 1 && d[2] <= 4) sensors[d[2] - 1]->setText(temperatureText(d[1], d[0]));
        break;
    }
    case rspSerial: {
        std::string sn;
        for (int i = 0; i < 6; ++i) sn += ByteToHex(d[i]);
        Probe.SerialNo = sn;
        break;
    }
    case rspSpeed: {
        const double v = BEBytesToSingleOrZero(d[0], d[1], d[2], d[3]);
        Probe.WireSpeed = v >= 3500 ? 3000.0 : (v <= 2500 || std::isnan(v)) ? 2999.0 : v;
        break;
    }
    case rspLength: {
        const double v = BEBytesToSingleOrZero(d[0], d[1], d[2], d[3]);
        Probe.ProbeLength = v >= 8001 ? 8000.0 : (v <= 499 || std::isnan(v)) ? 500.0 : v;
        break;
    }
    case rspDigFilter:
        DigFilter->setValue(d[0] <= 10 ? d[0] : 0);
        break;
    default:
        break;
    }
}

void Tprobc::measurement(const TShortFrame& f) {
    const uint8_t* d = f.Data;
    FRaw1 = BEBytesToLongInt(0, d[0], d[1], d[2]);
    FRaw2 = BEBytesToLongInt(0, d[3], d[4], d[5]);
    // The speed comes from the edit the user can type into. When it is not a number the
    // levels keep what they show; the reply is still applied otherwise, without a box, which
    // would come back on every monitor tick.
    double s = 0.0;
    const bool haveSpeed = TryParseFloat(WireSpd->text().toStdString(), s);
    if (haveSpeed) {
        FLevel1 = FRaw1 * s / 1000000.0;
        FLevel2 = FRaw2 * s / 1000000.0;
        vSensVal1->setText(text(FloatToFixed(FLevel1)));
        vSensVal2->setText(text(FloatToFixed(FLevel2)));
    }
    vTmpr->setText(temperatureText(d[10], d[9]));
    vStatus->setText(text(ByteToBits(d[11])));
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
