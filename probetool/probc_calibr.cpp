// Two-point calibration: speed of wire and probe length from the float held at two heights.
#include <QLineEdit>
#include <algorithm>

#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/probc.h"

QString CalibrationText(double x) {
    std::string s = FormatFloatF(x, 5, 2);
    // Past 5 integer digits the format falls back to exponent form; a plain number with all
    // its digits reads better and reads back.
    if (s.find('E') != std::string::npos) s = FormatFixed(x, 2);
    return QString::fromStdString(s);
}

bool Tprobc::samplePoint(int32_t& sum) {
    FSampleIndex = 1;
    FSampling = true;
    for (int i = 0; i < 16; ++i) QueueCommand(cmdReadData);
    const bool done = sendAndProcess();
    FSampling = false;
    if (!done) return false;
    std::sort(CalSamples.begin() + 1, CalSamples.end());
    // The middle ten: the three smallest and the three largest are left out.
    sum = 0;
    for (int i = 4; i <= 13; ++i) sum += CalSamples[size_t(i)];
    return true;
}

void Tprobc::BCalibrClick() {
    const double P1 = ParseFloat(CPoint1->text().toStdString());
    const double P2 = ParseFloat(Cpoint2->text().toStdString());
    if (!(P1 >= 199 && P2 >= P1 + 300)) {
        const int b = Services::prompts().messageBox(QStringLiteral("Error"),
                                                     QStringLiteral("Invalid values for \"P1\" or/and \"P2\" !"),
                                                     MsgIcon::Error, MbOk | MbHelp);
        if (b == MbHelp) ShowHelp(0);
        return;
    }
    QueueCommand(cmdSetFloats + QStringLiteral("01"));
    QueueCommand(cmdReadData);
    if (!sendAndProcess()) return;
    Services::prompts().messageBox(QStringLiteral("Info"), QStringLiteral("Move sensor to Point 1"),
                                   MsgIcon::Information, MbOk);
    if (closed_ || !samplePoint(FCalSum1)) return;
    Services::prompts().messageBox(QStringLiteral("Info"), QStringLiteral("Move sensor to Point 2"),
                                   MsgIcon::Information, MbOk);
    if (closed_ || !samplePoint(FCalSum2)) return;
    if (FCalSum2 > FCalSum1) std::swap(FCalSum1, FCalSum2);
    const double d = (FCalSum1 - FCalSum2) / 10.0;
    if (d == 0) return;
    const double speed = (P2 - P1) * (1000000.0 / d);
    WireSpd->setText(CalibrationText(speed));
    const double length = FCalSum2 * speed / 10000000.0 + P2;
    ProbLen->setText(CalibrationText(length));
    QueueCommand(cmdSetFloats + QStringLiteral("02"));
    QueueCommand(cmdReadData);
    sendAndProcess();
}
