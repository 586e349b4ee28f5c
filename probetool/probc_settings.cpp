// Choosing the probe's address and reading or changing its settings.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "platform/errorguard.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/probc.h"
#include "probetool/txengine.h"

namespace {
QString hex(int b) { return QString::fromStdString(ByteToHex(uint8_t(b))); }

void errorBox(const QString& text) {
    Services::prompts().messageBox(QStringLiteral("Error"), text, MsgIcon::Error, MbOk);
}
}  // namespace

void Tprobc::AddrChange() {
    if (closed_) return;
    DisableButtons(bmAllProbeButtons);
    link_->SelectProbe(uint8_t(std::max(Addr->currentIndex(), 0)));
    Probe.Present = false;
    DigFilter->setValue(0);
    QueueCommand(cmdIdentify);
    if (!sendAndProcess()) return;
    if (Probe.Present) {
        QueueCommand(cmdGetSerial);
        QueueCommand(cmdGetLength);
        QueueCommand(cmdGetSpeed);
        if (!sendAndProcess()) return;
        EnableButtons(bmAllProbeButtons);
    }
    ShowProbeInfo();
}

void Tprobc::BsetaddresClick() {
    const QString answer = Services::prompts().inputBox(QStringLiteral("Change address of Probe "),
                                                        QStringLiteral("Enter new address between \"0\" and \"15\":"),
                                                        QStringLiteral("X"));
    int n = 0;
    if (!TryParseInt(answer.toStdString(), n)) {
        Services::prompts().messageBox(AppTitle(), QStringLiteral("ERROR:Invalid number for probe address!"),
                                       MsgIcon::None, MbOk);
        return;
    }
    if (n < 0 || n > 255) throw RangeError();
    if (n > 15) n = 15;
    QueueCommand(cmdSetAddress + hex(n));
    if (!sendAndProcess()) return;
    Addr->setCurrentIndex(n);
    AddrChange();
}

void Tprobc::BupdateClick() {
    double speed = 0.0, length = 0.0;
    if (!TryParseFloat(WireSpd->text().toStdString(), speed)) {
        errorBox(QStringLiteral("Invalid value for Speed of Wire !"));
        return;
    }
    if (speed > 3500 || speed < 2500) {
        errorBox(QStringLiteral("Valid value for Speed of Wire is between 2500 and 3500 m/s !"));
        return;
    }
    if (!TryParseFloat(ProbLen->text().toStdString(), length)) {
        errorBox(QStringLiteral("Invalid value for Probe lenght !"));
        return;
    }
    if (length > 8000 || length < 500) {
        // The limit named is 7900, the one applied 8000: the probe takes up to 8000.
        errorBox(QStringLiteral("Valid value for Probe lenght is between 500 and 7900 mm !"));
        return;
    }
    const auto s = SingleToBE(speed);
    const auto l = SingleToBE(length);
    for (int i = 0; i < 4; ++i) QueueCommand(hex(0x92 + i) + hex(s[size_t(i)]));
    QueueCommand(cmdGetSpeed);
    for (int i = 0; i < 4; ++i) QueueCommand(hex(0x96 + i) + hex(l[size_t(i)]));
    QueueCommand(cmdGetLength);
    sendAndProcess();
}

void Tprobc::Button2Click() {
    const int v = DigFilter->value();
    if (v == 0) return;
    QueueCommand(cmdSetDigFilter + hex(v));
    StartSending();
}

void Tprobc::BtOneSClick() {
    QueueCommand(cmdSetFloats + hex(1));
    QueueCommand(cmdReadData);
    StartSending();
}

void Tprobc::BtTwoSClick() {
    QueueCommand(cmdSetFloats + hex(2));
    QueueCommand(cmdReadData);
    StartSending();
}
