// The windows of the probe-bus cycle on the main window: the probe scan, the leak read modules
// with their scan, and the speed-of-wire wizard. Each window is modal; its steps run from the
// 500 ms cycle while it is shown.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

#include "console/calsow1.h"
#include "console/fscanlrm.h"
#include "console/maincfg.h"
#include "console/probecfg.h"
#include "platform/clock.h"
#include "platform/errorguard.h"
#include "platform/serial.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
// A window opened from a click that was handled inside a tick's wait for the line would see no
// tick at all: the cycle's timer does not fire again while its own slot runs, and ticks do not
// nest. While such a window is shown, a stand-in timer drives the cycle at the same interval.
class CyclesUnderModal {
public:
    explicit CyclesUnderModal(ProbeBusLink& link) : link_(link), was_(link.reopenCycle()) {
        if (!was_) return;
        standIn_.reset(Services::clock().createTimer(nullptr, link.cycleTimer()->interval()));
        GuardedConnect(standIn_.get(), &ProgramTimer::timeout, &link, [&link] { link.cycle(); });
        standIn_->start();
    }
    ~CyclesUnderModal() {
        standIn_.reset();
        link_.restoreCycle(was_);
    }
    CyclesUnderModal(const CyclesUnderModal&) = delete;
    CyclesUnderModal& operator=(const CyclesUnderModal&) = delete;

private:
    ProbeBusLink& link_;
    bool was_;
    std::unique_ptr<ProgramTimer> standIn_;
};

// Shows a window of the cycle modally; its steps run from the ticks meanwhile. A port that goes
// away cannot bring the replies the window waits for: close() then ends it, and lost says so,
// for the caller to tell the user once the window has gone.
int ShowCycleWindow(ProbeBusLink& link, QDialog& window, const std::function<void()>& close, bool& lost) {
    lost = false;
    const auto connection = GuardedConnect(link.port(), &SerialLink::lost, &window, [&lost, &close] {
        lost = true;
        close();
    });
    struct Disconnect {
        const QMetaObject::Connection& c;
        ~Disconnect() { QObject::disconnect(c); }
    } disconnectAtEnd{connection};
    CyclesUnderModal cycles(link);
    return window.exec();
}
}  // namespace

// ---------------------------------------------------------------------------
// Probe scan

void TMainConfig::ProbeScanClick() {
    if (!probeBus_->isOpen()) {
        ReportCode(rcNotConnected);
        return;
    }
    ScanAddr = 0;
    ScanTry = 0;
    for (probetype& p : Probes) p.Present = 0;
    ProbeScanning = true;
    probeconfig->PrepareScan();
    bool lost = false;
    // A lost port ends the scan as "Cancel" does: what was found so far stays.
    ShowCycleWindow(
        *probeBus_, *probeconfig, [this] { probeconfig->CloseScClick(); }, lost);
    ProbeScanning = false;
    if (AppQuitting()) {
        probeconfig->hide();
        return;
    }
    CurrentProbe = uint8_t(probeconfig->selectedAddress() & 15);
    iProben->setText(QStringLiteral("Probe Address: %1").arg(CurrentProbe));
    iProbeSn->setText(QStringLiteral("Probe SN: ") + QString::fromStdString(Probes[CurrentProbe].SerialNo));
    if (lost) {
        // Told once; the two queries would only be refused, a box each.
        ReportCode(rcNotConnected);
        return;
    }
    SendProbeCommand(pcQuery90, CurrentProbe);
    SendProbeCommand(pcQuery61, CurrentProbe);
}

void TMainConfig::ProbeScanStep() {
    // A dialog closed while an earlier request of this tick waited for the line has ended the
    // scan.
    if (!probeconfig->isVisible()) return;
    probeconfig->ShowProgress(ScanAddr * 3 + ScanTry);
    if (ScanTry < 2 && ScanAddr < 16) {
        ++ScanTry;
        SendProbeCommand(pcIdentify, ScanAddr);
        return;
    }
    if (ScanAddr < 16) {
        // Both presence requests are out; their replies have been applied by now.
        const uint8_t addr = ScanAddr;
        ++ScanAddr;
        ScanTry = 0;
        if (Probes[addr].Present) {
            probeconfig->AddFoundAddress(addr);
            SendProbeCommand(pcGetSerial, addr);
        }
        return;
    }
    ProbeScanning = false;
    probeconfig->ShowScanEnd(QString::fromStdString(Probes[probeconfig->selectedAddress() & 15].SerialNo));
}

// ---------------------------------------------------------------------------
// Leak read modules

void TMainConfig::LRMBuseClick() { CurrentModule = uint8_t(std::clamp(LRMChB->currentIndex(), 0, 15)); }

void TMainConfig::LRMBRefrClick() { SendModuleCommand(mcRead, DevLeakModule, CurrentModule); }

void TMainConfig::LRMR1Click() { RelayClick(LRMR1, mcRelay1); }
void TMainConfig::LRMR2Click() { RelayClick(LRMR2, mcRelay2); }

void TMainConfig::RelayClick(QPushButton* relay, uint8_t cmd) {
    // The click has already moved the button: down switches the relay on. The button waits,
    // disabled, for the next module data, also when the request was refused.
    struct Disable {
        QPushButton* b;
        ~Disable() { b->setEnabled(false); }
    } disable{relay};
    SendModuleCommand(cmd, DevLeakModule, CurrentModule, {uint8_t(relay->isChecked() ? 0xFF : 0x00)});
}

void TMainConfig::LRMBscanClick() {
    if (!probeBus_->isOpen()) {
        ReportCode(rcNotConnected);
        return;
    }
    ResetModuleView();
    ModuleScanAddr = 0;
    ModuleScanTry = 0;
    ModuleScanning = true;
    ScanfLrm->PrepareScan(this);
    // Nobody can close the window but the scan: a port that closes or goes away under it, and
    // so stops the cycle, closes it too (the program's end leaves its loop by itself).
    const auto closed = GuardedConnect(ProbeConnect, &QAbstractButton::toggled, ScanfLrm, [this] {
        if (!probeBus_->isOpen()) ScanfLrm->Finish();
    });
    bool lost = false;
    ShowCycleWindow(
        *probeBus_, *ScanfLrm, [this] { ScanfLrm->Finish(); }, lost);
    disconnect(closed);
    ModuleScanning = false;
    ScanfLrm->Finish();
    if (lost && !AppQuitting()) ReportCode(rcNotConnected);
}

void TMainConfig::ModuleScanStep() {
    if (!ScanfLrm->isVisible()) return;
    ScanfLrm->ShowProgress(ModuleScanAddr * 3 + ModuleScanTry);
    if (ModuleScanTry < 2 && ModuleScanAddr < 16) {
        ++ModuleScanTry;
        SendModuleCommand(mcRead, DevLeakModule, ModuleScanAddr);
        return;
    }
    if (ModuleScanAddr < 16) {
        // Presence shows in the grid rows that the replies filled.
        ++ModuleScanAddr;
        ModuleScanTry = 0;
        return;
    }
    ModuleScanning = false;
    ScanfLrm->Finish();
}

// ---------------------------------------------------------------------------
// Speed-of-wire wizard

void TMainConfig::CalibrateSowClick() {
    CalSoW->Open();
    SowCalibrating = true;
    // A point is made of readings that came after its measuring began: nothing read while the
    // wizard waited for the user, nor in an earlier run or an abandoned point, counts.
    const auto fresh = GuardedConnect(CalSoW, &TCalSoW::measuringStarted, this, [this] {
        SowSampleCount = 0;
        std::fill(std::begin(SowSamples), std::end(SowSamples), 0);
    });
    bool lost = false;
    // A lost port ends the wizard without a result.
    const int result = ShowCycleWindow(
        *probeBus_, *CalSoW, [this] { CalSoW->CancelClick(); }, lost);
    disconnect(fresh);
    SowCalibrating = false;
    if (AppQuitting()) {
        CalSoW->hide();
        return;
    }
    if (lost) {
        ReportCode(rcNotConnected);
        return;
    }
    // Only "Update" takes the result; Cancel and a close by the window frame leave the field.
    // The spin edit holds it within its range.
    if (result == TCalSoW::ResultUpdate) PrSpdOfWire->setValue(CalSoW->speedOfWire());
}

void TMainConfig::SowCalibrationStep() {
    if (!CalSoW->isVisible() || !CalSoW->measuring()) return;
    if (SowSampleCount < 16) {
        // The reply adds the sample; so does any other measurement reply meanwhile.
        SendProbeCommand(pcReadData, CurrentProbe);
        return;
    }
    const int32_t value = SowPointValue(SowSamples);
    SowSampleCount = 0;
    CalSoW->PointMeasured(value);
}
