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
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/errorguard.h"
#include "platform/services.h"
#include "platform/wait.h"

TMainConfig* MainConfig = nullptr;

namespace {
QString L1(const char* s) { return QString::fromUtf8(s); }

template <class W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton* makeButton(QWidget* parent, const char* name, const char* caption) {
    auto* b = named(new QPushButton(L1(caption), parent), name);
    b->setAccessibleName(L1(caption).trimmed());
    return b;
}

// A label in front of its control; the label's text is the control's accessible name.
QLabel* labelFor(QWidget* parent, const char* text, QWidget* control) {
    auto* l = new QLabel(L1(text), parent);
    l->setBuddy(control);
    control->setAccessibleName(l->text().trimmed());
    return l;
}

// A group box's caption is its accessible name.
QGroupBox* makeGroup(QWidget* parent, const char* title) {
    auto* g = new QGroupBox(L1(title), parent);
    g->setAccessibleName(g->title());
    return g;
}

QComboBox* makeList(QWidget* parent, const char* name, const QStringList& items) {
    auto* c = named(new QComboBox(parent), name);
    c->addItems(items);
    return c;
}

QSpinBox* makeSpin(QWidget* parent, const char* name, int lo, int hi) {
    auto* s = named(new QSpinBox(parent), name);
    s->setRange(lo, hi);
    s->setValue(lo);
    // Arrows and keys only: the count moves one step at a time.
    if (auto* edit = s->findChild<QLineEdit*>()) edit->setReadOnly(true);
    return s;
}

QTableWidget* makeGrid(QWidget* parent, const char* name, std::initializer_list<int> widths) {
    auto* g = named(new QTableWidget(2, int(widths.size()), parent), name);
    g->horizontalHeader()->hide();
    g->verticalHeader()->hide();
    g->setSelectionBehavior(QAbstractItemView::SelectRows);
    g->setSelectionMode(QAbstractItemView::SingleSelection);
    g->setEditTriggers(QAbstractItemView::NoEditTriggers);
    g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    g->setWordWrap(false);
    // The widths were laid out for the console's small dialog font (about 5 px a character):
    // scale them to the font in use so that the headers are not cut.
    const double scale = std::max(1.0, g->fontMetrics().averageCharWidth() / 5.0);
    int c = 0;
    for (int w : widths) g->setColumnWidth(c++, int(w * scale + 0.5));
    return g;
}

// No header text is cut: a column is at least as wide as its header row's cell.
void fitHeaderRow(QTableWidget* g) {
    const QFontMetrics fm = g->fontMetrics();
    for (int c = 0; c < g->columnCount(); ++c)
        if (const QTableWidgetItem* it = g->item(0, c))
            g->setColumnWidth(c, std::max(g->columnWidth(c), fm.horizontalAdvance(it->text()) + 12));
}

// A row inside a group: the field, its unit, the button that acts on it.
void unitRow(QGroupBox* group, QWidget* field, const char* unit, QWidget* button) {
    auto* row = new QHBoxLayout(group);
    row->addWidget(field);
    row->addWidget(new QLabel(QString::fromLatin1(unit), group));
    row->addWidget(button);
}

QStringList numbers(int from, int to) {
    QStringList out;
    for (int i = from; i <= to; ++i) out << QString::number(i);
    return out;
}
}  // namespace

TMainConfig::TMainConfig(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("MainConfig"));
    setWindowTitle(QStringLiteral("Vantrel config"));
    resize(940, 640);
    MainConfig = this;

    TrmCom = Services::ports().create(this);
    TrmTmr = Services::clock().createTimer(this, 1000);
    probeBus_ = new ProbeBusLink(this, {[this](const std::string& text, const char* prefix) { AddLogLine(text, prefix); },
                                        [this](int code) { ReportCode(code); },
                                        [this](const TShortFrame& frame) { HandleProbeReply(frame); },
                                        [this] { Timer3Timer(); },
                                        [this] { ProbeLinkLost(); }});
    GuardedConnect(TrmCom, &SerialLink::lineFeedReceived, this, [this] { TrmComRxFlag(); });
    // A port that goes away under us ends the exchange like a disconnect.
    GuardedConnect(TrmCom, &SerialLink::lost, this, [this] { DisconnectTerminal(); });
    GuardedConnect(TrmTmr, &ProgramTimer::timeout, this, [this] { TrmTmrTimer(); });

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

TMainConfig::~TMainConfig() {
    if (MainConfig == this) MainConfig = nullptr;
}

void TMainConfig::buildWindow() {
    auto* central = new QWidget(this);
    auto* top = new QHBoxLayout;

    auto* rs232 = named(new QGroupBox(central), "rs232panel");
    trconstat = named(new QLabel(QStringLiteral("RS232"), rs232), "trconstat");
    trconstat->setAutoFillBackground(true);
    trconstat->setAccessibleName(trconstat->text());
    TrmConnect = makeButton(rs232, "TrmConnect", "Connect ");
    TrmConnect->setCheckable(true);
    auto* l232 = new QHBoxLayout(rs232);
    l232->addWidget(trconstat);
    l232->addWidget(TrmConnect);

    auto* rs485 = named(new QGroupBox(central), "rs485panel");
    prconstat = named(new QLabel(QStringLiteral("RS485"), rs485), "prconstat");
    prconstat->setAutoFillBackground(true);
    prconstat->setAccessibleName(prconstat->text());
    ProbeConnect = makeButton(rs485, "ProbeConnect", "Connect ");
    ProbeConnect->setCheckable(true);
    auto* l485 = new QHBoxLayout(rs485);
    l485->addWidget(prconstat);
    l485->addWidget(ProbeConnect);
    setStatusColour(trconstat, false);
    setStatusColour(prconstat, false);

    top->addWidget(rs232);
    top->addWidget(rs485);
    top->addStretch();
    top->addWidget(named(new QLabel(central), "picture"));

    Tankcfg = named(new QTabWidget(central), "Tankcfg");
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

    connect(TrmConnect, &QPushButton::clicked, this, [this] { Guard([this] { TrmConnectClick(); }); });
    connect(ProbeConnect, &QPushButton::clicked, this, [this] { Guard([this] { ProbeConnectClick(); }); });
}

QWidget* TMainConfig::buildProgramOptionsPage() {
    auto* page = new QWidget;
    auto* comm = makeGroup(page, "Communication");
    Comsel = makeList(comm, "Comsel", {QStringLiteral("RS-232 on COM1"), QStringLiteral("RS-232 on COM2")});
    portsel = makeList(comm, "portsel",
                       {QStringLiteral("RS485 on COM1"), QStringLiteral("RS485 on COM2"), QStringLiteral("Via Console")});
    auto* g = new QGridLayout(comm);
    g->addWidget(labelFor(comm, "Communication type : ", Comsel), 0, 0);
    g->addWidget(Comsel, 0, 1);
    g->addWidget(labelFor(comm, "Probe network : ", portsel), 1, 0);
    g->addWidget(portsel, 1, 1);
    auto* exit = makeButton(page, "ExitProgOptions", "Exit program");
    connect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });
    auto* lay = new QVBoxLayout(page);
    lay->addWidget(comm);
    lay->addStretch();
    lay->addWidget(exit, 0, Qt::AlignRight);
    return page;
}

QWidget* TMainConfig::buildTerminalPage() {
    auto* page = new QWidget;

    auto* tanksBox = makeGroup(page, "Tank List");
    Tanks_list = makeGrid(tanksBox, "Tanks_list", {25, 116, 61, 183, 80});
    Tanks_list->setAccessibleName(tanksBox->title());
    // The status column is written but, as the grid is laid out, not shown.
    Tanks_list->setColumnHidden(4, true);
    (new QVBoxLayout(tanksBox))->addWidget(Tanks_list);
    auto* mdiBox = makeGroup(page, "MDI List");
    MDIList = makeGrid(mdiBox, "MDIList", {20, 34, 137, 8});
    MDIList->setAccessibleName(mdiBox->title());
    (new QVBoxLayout(mdiBox))->addWidget(MDIList);

    auto* Edit_t_data = makeButton(page, "Edit_t_data", "Change data for tank");
    auto* MdiCfgb = makeButton(page, "MdiCfgb", "Change data for MDI");

    auto* glob = makeGroup(page, "Global config");
    Noftanks = makeSpin(glob, "Noftanks", 1, 16);
    MdiUv = makeSpin(glob, "MdiUv", 0, 16);
    trmLang = makeList(glob, "trmLang",
                       {L1("English"), L1("Български"), L1("Русский"), L1("Turkish"), L1("Serbian")});
    trmLang->setEditable(true);
    trmLang->setInsertPolicy(QComboBox::NoInsert);
    trmLang->setCurrentIndex(0);
    metricu = named(new QRadioButton(QStringLiteral("Metric SI units"), glob), "metricu");
    usunit = named(new QRadioButton(QStringLiteral("U.S. units"), glob), "usunit");
    metricu->setAccessibleName(metricu->text());
    usunit->setAccessibleName(usunit->text());
    metricu->setChecked(true);
    dbsave = named(new QLineEdit(QStringLiteral("60"), glob), "dbsave");
    reftemp = named(new QLineEdit(QStringLiteral("15"), glob), "reftemp");
    TrmID = named(new QLineEdit(QStringLiteral("000000"), glob), "TrmID");
    TrmID->setAlignment(Qt::AlignRight);
    wtankdta = named(new QCheckBox(QStringLiteral("Global config only"), glob), "wtankdta");
    wtankdta->setAccessibleName(wtankdta->text());
    wtankdta->setChecked(true);

    auto* g = new QGridLayout(glob);
    int r = 0;
    g->addWidget(labelFor(glob, "Number of tanks :", Noftanks), r, 0);
    g->addWidget(Noftanks, r++, 1);
    g->addWidget(labelFor(glob, "MDI units :", MdiUv), r, 0);
    g->addWidget(MdiUv, r++, 1);
    g->addWidget(labelFor(glob, "Select language :", trmLang), r, 0);
    g->addWidget(trmLang, r++, 1);
    g->addWidget(metricu, r, 0);
    g->addWidget(usunit, r++, 1);
    g->addWidget(labelFor(glob, "Database save time : ", dbsave), r, 0);
    g->addWidget(dbsave, r, 1);
    g->addWidget(new QLabel(QStringLiteral("min."), glob), r++, 2);
    g->addWidget(labelFor(glob, "Referance temp. : ", reftemp), r, 0);
    g->addWidget(reftemp, r, 1);
    g->addWidget(new QLabel(L1("°C"), glob), r++, 2);
    g->addWidget(labelFor(glob, "Terminal ID :", TrmID), r, 0);
    g->addWidget(TrmID, r++, 1);
    g->addWidget(wtankdta, r++, 0, 1, 2);

    auto* send = makeButton(page, "send_t_to_console", "Send config to terminal");
    auto* get = makeButton(page, "get_t_from_console", "Get config from terminal");
    auto* save = makeButton(page, "Save_t_file", "Save config to file");
    auto* load = makeButton(page, "Load_t_from_file", "Load config from file");
    auto* exit = makeButton(page, "ExitTerminalConfig", "Exit program");

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

    connect(Noftanks, &QSpinBox::valueChanged, this, [this] { Guard([this] { set_new_NoT(); }); });
    connect(MdiUv, &QSpinBox::valueChanged, this, [this] { Guard([this] { MdiUvChange(); }); });
    connect(Tanks_list, &QTableWidget::cellClicked, this, [this](int row, int) { Guard([&] { Tanks_listClick(row); }); });
    connect(Tanks_list, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        Guard([&] {
            Tanks_listClick(row);
            Edit_t_dataClick();
        });
    });
    connect(MDIList, &QTableWidget::cellClicked, this, [this](int row, int) { Guard([&] { MDIListClick(row); }); });
    connect(MDIList, &QTableWidget::cellDoubleClicked, this, [this](int row, int) {
        Guard([&] {
            MDIListClick(row);
            MDIListDblClick(row);
        });
    });
    connect(Edit_t_data, &QPushButton::clicked, this, [this] { Guard([this] { Edit_t_dataClick(); }); });
    connect(MdiCfgb, &QPushButton::clicked, this, [this] { Guard([this] { MdiCfgbClick(); }); });
    connect(send, &QPushButton::clicked, this, [this] { Guard([this] { send_t_to_consoleClick(); }); });
    connect(get, &QPushButton::clicked, this, [this] { Guard([this] { get_t_from_consoleClick(); }); });
    connect(save, &QPushButton::clicked, this, [this] { Guard([this] { Save_t_fileClick(); }); });
    connect(load, &QPushButton::clicked, this, [this] { Guard([this] { Load_t_from_fileClick(); }); });
    connect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });
    return page;
}

QWidget* TMainConfig::buildProbePage() {
    auto* page = new QWidget;
    auto* probe = makeGroup(page, "Probe");
    SlProbe = makeList(probe, "SlProbe", numbers(0, 15));
    ChgProbe = makeButton(probe, "ChgProbe", "Use");
    ProbeCInfo = named(new QLabel(QStringLiteral("Info - Not Detected"), probe), "ProbeCInfo");
    iProben = named(new QLabel(QStringLiteral("Probe Address: 0"), probe), "iProben");
    iProbeSn = named(new QLabel(QStringLiteral("Probe SN: XXXXXXXXXXXX"), probe), "iProbeSn");
    auto* proberefresh = makeButton(probe, "proberefresh", "refresh");
    Autorefresh = named(new QCheckBox(QStringLiteral("Auto Refresh"), probe), "Autorefresh");
    Autorefresh->setAccessibleName(Autorefresh->text());
    auto* SetAddres = makeButton(probe, "SetAddres", "Set Address");
    auto* pg = new QGridLayout(probe);
    pg->addWidget(labelFor(probe, "Probe address :", SlProbe), 0, 0);
    pg->addWidget(SlProbe, 0, 1);
    pg->addWidget(ChgProbe, 0, 2);
    pg->addWidget(ProbeCInfo, 1, 0, 1, 3);
    pg->addWidget(iProben, 2, 0, 1, 2);
    pg->addWidget(SetAddres, 2, 2);
    pg->addWidget(iProbeSn, 3, 0, 1, 3);
    pg->addWidget(proberefresh, 4, 0);
    pg->addWidget(Autorefresh, 4, 1, 1, 2);

    // Value fields: each carries its caption as its accessible name.
    auto value = [](QWidget* parent, const char* name) {
        auto* l = named(new QLabel(parent), name);
        l->setMinimumWidth(70);
        return l;
    };
    auto* data = makeGroup(page, "Probe data");
    auto* sensor1 = makeGroup(data, "Sensor 1");
    vSensval1 = value(sensor1, "vSensval1");
    vSenslev1 = value(sensor1, "vSenslev1");
    Sensor2 = named(makeGroup(data, "Sensor 2"), "Sensor2");
    vSensval2 = value(Sensor2, "vSensval2");
    vSenslev2 = value(Sensor2, "vSenslev2");
    int i = 0;
    for (auto [box, raw, level] : {std::tuple{sensor1, vSensval1, vSenslev1}, std::tuple{Sensor2, vSensval2, vSenslev2}}) {
        auto* g = new QGridLayout(box);
        g->addWidget(labelFor(box, i ? "Value 2 :" : "Value 1 :", raw), 0, 0);
        g->addWidget(raw, 0, 1);
        g->addWidget(labelFor(box, i ? "Level 2 :" : "Level 1 :", level), 1, 0);
        g->addWidget(level, 1, 1);
        g->addWidget(new QLabel(QStringLiteral("mm"), box), 1, 2);
        ++i;
    }
    vTmpr = value(data, "vTmpr");
    vStatus = value(data, "vStatus");
    isLM35 = named(new QCheckBox(QStringLiteral("LM75"), data), "isLM35");
    isLM35->setAccessibleName(isLM35->text());
    auto* dg = new QGridLayout(data);
    dg->addWidget(sensor1, 0, 0, 1, 3);
    dg->addWidget(Sensor2, 1, 0, 1, 3);
    dg->addWidget(labelFor(data, "Temp [C] :", vTmpr), 2, 0);
    dg->addWidget(vTmpr, 2, 1);
    dg->addWidget(isLM35, 2, 2);
    dg->addWidget(labelFor(data, "Status :", vStatus), 3, 0);
    dg->addWidget(vStatus, 3, 1);

    auto* settings = makeGroup(page, "Probe settings");
    PrVolLevel = named(new QSpinBox(settings), "PrVolLevel");
    PrVolLevel->setRange(1, 99);
    PrVolLevel->setValue(50);
    auto* ApplyToProbe = makeButton(settings, "ApplyToProbe", "Apply");
    auto* period = makeGroup(settings, "Meshurment Period");
    vMPer = named(new QLabel(QStringLiteral(" 20"), period), "vMPer");
    vMPer->setAccessibleName(period->title());
    unitRow(period, vMPer, "mS", makeButton(period, "Change", "Change"));
    auto* use1sr = makeButton(settings, "use1sr", "use 1 sensor");
    auto* use2sr = makeButton(settings, "use2sr", "use 2 sensors");
    auto* sow = makeGroup(settings, "Speed of wire");
    PrSpdOfWire = named(new QSpinBox(sow), "PrSpdOfWire");
    PrSpdOfWire->setRange(200000, 400000);
    PrSpdOfWire->setValue(305218);
    PrSpdOfWire->setAccessibleName(sow->title());
    unitRow(sow, PrSpdOfWire, "[cm/s]", makeButton(sow, "SetSow", "Set"));
    auto* sg = new QGridLayout(settings);
    sg->addWidget(labelFor(settings, "Volume level :", PrVolLevel), 0, 0);
    sg->addWidget(PrVolLevel, 0, 1);
    sg->addWidget(ApplyToProbe, 0, 2);
    sg->addWidget(period, 1, 0, 1, 3);
    sg->addWidget(use1sr, 2, 0);
    sg->addWidget(use2sr, 2, 1);
    sg->addWidget(sow, 3, 0, 1, 3);

    PrLogwin = named(new QListWidget(page), "PrLogwin");
    PrLogwin->setFocusPolicy(Qt::NoFocus);
    PrLogwin->setSelectionMode(QAbstractItemView::SingleSelection);
    PrLogwin->setAccessibleName(QStringLiteral("Log"));
    auto* exit = makeButton(page, "ExitProbeConfig", "Exit");
    auto* row = new QHBoxLayout;
    row->addWidget(probe);
    row->addWidget(data);
    row->addWidget(settings);
    auto* lay = new QVBoxLayout(page);
    lay->addLayout(row);
    lay->addWidget(PrLogwin, 1);
    lay->addWidget(exit, 0, Qt::AlignRight);
    // A double click anywhere on the list opens the log window, also below the last line
    // or on an empty log (the view's own signal fires only on an item).
    PrLogwin->viewport()->installEventFilter(this);
    connect(exit, &QPushButton::clicked, this, [this] { Exit1Click(); });

    auto on = [this](QAbstractButton* b, void (TMainConfig::*handler)()) {
        connect(b, &QAbstractButton::clicked, this, [this, handler] { Guard([&] { (this->*handler)(); }); });
    };
    on(ChgProbe, &TMainConfig::ChgProbeClick);
    on(proberefresh, &TMainConfig::proberefreshClick);
    on(SetAddres, &TMainConfig::SetAddresClick);
    on(ApplyToProbe, &TMainConfig::ApplyToProbeClick);
    on(period->findChild<QPushButton*>(QStringLiteral("Change")), &TMainConfig::ChangeClick);
    on(use1sr, &TMainConfig::use1srClick);
    on(use2sr, &TMainConfig::use2srClick);
    on(sow->findChild<QPushButton*>(QStringLiteral("SetSow")), &TMainConfig::SetSowClick);
    connect(SlProbe, &QComboBox::currentIndexChanged, this, [this] { Guard([this] { SlProbeChange(); }); });
    return page;
}

QWidget* TMainConfig::buildOthersPage() {
    auto* page = new QWidget;
    LRMChB = makeList(page, "LRMChB", numbers(0, 15));
    LRMCBArefr = named(new QCheckBox(QStringLiteral("Auto Refresh"), page), "LRMCBArefr");
    LRMCBArefr->setAccessibleName(LRMCBArefr->text());
    LRMState = makeGrid(page, "LRMState", {40, 50, 50, 50, 50, 30, 30, 30, 30, 30});
    LRMState->setRowCount(17);
    LRMState->setAccessibleName(QStringLiteral("Leak read modules"));
    LRMLogB = named(new QListWidget(page), "LRMLogB");
    LRMLogB->setFocusPolicy(Qt::NoFocus);
    LRMLogB->setAccessibleName(QStringLiteral("Module log"));

    auto* values = new QGridLayout;
    static const char* const diNames[5] = {"LRMDi1V", "LRMDi2V", "LRMDi3V", "LRMDi4V", "LRMDi5V"};
    for (int i = 0; i < 5; ++i) {
        LRMDiV[i] = named(new QLabel(page), diNames[i]);
        values->addWidget(labelFor(page, qPrintable(QStringLiteral("DI %1 :").arg(i + 1)), LRMDiV[i]), 0, 2 * i);
        values->addWidget(LRMDiV[i], 0, 2 * i + 1);
    }
    // Relay toggles: enabled by the next module data.
    LRMR1 = makeButton(page, "LRMR1", "Set Relay 1");
    LRMR2 = makeButton(page, "LRMR2", "Set Relay 2");
    for (QPushButton* relay : {LRMR1, LRMR2}) {
        relay->setCheckable(true);
        relay->setEnabled(false);
        values->addWidget(relay, 2, relay == LRMR1 ? 0 : 2, 1, 2);
    }
    LRMTV = named(new QLabel(page), "LRMTV");
    LRMAin1VH = named(new QLabel(page), "LRMAin1VH");
    LRMAin1VD = named(new QLabel(page), "LRMAin1VD");
    values->addWidget(labelFor(page, "Temp. :", LRMTV), 1, 0);
    values->addWidget(LRMTV, 1, 1);
    values->addWidget(labelFor(page, "An.In (hex) :", LRMAin1VH), 1, 2);
    values->addWidget(LRMAin1VH, 1, 3);
    values->addWidget(labelFor(page, "An.In :", LRMAin1VD), 1, 4);
    values->addWidget(LRMAin1VD, 1, 5);

    auto* row = new QHBoxLayout;
    row->addWidget(labelFor(page, "Module address :", LRMChB));
    row->addWidget(LRMChB);
    row->addWidget(LRMCBArefr);
    row->addStretch();
    auto* lay = new QVBoxLayout(page);
    lay->addLayout(row);
    lay->addWidget(LRMState, 2);
    lay->addLayout(values);
    lay->addWidget(LRMLogB, 1);
    return page;
}

void TMainConfig::buildMenu() {
    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    for (const char* item : {"&New", "&Open...", "&Save", "Save &As...", "&Print...", "P&rint Setup..."})
        file->addAction(QString::fromLatin1(item));
    file->addSeparator();
    auto* exit = file->addAction(QStringLiteral("E&xit"));
    exit->setObjectName(QStringLiteral("Exit1"));
    connect(exit, &QAction::triggered, this, [this] { Exit1Click(); });
    auto* config = menuBar()->addMenu(QStringLiteral("Config"));
    for (const char* item : {"Probe", "Terminal", "Program"}) config->addAction(QString::fromLatin1(item));
    auto* help = menuBar()->addMenu(QStringLiteral("&Help"));
    for (const char* item : {"&Contents", "&Search for Help On...", "&How to Use Help", "&About..."})
        help->addAction(QString::fromLatin1(item));
}

void TMainConfig::setStatusColour(QLabel* status, bool connected) {
    QPalette p = status->palette();
    p.setColor(QPalette::Window, connected ? QColor(0, 255, 0) : QColor(255, 0, 0));
    status->setPalette(p);
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

    static const char* const header[10] = {"Addr", "Themp.", " An.In", " Rel.1", " Rel.2", "K1", "K2", "K3", "K4", "K5"};
    for (int c = 0; c < 10; ++c) LRMState->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(header[c])));
    for (int r = 1; r <= 16; ++r) LRMState->setItem(r, 0, new QTableWidgetItem(QStringLiteral("  %1").arg(r - 1)));
    ResetModuleView();

    CurrentTank = 1;
    Comsel->setCurrentIndex(0);
    portsel->setCurrentIndex(0);

    ConsoleConfig.TerminalId.assign("012345");
    ConsoleConfig.Language = 0;
    ConsoleConfig.DbSaveTime = 60;
    ConsoleConfig.TankCount = 1;
    ConsoleConfig.RefTemp = 15;
    ConsoleConfig.Units = 0;
    ConsoleConfig.MdiCount = 0;
    for (auto& t : ConsoleConfig.Tanks) t.InUse = 0;
    SetTankDefaults(ConsoleConfig.Tanks[0]);

    static const char* const tankHeader[5] = {"No:", " Probe ID", " Capacity [lit]", " PRODUCT", " STATUS"};
    for (int c = 0; c < 5; ++c) Tanks_list->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(tankHeader[c])));
    static const char* const mdiHeader[3] = {"No:", "Addr.", "  Name  "};
    static const char* const mdiNone[3] = {" - ", "--", "--------------"};
    for (int c = 0; c < 3; ++c) {
        MDIList->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(mdiHeader[c])));
        MDIList->setItem(1, c, new QTableWidgetItem(QString::fromLatin1(mdiNone[c])));
    }
    for (QTableWidget* g : {LRMState, Tanks_list, MDIList}) fitHeaderRow(g);
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
    if (PrLogwin && watched == PrLogwin->viewport() && e->type() == QEvent::MouseButtonDblClick)
        Guard([this] { PrLogwinClick(); });
    return QMainWindow::eventFilter(watched, e);
}

void TMainConfig::closeEvent(QCloseEvent* e) {
    // Every wait ends now, so nothing keeps the program from ending.
    SetAppQuitting(true);
    e->accept();
    QCoreApplication::exit(0);
}
