#pragma once
// Ostrel's main window: one probe bus, one probe address at a time, a transmit queue of short
// command texts driven by a 75 ms clock, replies applied by their code, and a frame log.
#include <QSpinBox>
#include <QStringList>
#include <array>
#include <cstdint>
#include <utility>

#include "common/probepayload.h"
#include "common/tankcfgtypes.h"
#include "platform/formkit.h"
#include "platform/plainform.h"
#include "platform/prompts.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;
class ProgramTimer;
class TScanbus;
class THelpWindow;

inline const QString OstrelTitle = QStringLiteral("Probe config");

// Button masks for EnableButtons / DisableButtons.
inline constexpr uint16_t bmCalibr = 1;
inline constexpr uint16_t bmUpdate = 2;
inline constexpr uint16_t bmSetAddress = 4;
inline constexpr uint16_t bmOneSensor = 8;
inline constexpr uint16_t bmTwoSensor = 16;
inline constexpr uint16_t bmAllProbeButtons = 31;

// The help file registered with the application at start; windows take it as their own.
void RegisterHelpFile(const QString& url);
QString RegisteredHelpFile();
inline const QString OstrelHelpFile = QStringLiteral("qrc:/ostrel/help/ostrel-help.html");

class ProbeTxEngine;

class Tprobc : public PlainForm {
    Q_OBJECT
public:
    explicit Tprobc(QWidget* parent = nullptr);
    ~Tprobc() override;

    // The other two windows of the program, created after this one.
    void AttachWindows(TScanbus* scanbus, THelpWindow* helpWindow);
    // The probe bus: port, transmit queue and receive assembly.
    ProbeTxEngine* Link() const { return link_; }
    static constexpr int HelpContext = 9999;

    // Start-up, port and frame log.
    void FormCreate();
    void ComselChange();
    void bClearLogClick();
    void bSavelogClick();
    void BCloseClick();
    void FormClose();
    // Set when start-up found no port: the program ends instead of running.
    bool Terminated() const { return terminated_; }
    void AddLog(const QString& line);
    QStringList LogLines() const;  // newest first, as shown

    // Transmit queue and receive assembly, run by the link.
    void QueueCommand(const QString& text);
    void StartSending();
    void ProcessReplies();
    // False when the wait was ended because the program is closing or the engine cannot run.
    bool SendAndWait();

    // Replies and probe status.
    void HandleReply(const TShortFrame& frame);
    void ShowProbeInfo();
    void EnableButtons(uint16_t mask);
    void DisableButtons(uint16_t mask);

    // Probe settings.
    void AddrChange();
    void BsetaddresClick();
    void BupdateClick();
    void Button2Click();
    void BtOneSClick();
    void BtTwoSClick();

    // Monitor mode.
    void monmodClick();
    void MainTimerTimer();
    void ComPortLost();

    // Two-point calibration.
    void BCalibrClick();

    // Secondary windows and help.
    void bScanBusClick();
    void BitBtnHelpClick();
    void ShowHelp(int context);
    QTextBrowser* HelpViewer() const { return helpViewer_; }
    QString HelpFile() const { return helpFile_; }

    // What no control shows: the probe state (address and sequence number as the link holds
    // them) and the middle-ten sums of the last calibration.
    probetype ProbeState() const;
    std::pair<int32_t, int32_t> CalibrationSums() const { return {FCalSum1, FCalSum2}; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void connectHandlers();
    QPushButton* maskedButton(uint16_t bit) const;
    bool sendAndProcess();
    bool samplePoint(int32_t& sum);
    void measurement(const OstrelReply& r);

    // Controls, named as their objectName.
    TGauge* ProgrB = nullptr;
    QLabel* vStatus = nullptr;
    QLabel* vSensVal1 = nullptr;
    QLabel* vSensVal2 = nullptr;
    QLabel* vTmpr = nullptr;
    QLabel* SLevel = nullptr;
    QLabel* vTmpr1 = nullptr;
    QLabel* vTmpr2 = nullptr;
    QLabel* vTmpr3 = nullptr;
    QLabel* vTmpr4 = nullptr;
    QPlainTextEdit* Status = nullptr;
    QCheckBox* monmod = nullptr;
    QCheckBox* cbForsA = nullptr;
    QCheckBox* Lvmode = nullptr;
    QCheckBox* TemperMode = nullptr;
    TArrowSpinEdit* DigFilter = nullptr;
    QComboBox* Comsel = nullptr;
    QComboBox* Addr = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* bScanBus = nullptr;
    QPushButton* Bsetaddres = nullptr;
    QPushButton* BtOneS = nullptr;
    QPushButton* BtTwoS = nullptr;
    QPushButton* bClearLog = nullptr;
    QPushButton* bSavelog = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* BClose = nullptr;
    QLineEdit* CPoint1 = nullptr;
    QLineEdit* Cpoint2 = nullptr;
    QPushButton* BCalibr = nullptr;
    QLineEdit* ProbLen = nullptr;
    QLineEdit* WireSpd = nullptr;
    QPushButton* Bupdate = nullptr;
    QPlainTextEdit* LogWin = nullptr;
    ProgramTimer* MainTimer = nullptr;
    FileDialogSpec dSavelog;

    TScanbus* Scanbus = nullptr;
    THelpWindow* HelpWindow = nullptr;
    ProbeTxEngine* link_ = nullptr;
    QString helpFile_;

    // State shared by the window's operations. The probe's address and sequence number are
    // the link's; the rest of the probe record is the replies'.
    bool FSampling = false;
    uint8_t FSampleIndex = 1;
    int32_t FRaw1 = 0;
    int32_t FRaw2 = 0;
    int32_t FCalSum1 = 0;
    int32_t FCalSum2 = 0;
    double FLevel1 = 0.0;
    double FLevel2 = 0.0;
    probetype Probe;
    uint8_t FTempCountdown = 0;
    bool FTempTurn = false;
    std::array<int32_t, 17> CalSamples{};  // slots 1..16

    bool terminated_ = false;
    bool closed_ = false;
    QTextBrowser* helpViewer_ = nullptr;
};

// The calibration's text for a computed speed or length: 2 decimals, 5 significant digits.
QString CalibrationText(double x);
// Logged time stamps.
QString LogStamp(const QDateTime& t);    // yymmddhhnnss
QString FrameStamp(const QDateTime& t);  // hhnnss
