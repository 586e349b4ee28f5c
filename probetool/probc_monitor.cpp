// Monitor mode: a measurement request per tick, and temperature rounds.
#include <QCheckBox>

#include "platform/clock.h"
#include "platform/serial.h"
#include "probetool/probc.h"
#include "probetool/txengine.h"

void Tprobc::monmodClick() {
    if (monmod->isChecked()) {
        if (Probe.Present || cbForsA->isChecked()) {
            DisableButtons(bmAllProbeButtons);
            MainTimer->start();
        } else {
            monmod->setChecked(false);  // runs this handler again, unchecked
        }
    } else {
        if (Probe.Present) EnableButtons(bmAllProbeButtons);
        MainTimer->stop();
    }
}

void Tprobc::MainTimerTimer() {
    ProcessReplies();
    if (!TemperMode->isChecked() || !FTempTurn) {
        // One measurement request waiting is enough: on a silent address the requests would
        // otherwise pile up (one per tick, each taking up to 450 ms to drop), and no wait
        // behind them would ever see the queue empty.
        if (!link_->Pending().contains(cmdReadData)) QueueCommand(cmdReadData);
        StartSending();
    } else if (FTempCountdown > 0) {
        --FTempCountdown;
    } else {
        MainTimer->setInterval(1000);
        FTempCountdown = 16;
        for (int n = 1; n <= 4; ++n) {
            QueueCommand(cmdReadTemp + QString::fromStdString(ByteToHex(uint8_t(n))));
            if (!sendAndProcess()) return;
        }
        QueueCommand(cmdReadTemp + QStringLiteral("01"));
        if (!SendAndWait()) return;
        MainTimer->setInterval(500);
    }
    FTempTurn = !FTempTurn;
}

void Tprobc::ComPortLost() {
    // A port that goes away under monitor mode would fail every tick with a box of its own:
    // monitoring ends, and the user is told once.
    if (!monmod->isChecked()) return;
    monmod->setChecked(false);
    throw SerialError::NotOpen(link_->Port()->comNumber());
}
