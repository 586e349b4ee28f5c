// Main window: its controls, start-up with the port search, the port selector, the frame log,
// closing and help.
#include "probetool/probc.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextBlock>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "platform/clock.h"
#include "platform/errorguard.h"
#include "platform/fileio.h"
#include "platform/formkit.h"
#include "platform/plainform.h"
#include "platform/services.h"
#include "platform/wait.h"
#include "probetool/HelpWin.h"
#include "probetool/scanb.h"
#include "probetool/txengine.h"

namespace {
QString g_helpFile;

using FormKit::Named;
}  // namespace

void RegisterHelpFile(const QString& url) { g_helpFile = url; }
QString RegisteredHelpFile() { return g_helpFile; }

QString LogStamp(const QDateTime& t) { return t.toString(QStringLiteral("yyMMddHHmmss")); }
QString FrameStamp(const QDateTime& t) { return t.toString(QStringLiteral("HHmmss")); }

Tprobc::Tprobc(QWidget* parent) : PlainForm("probc", "Probe config", parent) {
    resize(604, 507);
    if (const QScreen* s = screen()) move(s->availableGeometry().center() - rect().center());
    buildControls();
    FormKit::TabInReadingOrder(this);
    link_ = new ProbeTxEngine(this);
    MainTimer = Services::clock().createTimer(this, 300);
    MainTimer->setObjectName(QStringLiteral("MainTimer"));
    connectHandlers();
    Guard([this] { FormCreate(); });
}

Tprobc::~Tprobc() { MainTimer->stop(); }

void Tprobc::AttachWindows(TScanbus* scanbus, THelpWindow* helpWindow) {
    Scanbus = scanbus;
    HelpWindow = helpWindow;
}

probetype Tprobc::ProbeState() const {
    probetype p = Probe;
    p.Address = link_->Address();
    p.SeqNo = link_->SeqNo();
    return p;
}

void Tprobc::buildControls() {
    // Laid out to fit the window's 604 x 507 with room for a dozen lines of the frame log:
    // readings, settings and calibration side by side, the probe information and the buttons
    // in one band below them, the log under all.
    auto* top = new QVBoxLayout(this);
    top->setContentsMargins(6, 6, 6, 6);
    top->setSpacing(4);
    ProgrB = Named(new TGauge(this), "ProgrB", QStringLiteral("Progress"));
    ProgrB->setTextVisible(false);
    ProgrB->setMaximumHeight(12);
    ProgrB->setMax(0);
    top->addWidget(ProgrB);

    auto* body = new QHBoxLayout;
    top->addLayout(body);

    // Readings.
    auto* readings = new QGridLayout;
    readings->setVerticalSpacing(1);
    body->addLayout(readings, 1);
    int row = 0;
    auto addReading = [&](const QString& caption, QLabel* value, const QString& unit) {
        auto* l = new QLabel(caption, this);
        l->setBuddy(value);
        readings->addWidget(l, row, 0);
        readings->addWidget(value, row, 1);
        if (!unit.isEmpty()) readings->addWidget(new QLabel(unit, this), row, 2);
        ++row;
    };
    const QString mm = QStringLiteral("[mm]");
    const QString degC = QStringLiteral("[\u00B0C]");
    vStatus = FormKit::ValueText(this, "vStatus", QStringLiteral("- - - - - - - - "), QStringLiteral("Status :"), true);
    addReading(QStringLiteral("Status :"), vStatus, {});
    vSensVal1 =
        FormKit::ValueText(this, "vSensVal1", QStringLiteral("- - - -.- - "), QStringLiteral("Sensor 1 (fuel)"), true);
    addReading(QStringLiteral("Sensor 1 (fuel)"), vSensVal1, mm);
    vSensVal2 =
        FormKit::ValueText(this, "vSensVal2", QStringLiteral("- - - -.- - "), QStringLiteral("Sensor 2 (water)"), true);
    addReading(QStringLiteral("Sensor 2 (water)"), vSensVal2, mm);
    vTmpr = FormKit::ValueText(this, "vTmpr", QStringLiteral("--.-- "), QStringLiteral("Temperature"), false);
    addReading(QStringLiteral("Temperature"), vTmpr, degC);
    // The level from the bottom is a level in mm as the sensors' are, shown as they are.
    SLevel = FormKit::ValueText(this, "SLevel", QStringLiteral("- - - -.- - "), QStringLiteral("Level (fuel)"), true);
    addReading(QStringLiteral("Level (fuel)"), SLevel, mm);
    QLabel** temps[] = {&vTmpr1, &vTmpr2, &vTmpr3, &vTmpr4};
    for (int i = 0; i < 4; ++i) {
        const QString cap = QStringLiteral("Tempr %1 :").arg(i + 1);
        const QByteArray name = "vTmpr" + QByteArray::number(i + 1);
        *temps[i] = FormKit::ValueText(this, name.constData(), QStringLiteral("---.--"), cap, false);
        addReading(cap, *temps[i], degC);
    }
    // The readings stand in one column, right-aligned, so their points line up.
    for (QLabel* t : {vTmpr, vTmpr1, vTmpr2, vTmpr3, vTmpr4}) t->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Modes, port and address.
    auto* ops = new QGridLayout;
    ops->setVerticalSpacing(2);
    body->addLayout(ops);
    row = 0;
    QFont bold = font();
    bold.setBold(true);
    auto* comLabel = new QLabel(QStringLiteral("COM Port:"), this);
    comLabel->setFont(bold);
    Comsel = Named(new QComboBox(this), "Comsel", QStringLiteral("COM Port:"));
    Comsel->setFont(bold);
    comLabel->setBuddy(Comsel);
    ops->addWidget(comLabel, row, 0);
    ops->addWidget(Comsel, row++, 1);

    auto* addrLabel = new QLabel(QStringLiteral("Address"), this);
    addrLabel->setFont(bold);
    Addr = Named(new QComboBox(this), "Addr", QStringLiteral("Address"));
    for (int a = 0; a <= 15; ++a) Addr->addItem(QStringLiteral("%1").arg(a, 2, 10, QLatin1Char('0')));
    addrLabel->setBuddy(Addr);
    ops->addWidget(addrLabel, row, 0);
    ops->addWidget(Addr, row++, 1);

    auto* dfLabel = new QLabel(QStringLiteral("Digital Filter:"), this);
    DigFilter = Named(new TArrowSpinEdit(this), "DigFilter", QStringLiteral("Digital Filter:"));
    DigFilter->setRange(0, 10);
    dfLabel->setBuddy(DigFilter);
    ops->addWidget(dfLabel, row, 0);
    ops->addWidget(DigFilter, row++, 1);

    monmod = Named(new QCheckBox(QStringLiteral("Monitor"), this), "monmod", QStringLiteral("Monitor"));
    cbForsA = Named(new QCheckBox(QStringLiteral("Force Address"), this), "cbForsA", QStringLiteral("Force Address"));
    Lvmode = Named(new QCheckBox(QStringLiteral("Level mode"), this), "Lvmode", QStringLiteral("Level mode"));
    TemperMode = Named(new QCheckBox(QStringLiteral("Tempr.mode"), this), "TemperMode", QStringLiteral("Tempr.mode"));
    for (QCheckBox* c : {monmod, cbForsA, Lvmode, TemperMode}) ops->addWidget(c, row++, 0, 1, 2);
    ops->setRowStretch(row, 1);

    auto button = [this](const char* name, const QString& caption) { return FormKit::Button(this, name, caption); };
    Button2 = button("Button2", QStringLiteral("Set DigFilt"));
    bScanBus = button("bScanBus", QStringLiteral("Scan bus"));
    Bsetaddres = button("Bsetaddres", QStringLiteral("Set Address"));
    BtOneS = button("BtOneS", QStringLiteral("One Sensor"));
    BtTwoS = button("BtTwoS", QStringLiteral("Two Sensor"));
    bClearLog = button("bClearLog", QStringLiteral("Clear Log"));
    bSavelog = button("bSavelog", QStringLiteral("Save log"));
    Button1 = button("Button1", QStringLiteral("Help"));
    BClose = button("BClose", QStringLiteral("Exit"));

    auto* group = Named(new QGroupBox(QStringLiteral("Calibration"), this), "GroupBox1", QStringLiteral("Calibration"));
    auto* g = new QGridLayout(group);
    g->setContentsMargins(6, 2, 6, 4);
    g->setVerticalSpacing(2);
    auto edit = [this](const char* name, const QString& text, const QString& caption) {
        auto* e = Named(new QLineEdit(text, this), name, caption);
        e->setMaximumWidth(70);
        return e;
    };
    CPoint1 = edit("CPoint1", QStringLiteral("300"), QStringLiteral("P1"));
    Cpoint2 = edit("Cpoint2", QStringLiteral("3000"), QStringLiteral("P2"));
    ProbLen = edit("ProbLen", QStringLiteral("3000"), QStringLiteral("Length"));
    WireSpd = edit("WireSpd", QStringLiteral("3000"), QStringLiteral("Speed"));
    BCalibr = button("BCalibr", QStringLiteral("Calibrate"));
    Bupdate = button("Bupdate", QStringLiteral("Update"));
    auto editRow = [&](int r, const QString& caption, QLineEdit* e, const QString& unit) {
        auto* l = new QLabel(caption, group);
        l->setBuddy(e);
        g->addWidget(l, r, 0);
        g->addWidget(e, r, 1);
        g->addWidget(new QLabel(unit, group), r, 2);
    };
    editRow(0, QStringLiteral("P1"), CPoint1, mm);
    editRow(1, QStringLiteral("P2"), Cpoint2, mm);
    g->addWidget(BCalibr, 2, 0, 1, 3);
    editRow(3, QStringLiteral("Length"), ProbLen, mm);
    editRow(4, QStringLiteral("Speed"), WireSpd, QStringLiteral("[m/s]"));
    g->addWidget(Bupdate, 5, 0, 1, 3);
    body->addWidget(group);

    // The probe information beside the probe operations and the log's buttons.
    auto* band = new QHBoxLayout;
    top->addLayout(band);
    Status = Named(new QPlainTextEdit(this), "Status", QStringLiteral("Probe information"));
    Status->setReadOnly(true);
    Status->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Status->setFixedHeight(3 * Status->fontMetrics().lineSpacing() + 12);
    Status->setPlainText(QStringLiteral("SN: N/A\nSpeed: N/A\nLength: N/A"));
    band->addWidget(Status, 1);
    auto* buttons = new QGridLayout;
    buttons->setVerticalSpacing(2);
    band->addLayout(buttons);
    int col = 0;
    for (QPushButton* b : {Button2, bScanBus, Bsetaddres, BtOneS, BtTwoS}) buttons->addWidget(b, 0, col++);
    col = 1;
    for (QPushButton* b : {bClearLog, bSavelog, Button1, BClose}) buttons->addWidget(b, 1, col++);

    LogWin = Named(new QPlainTextEdit(this), "LogWin", QStringLiteral("Frame log"));
    LogWin->setReadOnly(true);
    LogWin->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    top->addWidget(LogWin, 1);
}

void Tprobc::connectHandlers() {
    GuardedConnect(MainTimer, &ProgramTimer::timeout, this, [this] { MainTimerTimer(); });
    GuardedConnect(link_, &ProbeTxEngine::logLine, this, [this](const QString& line) { AddLog(line); });
    GuardedConnect(link_, &ProbeTxEngine::progress, this, [this](int position, int maximum) {
        ProgrB->setMax(maximum);
        ProgrB->setPosition(position);
    });
    // Each reply is handled inside the guard, so one that fails leaves the lines behind it.
    GuardedConnect(link_, &ProbeTxEngine::replyReceived, this, [this](const TShortFrame& f) { HandleReply(f); });
    GuardedConnect(Comsel, &QComboBox::activated, this, [this](int) { ComselChange(); });
    GuardedConnect(Addr, &QComboBox::activated, this, [this](int) { AddrChange(); });
    GuardedConnect(monmod, &QCheckBox::toggled, this, [this](bool) { monmodClick(); });
    GuardedConnect(link_->Port(), &SerialLink::lost, this, [this] { ComPortLost(); });
    const std::pair<QPushButton*, void (Tprobc::*)()> clicks[] = {
        {Button2, &Tprobc::Button2Click},   {bScanBus, &Tprobc::bScanBusClick},  {Bsetaddres, &Tprobc::BsetaddresClick},
        {BtOneS, &Tprobc::BtOneSClick},     {BtTwoS, &Tprobc::BtTwoSClick},      {bClearLog, &Tprobc::bClearLogClick},
        {bSavelog, &Tprobc::bSavelogClick}, {Button1, &Tprobc::BitBtnHelpClick}, {BClose, &Tprobc::BCloseClick},
        {BCalibr, &Tprobc::BCalibrClick},   {Bupdate, &Tprobc::BupdateClick},
    };
    for (const auto& [b, h] : clicks)
        GuardedConnect(b, &QPushButton::clicked, this, [this, h = h](bool) { (this->*h)(); });
}

void Tprobc::AddLog(const QString& line) {
    QTextCursor c(LogWin->document());
    c.movePosition(QTextCursor::Start);
    const QString shown = FormKit::ShownLogText(line);
    c.insertText(LogWin->document()->isEmpty() ? shown : shown + QLatin1Char('\n'));
}

QStringList Tprobc::LogLines() const {
    if (LogWin->document()->isEmpty()) return {};
    // Block by block: the memo's plain text turns a no-break space (byte A0 received from the
    // bus) into a blank, and the saved log must hold the bytes as they came.
    QStringList out;
    for (QTextBlock b = LogWin->document()->begin(); b.isValid(); b = b.next()) out << FormKit::LoggedText(b.text());
    return out;
}

void Tprobc::FormCreate() {
    SerialLink* ComPort = link_->Port();
    Comsel->clear();
    AddLog(QStringLiteral(" Start log -") + LogStamp(Services::clock().now()));
    for (int n = 1; n <= 6; ++n) {
        try {
            ComPort->open(n, 9600);
        } catch (const SerialError& e) {
            // A port that is missing or has no device behind it is not offered. One that exists
            // but is held or forbidden is: choosing it then tells the user why it cannot open.
            if (e.kind != SerialError::AccessDenied) continue;
        }
        Comsel->addItem(QStringLiteral("COM%1").arg(n));
        AddLog(QStringLiteral(" COM%1").arg(n));
        ComPort->close();
    }
    link_->Clear();
    Probe.Present = false;
    Probe.WireSpeed = 3000.0;
    Probe.ProbeLength = 2000.0;
    FSampling = false;
    FSampleIndex = 1;
    DisableButtons(bmAllProbeButtons);
    helpFile_ = RegisteredHelpFile();
    if (Comsel->count() == 0) {
        const QString none = QStringLiteral("No useble/avelable COM ports.");
        AddLog(none);
        Services::prompts().messageBox(QStringLiteral("Error"), none, MsgIcon::Error, MbOk);
        terminated_ = true;
        return;
    }
    AddLog(QStringLiteral("Com port scan complete."));
    Comsel->setCurrentIndex(0);
    ComselChange();
}

void Tprobc::ComselChange() {
    SerialLink* ComPort = link_->Port();
    if (ComPort->isOpen()) ComPort->close();
    const QString entry = Comsel->currentText();
    if (entry.size() < 4) return;
    ComPort->open(entry.at(3).digitValue(), 9600);
    ComPort->setDtr(true);
}

void Tprobc::bClearLogClick() {
    LogWin->clear();
    AddLog(QStringLiteral("Start log - ") + LogStamp(Services::clock().now()));
}

void Tprobc::bSavelogClick() {
    const QString t = LogStamp(Services::clock().now());
    AddLog(QStringLiteral("End log - ") + t);
    dSavelog.fileName = t + QStringLiteral(".log");
    dSavelog.defaultSuffix = QStringLiteral("log");
    dSavelog.filter = QStringLiteral("Log files|*.log");
    dSavelog.overwritePrompt = true;
    dSavelog.createPrompt = true;
    if (!Services::prompts().saveFile(dSavelog)) return;
    QByteArray text;
    const QStringList lines = LogLines();
    for (auto it = lines.crbegin(); it != lines.crend(); ++it)
        text += QByteArray::fromStdString(Utf8ToCp1251(it->toStdString())) + "\r\n";
    try {
        WriteWholeFile(dSavelog.fileName, text.constData(), size_t(text.size()));
    } catch (const InOutError& e) {
        // The file is written beside its place and renamed, so whichever step failed, the
        // file was not created.
        throw InOutError(e.Code, "Cannot create file \"" + dSavelog.fileName.toStdString() + "\". " + e.what());
    }
}

void Tprobc::BCloseClick() { close(); }

void Tprobc::closeEvent(QCloseEvent* event) {
    Guard([this] { FormClose(); });
    event->accept();
}

void Tprobc::FormClose() {
    if (closed_) return;
    closed_ = true;
    MainTimer->stop();
    link_->Shutdown();
    // Every wait in progress ends now, and the secondary windows go with the main one.
    SetAppQuitting(true);
    if (helpViewer_) helpViewer_->window()->close();
    if (HelpWindow) HelpWindow->reject();
    if (Scanbus) Scanbus->reject();
}

void Tprobc::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F1) {
        Guard([this] { ShowHelp(HelpContext); });
        return;
    }
    PlainForm::keyPressEvent(event);
}

void Tprobc::ShowHelp(int context) {
    if (helpFile_.isEmpty()) return;
    if (!helpViewer_) {
        // The browser sits in a window of its own, which a screen reader sees as a window.
        auto* frame = new PlainForm("HelpViewerWindow", "", this);
        frame->setWindowFlag(Qt::Window);
        frame->setWindowTitle(OstrelTitle);
        frame->resize(520, 420);
        helpViewer_ = new QTextBrowser(frame);
        helpViewer_->setObjectName(QStringLiteral("HelpViewer"));
        helpViewer_->setAccessibleName(QStringLiteral("Help"));
        auto* lay = new QVBoxLayout(frame);
        lay->setContentsMargins(0, 0, 0, 0);
        lay->addWidget(helpViewer_);
    }
    QUrl url(helpFile_);
    if (context > 0) url.setFragment(QStringLiteral("topic%1").arg(context));
    helpViewer_->setSource(url);
    helpViewer_->window()->show();
    helpViewer_->window()->raise();
}

void Tprobc::BitBtnHelpClick() {
    if (HelpWindow) HelpWindow->exec();
}

void Tprobc::bScanBusClick() {
    if (!Scanbus) return;
    const uint8_t before = link_->Address();
    Scanbus->exec();
    if (AppQuitting()) return;
    if (const int chosen = Scanbus->ChosenAddress(); chosen >= 0) {
        Addr->setCurrentIndex(chosen);
        AddrChange();
    } else {
        // Nobody answered, the chosen probe included: no probe is present, and work goes on at
        // the address the selector shows.
        Probe.Present = false;
        link_->SelectProbe(before);
    }
}
