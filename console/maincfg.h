#pragma once
// The console configuration program's main window: the "Terminal config" page with
// the configuration view, the terminal dialogue (its link is TerminalLink, reached through
// the handlers below), the traffic log and the configuration file. The probe-bus controls
// are laid out here; their behaviour lives elsewhere.
#include <QMainWindow>
#include <QString>
#include <string>

#include "common/tankcfgtypes.h"
#include "platform/prompts.h"

class QCheckBox;
class QComboBox;
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
class TerminalLink;

// Log prefixes, used exactly as stored.
inline constexpr const char* LogPrefixSend = " /Send     > ";
inline constexpr const char* LogPrefixReceive = " /Receve > ";
inline constexpr const char* LogPrefixError = " /Error      > ";
inline constexpr const char* LogPrefixInfo = " /Info  > ";

// Numbered events of ReportCode.
enum : int {
    rcAddressSet = 10,
    rcProbeAck = 11,
    rcGlobalSet = 50,
    rcTankSet = 51,
    rcGlobalSetError = 60,
    rcTankSetError = 61,
    rcNotConnected = 100,
    rcProbeNetOpen = 101,
    rcTerminalOpen = 102,
    rcProbeTimeout = 123,
    rcTerminalTimeout = 124,
    rcProbeCrcError = 200,
    rcModuleCrcError = 201,
    rcBadMessage = 202,
    rcMeasureError = 210,
};

class TMainConfig : public QMainWindow {
    Q_OBJECT
public:
    explicit TMainConfig(QWidget* parent = nullptr);
    ~TMainConfig() override;

    // Start-up and end
    void load_default_parms();
    void ResetModuleView();
    void Exit1Click();

    // Traffic log
    void AddLogLine(const std::string& text, const char* prefix);
    void LogTerminalBytes(const TLineBuffer& line);
    void ReportCode(int code);
    void PrLogwinClick();

    // Terminal link
    void TrmConnectClick();
    void DisconnectTerminal();
    void SendTerminalFrame(TLineBuffer& line);
    void TrmComRxFlag();
    void TrmTmrTimer();

    // Terminal dialogue
    void ReadConsoleConfigForm();
    void SyncGlobalConfig();
    void SendTankConfig(uint8_t& n);
    void SendMdiConfig(uint8_t& n);
    void SendCalibrationTable(uint8_t& n);
    void send_t_to_consoleClick();
    void get_t_from_consoleClick();
    void HandleTerminalReply(uint8_t code, int32_t len, const uint8_t* data);
    // True while an exchange is waiting for its reply: a terminal operation started from
    // inside that wait (a click, another window) is refused rather than nested.
    bool TerminalOperationRefused() const;
    // One request and its reply: encode, mark busy, send, wait until the reply is handled.
    void Exchange(const TLongFrame& frame);
    void Exchange(uint8_t code, std::initializer_list<uint8_t> data);

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

    // Narrow views of the terminal side: the link's state, and the acknowledgement of the
    // last calibration table header or block (reset before a transfer).
    const TerminalLink& terminal() const { return *trm_; }
    bool tableAckOk() const { return TblAckOk; }
    uint16_t tableAckBlock() const { return TblAckBlock; }
    void resetTableAck() {
        TblAckOk = false;
        TblAckBlock = 0;
    }

    // Private state shared by the console program's parts, in declaration order.
    bool PrbConnected = false;
    bool ProbeScanning = false;
    bool ModuleScanning = false;
    bool SowCalibrating = false;
    bool SowSendPending = false;
    uint8_t SowAckCode = 0;
    bool PrbIdle = false;
    std::string LastPrbTx;
    std::string LastPrbRx;
    probetype Probes[16];
    uint8_t ModuleSeq = 0;
    int32_t SowSamples[17] = {};
    uint8_t CurrentProbe = 0;
    uint8_t CurrentModule = 0;
    int32_t Sensor1Value = 0;
    int32_t Sensor2Value = 0;
    int32_t SowSampleCount = 0;

    // Components
    SerialLink* PrbCom = nullptr;
    ProgramTimer* PrbTmr = nullptr;
    ProgramTimer* Timer3 = nullptr;
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

    bool keepRecords_ = false;    // a refresh after a file load gives nothing its defaults

    // Terminal side: the link keeps the port, the timer and the exchange flags.
    void ShowTerminalClosed();
    TerminalLink* trm_ = nullptr;
    bool TblAckOk = false;
    uint16_t TblAckBlock = 0;
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
};

extern TMainConfig* MainConfig;
