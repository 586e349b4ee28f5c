#pragma once
// The console configuration program's main window: the "Terminal config" page with the
// configuration view, the page's side of the terminal dialogue (the configuration, the link
// and the exchanges are the session's, ConsoleSession), the traffic log and the
// configuration file, and the "Probe Config" page (maincfg_probe.cpp) on the probe-bus link
// (ProbeBusLink).
#include <QMainWindow>
#include <QString>
#include <string>

#include "common/probepayload.h"
#include "common/tankcfgtypes.h"
#include "console/probebuslink.h"
#include "platform/prompts.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class TLogList;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class ProgramTimer;
class SerialLink;
class ConsoleSession;
class TCalSoW;
class Tmdicfg;
class Tprobeconfig;
class TScanfLrm;
class Ttankconfig;
class TlogForm1;

class TMainConfig : public QMainWindow {
    Q_OBJECT
public:
    // The window works on the session's configuration and terminal link.
    explicit TMainConfig(ConsoleSession& session, QWidget* parent = nullptr);
    ~TMainConfig() override;

    // The windows this one opens; they are created after it.
    void AttachWindows(Ttankconfig* tank, Tprobeconfig* probeScan, TCalSoW* sow, TlogForm1* log, TScanfLrm* moduleScan,
                       Tmdicfg* mdi);

    // Start-up and end
    void load_default_parms();
    void ResetModuleView();
    void Exit1Click();

    // Traffic log
    void AddLogLine(const std::string& text, const char* prefix);
    void LogTerminalBytes(const TLineBuffer& line);
    void ReportCode(int code);
    void PrLogwinClick();

    // Terminal link (the session's)
    void TrmConnectClick();
    void DisconnectTerminal();

    // Terminal dialogue: the page's part here, the exchanges in the session.
    void ReadConsoleConfigForm();
    void SyncGlobalConfig();
    void SendTankConfig(uint8_t n);
    void SendMdiConfig(uint8_t n);
    void send_t_to_consoleClick();
    void get_t_from_consoleClick();
    void HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data);
    // The calibration table of tank n: header and 125 blocks, with the progress window.
    void SendCalibrationTable(uint8_t n);

    // Configuration view
    void ShowConsoleConfig();
    void set_new_NoT();
    void MdiUvChange();
    void Tanks_listClick(int row);
    void MDIListClick(int row);
    void Edit_t_dataClick();
    void MdiCfgbClick();
    void MDIListDblClick(int row);

    // Configuration file
    void Save_t_fileClick();
    void Load_t_from_fileClick();

    // Probe-bus link (each delegates to the link)
    void ProbeConnectClick();
    void SendProbeCommand(uint8_t cmd, uint8_t addr, const ProbePayload& payload = {});
    void SendModuleCommand(uint8_t cmd, uint8_t device, uint8_t addr, const ProbePayload& payload = {});
    void Timer3Timer();

    // Probe and module replies
    void HandleProbeReply(const TShortFrame& frame);

    // "Probe Config" page
    void ChgProbeClick();
    void SlProbeChange();
    void proberefreshClick();
    void SetAddresClick();
    void ApplyToProbeClick();
    void ChangeClick();
    void use1srClick();
    void use2srClick();
    void SetSowClick();
    void SendNextSowDigit(uint8_t ackCode);

    // Steps of the cycle that belong to the probe scan, the module scan and the speed-of-wire
    // calibration.
    void ProbeScanStep();
    void ModuleScanStep();
    void SowCalibrationStep();

    // Probe scan, leak read modules and the speed-of-wire wizard (maincfg_scan.cpp)
    void ProbeScanClick();
    void LRMBuseClick();
    void LRMBRefrClick();
    void LRMR1Click();
    void LRMR2Click();
    void LRMBscanClick();
    void CalibrateSowClick();

    // Narrow views of the probe-bus state.
    const ProbeBusLink& probeBus() const { return *probeBus_; }
    uint8_t currentProbe() const { return CurrentProbe; }
    uint8_t currentModule() const { return CurrentModule; }
    std::string probeSerial(int addr) const { return Probes[addr & 15].SerialNo; }
    bool probePresent(int addr) const { return Probes[addr & 15].Present != 0; }
    bool probeScanning() const { return ProbeScanning; }
    bool moduleScanning() const { return ModuleScanning; }
    bool sowCalibrating() const { return SowCalibrating; }
    int32_t sowSampleCount() const { return SowSampleCount; }

    // Components
    FileDialogSpec Openfile;
    FileDialogSpec Savefile;

    // Controls that other parts read
    QTabWidget* Tankcfg = nullptr;
    QComboBox* portsel = nullptr;
    QPushButton* ProbeConnect = nullptr;
    QLabel* prconstat = nullptr;
    TLogList* PrLogwin = nullptr;
    TLogList* LRMLogB = nullptr;
    QComboBox* SlProbe = nullptr;
    QComboBox* LRMChB = nullptr;
    QTableWidget* LRMState = nullptr;
    QLabel* LRMDiV[5] = {};
    QLabel* LRMTV = nullptr;
    QLabel* LRMAin1VH = nullptr;
    QLabel* LRMAin1VD = nullptr;
    QCheckBox* Autorefresh = nullptr;
    QCheckBox* LRMCBArefr = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void buildWindow();
    QWidget* buildProgramOptionsPage();
    QWidget* buildTerminalPage();
    QWidget* buildProbePage();
    QWidget* buildOthersPage();
    void buildMenu();
    void setStatusColour(QLabel* status, bool connected);

    void FillTankRow(int r);
    void FillMdiRow(int r);
    void LogTerminalPiece(const std::string& text);

    bool keepRecords_ = false;  // a refresh after a file load gives nothing its defaults

    // Terminal side: the session keeps the configuration, the link (its port, timer and
    // exchange flags) and the exchanges.
    void ShowTerminalClosed();
    void ReportAcknowledgement(uint8_t replyCode, bool ok);
    ConsoleSession& session_;
    QComboBox* Comsel = nullptr;
    QPushButton* TrmConnect = nullptr;
    QLabel* trconstat = nullptr;
    QSpinBox* Noftanks = nullptr;
    QSpinBox* MdiUv = nullptr;
    QComboBox* trmLang = nullptr;
    QRadioButton* metricu = nullptr;
    QRadioButton* usunit = nullptr;
    QLineEdit* dbsave = nullptr;
    QLineEdit* reftemp = nullptr;
    QLineEdit* TrmID = nullptr;
    QCheckBox* wtankdta = nullptr;
    QTableWidget* Tanks_list = nullptr;
    QTableWidget* MDIList = nullptr;

    // Probe bus: the link keeps the port, the line, the time-out, the cycle and the sequence
    // nibbles; the pages' state is here.
    void ProbeLinkLost();
    void ShowModuleData(const MarvaneBusReply& reply);
    void ShowMeasurement(const MarvaneBusReply& reply);
    ProbeBusLink* probeBus_ = nullptr;
    bool ProbeScanning = false;
    bool ModuleScanning = false;
    bool SowCalibrating = false;
    bool SowSendPending = false;
    uint8_t SowAckCode = 0;
    probetype Probes[16];
    int32_t SowSamples[17] = {};  // slots 1..17 at indexes 0..16
    uint8_t CurrentProbe = 0;
    uint8_t CurrentModule = 0;
    int32_t Sensor1Value = 0;
    int32_t Sensor2Value = 0;
    int32_t SowSampleCount = 0;
    // Progress of the probe scan and the module scan: the address under test (16 when all are
    // done) and the requests already sent to it.
    uint8_t ScanAddr = 0;
    uint8_t ScanTry = 0;
    uint8_t ModuleScanAddr = 0;
    uint8_t ModuleScanTry = 0;
    void RelayClick(QPushButton* relay, uint8_t cmd);

    QPushButton* ChgProbe = nullptr;
    QLabel* ProbeCInfo = nullptr;
    QLabel* iProben = nullptr;
    QLabel* iProbeSn = nullptr;
    QLabel* vSensval1 = nullptr;
    QLabel* vSensval2 = nullptr;
    QLabel* vSenslev1 = nullptr;
    QLabel* vSenslev2 = nullptr;
    QLabel* vTmpr = nullptr;
    QLabel* vStatus = nullptr;
    QLabel* vMPer = nullptr;
    QGroupBox* Sensor2 = nullptr;
    QCheckBox* isLM35 = nullptr;
    QSpinBox* PrVolLevel = nullptr;
    QSpinBox* PrSpdOfWire = nullptr;
    QPushButton* LRMR1 = nullptr;
    QPushButton* LRMR2 = nullptr;

    // The windows this one opens.
    Ttankconfig* tankconfig = nullptr;
    Tprobeconfig* probeconfig = nullptr;
    TCalSoW* CalSoW = nullptr;
    TlogForm1* logForm1 = nullptr;
    TScanfLrm* ScanfLrm = nullptr;
    Tmdicfg* mdicfg = nullptr;
};
