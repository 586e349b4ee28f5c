// The main window as a whole: its pages and components, the start-up defaults and the exit.
#include "console/maincfg.h"

#include <algorithm>
#include <tuple>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include "platform/loglist.h"
#include <QMenuBar>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "console/consolesession.h"
#include "console/terminallink.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"
#include "platform/services.h"
#include "platform/wait.h"

namespace {
QString L1(const char* s) { return QString::fromUtf8(s); }
using FormKit::Named;
using FormKit::Numbers;

// A button's click runs its handler inside the error guard.
void OnClick(TMainConfig* w, QAbstractButton* b, void (TMainConfig::*handler)()) {
    GuardedConnect(b, &QAbstractButton::clicked, w, [w, handler] { (w->*handler)(); });
}

// A row inside a group: the field, its unit, the button that acts on it.
void unitRow(QGroupBox* group, QWidget* field, const char* unit, QWidget* button) {
    auto* row = new QHBoxLayout(group);
    row->addWidget(field);
    row->addWidget(new QLabel(QString::fromLatin1(unit), group));
    row->addWidget(button);
}
}  // namespace

TMainConfig::TMainConfig(ConsoleSession& session, QWidget* parent) : QMainWindow(parent), session_(session) {
    setObjectName(QStringLiteral("MainConfig"));
    setWindowTitle(QStringLiteral("Vantrel config"));
    resize(940, 640);

    probeBus_ = new ProbeBusLink(
        this, {[this](const std::string& text, const char* prefix) { AddLogLine(text, prefix); },
               [this](int code) { ReportCode(code); }, [this](const TShortFrame& frame) { HandleProbeReply(frame); },
               [this] { Timer3Timer(); }, [this] { ProbeLinkLost(); }});
    TerminalLink* trm = &session_.terminal();
    GuardedConnect(trm, &TerminalLink::lineLogged, this, [this](const TLineBuffer& line) { LogTerminalBytes(line); });
    GuardedConnect(trm, &TerminalLink::timedOut, this, [this] { ReportCode(rcTerminalTimeout); });
    GuardedConnect(trm, &TerminalLink::closed, this, [this] { ShowTerminalClosed(); });
    GuardedConnect(trm, &TerminalLink::portLost, this,
                   [this](const QString& text) { AddLogLine(text.toStdString(), LogPrefixError); });
    GuardedConnect(&session_, &ConsoleSession::configChanged, this, [this] { ShowConsoleConfig(); });
    GuardedConnect(&session_, &ConsoleSession::acknowledged, this,
                   [this](uint8_t code, bool ok) { ReportAcknowledgement(code, ok); });

    Openfile.fileName = QStringLiteral("name");
    Openfile.defaultSuffix = QStringLiteral("dat");
    Openfile.filter = QStringLiteral("*.dat files|*.dat");
    Openfile.fileMustExist = true;
    Openfile.pathMustExist = true;
    Savefile.fileName = QStringLiteral("noname");
    Savefile.defaultSuffix = QStringLiteral("dat");
    Savefile.filter = QStringLiteral("*.dat files|*.dat");
    Savefile.pathMustExist = true;
    Savefile.overwritePrompt = true;
    Savefile.createPrompt = true;

    buildWindow();
    Guard([this] { load_default_parms(); });
}

TMainConfig::~TMainConfig() = default;

void TMainConfig::AttachWindows(Ttankconfig* tank, Tprobeconfig* probeScan, TCalSoW* sow, TlogForm1* log,
                                TScanfLrm* moduleScan, Tmdicfg* mdi) {
    tankconfig = tank;
    probeconfig = probeScan;
    CalSoW = sow;
    logForm1 = log;
    ScanfLrm = moduleScan;
    mdicfg = mdi;
}

void TMainConfig::buildWindow() {
    auto* central = new QWidget(this);
    auto* top = new QHBoxLayout;

    // The two panels look alike and both buttons read "Connect": each panel is named by its
    // link, and each button is described by it and labelled by its link's state text.
    auto* rs232 = Named(new QGroupBox(central), "rs232panel", L1("RS232 terminal link"));
    trconstat = Named(new QLabel(QStringLiteral("RS232"), rs232), "trconstat");
    FormKit::Plate(trconstat);
    trconstat->setAccessibleName(trconstat->text());
    TrmConnect = FormKit::Button(rs232, "TrmConnect", L1("Connect "));
    TrmConnect->setCheckable(true);
    TrmConnect->setAccessibleDescription(rs232->accessibleName());
    trconstat->setBuddy(TrmConnect);
    auto* l232 = new QHBoxLayout(rs232);
    l232->addWidget(trconstat);
    l232->addWidget(TrmConnect);

    auto* rs485 = Named(new QGroupBox(central), "rs485panel", L1("RS485 probe bus"));
    prconstat = Named(new QLabel(QStringLiteral("RS485"), rs485), "prconstat");
    FormKit::Plate(prconstat);
    prconstat->setAccessibleName(prconstat->text());
    ProbeConnect = FormKit::Button(rs485, "ProbeConnect", L1("Connect "));
    ProbeConnect->setCheckable(true);
    ProbeConnect->setAccessibleDescription(rs485->accessibleName());
    prconstat->setBuddy(ProbeConnect);
    auto* l485 = new QHBoxLayout(rs485);
    l485->addWidget(prconstat);
    l485->addWidget(ProbeConnect);
    setStatusColour(trconstat, false);
    setStatusColour(prconstat, false);

    top->addWidget(rs232);
    top->addWidget(rs485);
    top->addStretch();

    Tankcfg = Named(new TTabWidget(central), "Tankcfg");
    Tankcfg->setDocumentMode(true);
    Tankcfg->addTab(buildProgramOptionsPage(), QStringLiteral("Program Options"));
    Tankcfg->addTab(buildTerminalPage(), QStringLiteral("Terminal config"));
    Tankcfg->addTab(buildProbePage(), QStringLiteral("Probe Config"));
    Tankcfg->addTab(buildOthersPage(), QStringLiteral("Others"));
    Tankcfg->setCurrentIndex(2);

    auto* lay = new QVBoxLayout(central);
    lay->addLayout(top);
    lay->addWidget(Tankcfg);
    setCentralWidget(central);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    buildMenu();
    FormKit::TabInReadingOrder(this);

    GuardedConnect(TrmConnect, &QPushButton::clicked, this, [this] { TrmConnectClick(); });
    // toggled: a click, the keyboard and the accessibility action all raise it.
    GuardedConnect(ProbeConnect, &QPushButton::toggled, this, [this] { ProbeConnectClick(); });
}

QWidget* TMainConfig::buildProgramOptionsPage() {
    auto* page = new QWidget;
    auto* comm = FormKit::Group(page, L1("Communication"));
    Comsel = FormKit::List(comm, "Comsel", {QStringLiteral("RS-232 on COM1"), QStringLiteral("RS-232 on COM2")});
    portsel = FormKit::List(
        comm, "portsel",
        {QStringLiteral("RS485 on COM1"), QStringLiteral("RS485 on COM2"), QStringLiteral("Via Console")});
    auto* g = new QGridLayout(comm);
    g->addWidget(FormKit::LabelFor(comm, L1("Communication type : "), Comsel), 0, 0);
    g->addWidget(Comsel, 0, 1);
    g->addWidget(FormKit::LabelFor(comm, L1("Probe network : "), portsel), 1, 0);
    g->addWidget(portsel, 1, 1);
    auto* exit = FormKit::Button(page, "ExitProgOptions", L1("Exit program"));
    GuardedConnect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(comm);
    lay->addStretch();
    lay->addWidget(exit, 0, Qt::AlignRight);
    return page;
}

QWidget* TMainConfig::buildTerminalPage() {
    auto* page = new QWidget;

    auto* tanksBox = FormKit::Group(page, L1("Tank List"));
    TGrid* tanks = FormKit::Grid(tanksBox, "Tanks_list", {25, 116, 61, 183, 80});
    Tanks_list = tanks;
    Tanks_list->setAccessibleName(tanksBox->title());
    // The status column is written but, as the grid is laid out, not shown.
    Tanks_list->setColumnHidden(4, true);
    (new QVBoxLayout(tanksBox))->addWidget(Tanks_list);
    auto* mdiBox = FormKit::Group(page, L1("MDI List"));
    TGrid* mdis = FormKit::Grid(mdiBox, "MDIList", {20, 34, 137, 8});
    MDIList = mdis;
    MDIList->setAccessibleName(mdiBox->title());
    (new QVBoxLayout(mdiBox))->addWidget(MDIList);

    auto* Edit_t_data = FormKit::Button(page, "Edit_t_data", L1("Change data for tank"));
    auto* MdiCfgb = FormKit::Button(page, "MdiCfgb", L1("Change data for MDI"));

    auto* glob = FormKit::Group(page, L1("Global config"));
    Noftanks = FormKit::ArrowSpin(glob, "Noftanks", 1, 16);
    MdiUv = FormKit::ArrowSpin(glob, "MdiUv", 0, 16);
    trmLang =
        FormKit::List(glob, "trmLang", {L1("English"), L1("Български"), L1("Русский"), L1("Turkish"), L1("Serbian")});
    trmLang->setEditable(true);
    trmLang->setInsertPolicy(QComboBox::NoInsert);
    trmLang->setCurrentIndex(0);
    metricu = Named(new QRadioButton(QStringLiteral("Metric SI units"), glob), "metricu");
    usunit = Named(new QRadioButton(QStringLiteral("U.S. units"), glob), "usunit");
    metricu->setAccessibleName(metricu->text());
    usunit->setAccessibleName(usunit->text());
    metricu->setChecked(true);
    dbsave = Named(new QLineEdit(QStringLiteral("60"), glob), "dbsave");
    reftemp = Named(new QLineEdit(QStringLiteral("15"), glob), "reftemp");
    TrmID = Named(new QLineEdit(QStringLiteral("000000"), glob), "TrmID");
    TrmID->setAlignment(Qt::AlignRight);
    wtankdta = Named(new QCheckBox(QStringLiteral("Global config only"), glob), "wtankdta");
    wtankdta->setAccessibleName(wtankdta->text());
    wtankdta->setChecked(true);

    auto* g = new QGridLayout(glob);
    int r = 0;
    g->addWidget(FormKit::LabelFor(glob, L1("Number of tanks :"), Noftanks), r, 0);
    g->addWidget(Noftanks, r++, 1);
    g->addWidget(FormKit::LabelFor(glob, L1("MDI units :"), MdiUv), r, 0);
    g->addWidget(MdiUv, r++, 1);
    g->addWidget(FormKit::LabelFor(glob, L1("Select language :"), trmLang), r, 0);
    g->addWidget(trmLang, r++, 1);
    g->addWidget(metricu, r, 0);
    g->addWidget(usunit, r++, 1);
    g->addWidget(FormKit::LabelFor(glob, L1("Database save time : "), dbsave), r, 0);
    g->addWidget(dbsave, r, 1);
    g->addWidget(new QLabel(QStringLiteral("min."), glob), r++, 2);
    g->addWidget(FormKit::LabelFor(glob, L1("Referance temp. : "), reftemp), r, 0);
    g->addWidget(reftemp, r, 1);
    g->addWidget(new QLabel(L1("°C"), glob), r++, 2);
    g->addWidget(FormKit::LabelFor(glob, L1("Terminal ID :"), TrmID), r, 0);
    g->addWidget(TrmID, r++, 1);
    g->addWidget(wtankdta, r++, 0, 1, 2);

    auto* send = FormKit::Button(page, "send_t_to_console", L1("Send config to terminal"));
    auto* get = FormKit::Button(page, "get_t_from_console", L1("Get config from terminal"));
    auto* save = FormKit::Button(page, "Save_t_file", L1("Save config to file"));
    auto* load = FormKit::Button(page, "Load_t_from_file", L1("Load config from file"));
    auto* exit = FormKit::Button(page, "ExitTerminalConfig", L1("Exit program"));

    auto* lists = new QVBoxLayout;
    lists->addWidget(tanksBox);
    lists->addWidget(Edit_t_data);
    lists->addWidget(mdiBox);
    lists->addWidget(MdiCfgb);
    auto* right = new QVBoxLayout;
    right->addWidget(glob);
    for (auto* b : {send, get, save, load}) right->addWidget(b);
    right->addStretch();
    right->addWidget(exit);
    auto* lay = new QHBoxLayout(page);
    lay->addLayout(lists, 3);
    lay->addLayout(right, 2);

    GuardedConnect(Noftanks, &QSpinBox::valueChanged, this, [this] { set_new_NoT(); });
    GuardedConnect(MdiUv, &QSpinBox::valueChanged, this, [this] { MdiUvChange(); });
    // A row chosen by keyboard acts as a click on it.
    GuardedConnect(tanks, &TGrid::rowChosen, this, [this](int row) { Tanks_listClick(row); });
    GuardedConnect(mdis, &TGrid::rowChosen, this, [this](int row) { MDIListClick(row); });
    // A double click anywhere on a grid acts, also below its last row (eventFilter).
    Tanks_list->viewport()->installEventFilter(this);
    MDIList->viewport()->installEventFilter(this);
    GuardedConnect(Edit_t_data, &QPushButton::clicked, this, [this] { Edit_t_dataClick(); });
    GuardedConnect(MdiCfgb, &QPushButton::clicked, this, [this] { MdiCfgbClick(); });
    GuardedConnect(send, &QPushButton::clicked, this, [this] { send_t_to_consoleClick(); });
    GuardedConnect(get, &QPushButton::clicked, this, [this] { get_t_from_consoleClick(); });
    GuardedConnect(save, &QPushButton::clicked, this, [this] { Save_t_fileClick(); });
    GuardedConnect(load, &QPushButton::clicked, this, [this] { Load_t_from_fileClick(); });
    GuardedConnect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });
    return page;
}

QWidget* TMainConfig::buildProbePage() {
    auto* page = new QWidget;
    auto* probe = FormKit::Group(page, L1("Probe"));
    SlProbe = FormKit::List(probe, "SlProbe", Numbers(0, 15));
    ChgProbe = FormKit::Button(probe, "ChgProbe", L1("Use"));
    ProbeCInfo = Named(new QLabel(QStringLiteral("Info - Not Detected"), probe), "ProbeCInfo");
    iProben = Named(new QLabel(QStringLiteral("Probe Address: 0"), probe), "iProben");
    iProbeSn = Named(new QLabel(QStringLiteral("Probe SN: XXXXXXXXXXXX"), probe), "iProbeSn");
    auto* proberefresh = FormKit::Button(probe, "proberefresh", L1("refresh"));
    Autorefresh = Named(new QCheckBox(QStringLiteral("Auto Refresh"), probe), "Autorefresh");
    Autorefresh->setAccessibleName(Autorefresh->text());
    auto* SetAddres = FormKit::Button(probe, "SetAddres", L1("Set Address"));
    auto* ProbeScan = FormKit::Button(probe, "ProbeScan", L1("Scan ..."));
    auto* pg = new QGridLayout(probe);
    pg->addWidget(FormKit::LabelFor(probe, L1("Probe address :"), SlProbe), 0, 0);
    pg->addWidget(SlProbe, 0, 1);
    pg->addWidget(ChgProbe, 0, 2);
    pg->addWidget(ProbeCInfo, 1, 0, 1, 3);
    pg->addWidget(iProben, 2, 0, 1, 2);
    pg->addWidget(SetAddres, 2, 2);
    pg->addWidget(iProbeSn, 3, 0, 1, 3);
    pg->addWidget(proberefresh, 4, 0);
    pg->addWidget(Autorefresh, 4, 1, 1, 2);
    pg->addWidget(ProbeScan, 5, 0);

    // Value fields: each is read with its caption.
    auto value = [](QWidget* parent, const char* name) {
        auto* l = FormKit::ValueText(parent, name, {}, {});
        l->setMinimumWidth(70);
        return l;
    };
    auto* data = FormKit::Group(page, L1("Probe data"));
    auto* sensor1 = FormKit::Group(data, L1("Sensor 1"));
    vSensval1 = value(sensor1, "vSensval1");
    vSenslev1 = value(sensor1, "vSenslev1");
    Sensor2 = Named(FormKit::Group(data, L1("Sensor 2")), "Sensor2");
    vSensval2 = value(Sensor2, "vSensval2");
    vSenslev2 = value(Sensor2, "vSenslev2");
    int i = 0;
    for (auto [box, raw, level] :
         {std::tuple{sensor1, vSensval1, vSenslev1}, std::tuple{Sensor2, vSensval2, vSenslev2}}) {
        auto* g = new QGridLayout(box);
        g->addWidget(FormKit::LabelFor(box, L1(i ? "Value 2 :" : "Value 1 :"), raw), 0, 0);
        g->addWidget(raw, 0, 1);
        g->addWidget(FormKit::LabelFor(box, L1(i ? "Level 2 :" : "Level 1 :"), level), 1, 0);
        g->addWidget(level, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("mm"), box), 1, 2);
        ++i;
    }
    vTmpr = value(data, "vTmpr");
    vStatus = value(data, "vStatus");
    isLM35 = Named(new QCheckBox(QStringLiteral("LM75"), data), "isLM35");
    isLM35->setAccessibleName(isLM35->text());
    auto* dg = new QGridLayout(data);
    dg->addWidget(sensor1, 0, 0, 1, 3);
    dg->addWidget(Sensor2, 1, 0, 1, 3);
    dg->addWidget(FormKit::LabelFor(data, L1("Temp [C] :"), vTmpr), 2, 0);
    dg->addWidget(vTmpr, 2, 1);
    dg->addWidget(isLM35, 2, 2);
    dg->addWidget(FormKit::LabelFor(data, L1("Status :"), vStatus), 3, 0);
    dg->addWidget(vStatus, 3, 1);

    auto* settings = FormKit::Group(page, L1("Probe settings"));
    PrVolLevel = FormKit::Spin(settings, "PrVolLevel", 1, 99, 50);
    auto* ApplyToProbe = FormKit::Button(settings, "ApplyToProbe", L1("Apply"));
    auto* period = FormKit::Group(settings, L1("Meshurment Period"));
    vMPer = FormKit::ValueText(period, "vMPer", QStringLiteral(" 20"), period->title());
    unitRow(period, vMPer, "mS", FormKit::Button(period, "Change", L1("Change")));
    auto* use1sr = FormKit::Button(settings, "use1sr", L1("use 1 sensor"));
    auto* use2sr = FormKit::Button(settings, "use2sr", L1("use 2 sensors"));
    auto* sow = FormKit::Group(settings, L1("Speed of wire"));
    PrSpdOfWire = FormKit::Spin(sow, "PrSpdOfWire", 200000, 400000, 305218);
    PrSpdOfWire->setAccessibleName(sow->title());
    auto* SetSow = FormKit::Button(sow, "SetSow", L1("Set"));
    unitRow(sow, PrSpdOfWire, "[cm/s]", SetSow);
    auto* CalibrateSow = FormKit::Button(sow, "CalibrateSow", L1("Calibrate"));
    sow->layout()->addWidget(CalibrateSow);
    auto* sg = new QGridLayout(settings);
    sg->addWidget(FormKit::LabelFor(settings, L1("Volume level :"), PrVolLevel), 0, 0);
    sg->addWidget(PrVolLevel, 0, 1);
    sg->addWidget(ApplyToProbe, 0, 2);
    sg->addWidget(period, 1, 0, 1, 3);
    sg->addWidget(use1sr, 2, 0);
    sg->addWidget(use2sr, 2, 1);
    sg->addWidget(sow, 3, 0, 1, 3);

    PrLogwin = FormKit::LogList(page, "PrLogwin", QStringLiteral("Log"));
    auto* exit = FormKit::Button(page, "ExitProbeConfig", L1("Exit"));
    auto* row = new QHBoxLayout;
    row->addWidget(probe);
    row->addWidget(data);
    row->addWidget(settings);
    auto* lay = new QVBoxLayout(page);
    lay->addLayout(row);
    lay->addWidget(PrLogwin, 1);
    lay->addWidget(exit, 0, Qt::AlignRight);
    // A double click anywhere on the list opens the log window, also below the last line
    // or on an empty log (the view's own signal fires only on an item); so does Enter.
    PrLogwin->viewport()->installEventFilter(this);
    PrLogwin->installEventFilter(this);
    GuardedConnect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });

    auto on = [this](QAbstractButton* b, void (TMainConfig::*handler)()) { OnClick(this, b, handler); };
    on(ChgProbe, &TMainConfig::ChgProbeClick);
    on(proberefresh, &TMainConfig::proberefreshClick);
    on(SetAddres, &TMainConfig::SetAddresClick);
    on(ApplyToProbe, &TMainConfig::ApplyToProbeClick);
    on(period->findChild<QPushButton*>(QStringLiteral("Change")), &TMainConfig::ChangeClick);
    on(use1sr, &TMainConfig::use1srClick);
    on(use2sr, &TMainConfig::use2srClick);
    on(SetSow, &TMainConfig::SetSowClick);
    on(ProbeScan, &TMainConfig::ProbeScanClick);
    on(CalibrateSow, &TMainConfig::CalibrateSowClick);
    GuardedConnect(SlProbe, &QComboBox::currentIndexChanged, this, [this] { SlProbeChange(); });
    return page;
}

QWidget* TMainConfig::buildOthersPage() {
    auto* page = new QWidget;
    auto* lrm = FormKit::Group(page, L1("Leak Read Module"));
    LRMState = FormKit::Grid(lrm, "LRMState", {40, 50, 50, 50, 50, 30, 30, 30, 30, 30});
    LRMState->setRowCount(17);
    LRMState->setAccessibleName(QStringLiteral("Leak read modules"));
    LRMLogB = FormKit::LogList(page, "LRMLogB", QStringLiteral("Module log"));

    auto* values = new QGridLayout;
    static const char* const diNames[5] = {"LRMDi1V", "LRMDi2V", "LRMDi3V", "LRMDi4V", "LRMDi5V"};
    for (int i = 0; i < 5; ++i) {
        LRMDiV[i] = FormKit::ValueText(lrm, diNames[i], {}, {});
        values->addWidget(FormKit::LabelFor(lrm, QStringLiteral("Digital In No %1 :").arg(i + 1), LRMDiV[i]), i, 0);
        values->addWidget(LRMDiV[i], i, 1);
    }
    LRMTV = FormKit::ValueText(lrm, "LRMTV", {}, {});
    LRMAin1VD = FormKit::ValueText(lrm, "LRMAin1VD", {}, {});
    LRMAin1VH = FormKit::ValueText(lrm, "LRMAin1VH", {}, {});
    values->addWidget(FormKit::LabelFor(lrm, L1("Themperature"), LRMTV), 0, 2);
    values->addWidget(LRMTV, 0, 3);
    values->addWidget(FormKit::LabelFor(lrm, L1("In DEC"), LRMAin1VD), 1, 2);
    values->addWidget(LRMAin1VD, 1, 3);
    values->addWidget(FormKit::LabelFor(lrm, L1("In HEX"), LRMAin1VH), 2, 2);
    values->addWidget(LRMAin1VH, 2, 3);
    // Relay toggles: enabled by the next module data.
    LRMR1 = FormKit::Button(lrm, "LRMR1", L1("Set Relay 1"));
    LRMR2 = FormKit::Button(lrm, "LRMR2", L1("Set Relay 2"));
    for (QPushButton* relay : {LRMR1, LRMR2}) {
        relay->setCheckable(true);
        relay->setEnabled(false);
        values->addWidget(relay, relay == LRMR1 ? 3 : 4, 2, 1, 2);
    }

    auto* change = FormKit::Group(lrm, L1("Change Address"));
    LRMChB = FormKit::List(change, "LRMChB", Numbers(0, 15));
    LRMChB->setAccessibleName(change->title());
    auto* LRMBuse = FormKit::Button(change, "LRMBuse", L1("Use"));
    auto* cl = new QHBoxLayout(change);
    cl->addWidget(LRMChB);
    cl->addWidget(LRMBuse);
    auto* LRMBRefr = FormKit::Button(lrm, "LRMBRefr", L1("Refresh"));
    LRMCBArefr = Named(new QCheckBox(QStringLiteral("Auto Refresh"), lrm), "LRMCBArefr");
    LRMCBArefr->setAccessibleName(LRMCBArefr->text());
    auto* LRMBscan = FormKit::Button(lrm, "LRMBscan", L1("Scan ..."));
    auto* actions = new QVBoxLayout;
    actions->addWidget(change);
    actions->addWidget(LRMBRefr);
    actions->addWidget(LRMCBArefr);
    actions->addWidget(LRMBscan);
    actions->addStretch();

    // All sixteen module rows stay in view, the readings and the actions beside them; the
    // module log takes the height that is left.
    auto* side = new QVBoxLayout;
    side->addLayout(values);
    side->addLayout(actions);
    auto* gl = new QHBoxLayout(lrm);
    gl->addWidget(LRMState, 0, Qt::AlignTop);
    gl->addLayout(side, 1);
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(lrm);
    lay->addWidget(LRMLogB, 1);

    auto on = [this](QAbstractButton* b, void (TMainConfig::*handler)()) { OnClick(this, b, handler); };
    on(LRMBuse, &TMainConfig::LRMBuseClick);
    on(LRMBRefr, &TMainConfig::LRMBRefrClick);
    on(LRMBscan, &TMainConfig::LRMBscanClick);
    // A relay button acts on its toggle, which a click and an accessibility tool's toggle
    // action both give; the module data sets the buttons without it.
    GuardedConnect(LRMR1, &QAbstractButton::toggled, this, [this] { LRMR1Click(); });
    GuardedConnect(LRMR2, &QAbstractButton::toggled, this, [this] { LRMR2Click(); });
    return page;
}

void TMainConfig::buildMenu() {
    // Only the items that do something: the others of the design have no behaviour.
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setAccessibleName(FormKit::WithoutMnemonic(file->title()));
    auto* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("Exit1"));
    GuardedConnect(exit, &QAction::triggered, this, [this] { Exit1Click(); });
}

void TMainConfig::setStatusColour(QLabel* status, bool connected) {
    FormKit::ShowConnectionState(status, connected);
    status->setProperty("connected", connected);
}

void TMainConfig::load_default_parms() {
    CurrentProbe = 0;
    ProbeScanning = false;
    SowCalibrating = false;
    SowSendPending = false;

    for (QComboBox* c : {SlProbe, LRMChB}) {
        const QSignalBlocker quiet(c);
        c->setCurrentIndex(0);
    }
    CurrentModule = uint8_t(LRMChB->currentIndex());

    static const char* const header[10] = {"Addr", "Themp.", " An.In", " Rel.1", " Rel.2",
                                           "K1",   "K2",     "K3",     "K4",     "K5"};
    for (int c = 0; c < 10; ++c) LRMState->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(header[c])));
    for (int r = 1; r <= 16; ++r) LRMState->setItem(r, 0, new QTableWidgetItem(QStringLiteral("  %1").arg(r - 1)));
    ResetModuleView();

    session_.CurrentTank = 1;
    Comsel->setCurrentIndex(0);
    portsel->setCurrentIndex(0);

    session_.ConsoleConfig.TerminalId.assign("012345");
    session_.ConsoleConfig.Language = 0;
    session_.ConsoleConfig.DbSaveTime = 60;
    session_.ConsoleConfig.TankCount = 1;
    session_.ConsoleConfig.RefTemp = 15;
    session_.ConsoleConfig.Units = 0;
    session_.ConsoleConfig.MdiCount = 0;
    for (auto& t : session_.ConsoleConfig.Tanks) t.InUse = 0;
    SetTankDefaults(session_.ConsoleConfig.Tanks[0]);

    static const char* const tankHeader[5] = {"No:", " Probe ID", " Capacity [lit]", " PRODUCT", " STATUS"};
    for (int c = 0; c < 5; ++c) Tanks_list->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(tankHeader[c])));
    static const char* const mdiHeader[3] = {"No:", "Addr.", "  Name  "};
    static const char* const mdiNone[3] = {" - ", "--", "--------------"};
    for (int c = 0; c < 3; ++c) {
        MDIList->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(mdiHeader[c])));
        MDIList->setItem(1, c, new QTableWidgetItem(QString::fromLatin1(mdiNone[c])));
    }
    for (QTableWidget* g : {LRMState, Tanks_list, MDIList}) FormKit::FitHeaderRow(g);
    FormKit::ShowAllRows(LRMState);
    ShowConsoleConfig();
}

void TMainConfig::ResetModuleView() {
    for (int r = 1; r <= 16; ++r)
        for (int c = 1; c <= 9; ++c)
            LRMState->setItem(r, c, new QTableWidgetItem(c <= 4 ? QStringLiteral("  XXX") : QStringLiteral(" X")));
    for (QLabel* l : LRMDiV) l->setText(QStringLiteral("x"));
    LRMTV->setText(QStringLiteral(" XX"));
    LRMAin1VH->setText(QStringLiteral(" XX"));
    LRMAin1VD->setText(QStringLiteral(" XXX"));
}

void TMainConfig::Exit1Click() { close(); }

bool TMainConfig::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && PrLogwin && watched == PrLogwin) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Guard([this] { PrLogwinClick(); });
            return true;
        }
    }
    if (e->type() == QEvent::MouseButtonDblClick) {
        if (PrLogwin && watched == PrLogwin->viewport()) Guard([this] { PrLogwinClick(); });
        for (QTableWidget* grid : {Tanks_list, MDIList}) {
            if (!grid || watched != grid->viewport()) continue;
            // Below the rows no row is hit: the earlier selection stands.
            const int row = grid->rowAt(static_cast<QMouseEvent*>(e)->position().toPoint().y());
            Guard([&] {
                if (grid == Tanks_list) {
                    Tanks_listClick(row);
                    Edit_t_dataClick();
                } else {
                    MDIListClick(row);
                    MDIListDblClick(row);
                }
            });
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void TMainConfig::closeEvent(QCloseEvent* e) {
    // Every wait ends now, so nothing keeps the program from ending; an operation that was
    // under way sends nothing more. An error on the way out is shown, and the program ends.
    SetAppQuitting(true);
    Guard([this] { session_.terminal().shutDown(); });
    e->accept();
    QCoreApplication::exit(0);
}
