// Start-up (windows, defaults, exit) and the traffic log with its window.
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "calibration/ctblch.h"
#include "console/logform.h"
#include "console/mdicf.h"
#include "consolefixture.h"
#include "platform/wait.h"

namespace {
QString stampAt(const QDateTime& t) {
    const QLocale loc = QLocale::system();
    return loc.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           loc.toString(t.time(), QLocale::LongFormat);
}

TLineBuffer lineOf(const QByteArray& bytes) {
    TLineBuffer b{};
    b.Len = int32_t(bytes.size());
    std::memcpy(b.Data, bytes.constData(), std::size_t(b.Len));
    return b;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
}  // namespace

class StartupLogTest : public QObject {
    Q_OBJECT
private slots:
    void twelveWindowsInOrder();
    void chartLibrariesWaitForTheChart();
    void firstViewHoldsTheDefaults();
    void recordsAfterStart();
    void moduleViewPlaceholders();
    void exitFromMenuAndThreeButtons();
    void anErrorOnTheWayOutShowsTheStandardBox();
    void logLineShapeAndModuleRouting();
    void reportBoxesAndLines();
    void terminalLinesWrap();
    void logWindowCopiesAndSaves();
    void logWindowOpensOnADoubleClickAnywhereOnTheList();
    void captionsAreAccessibleNames();
};

void StartupLogTest::twelveWindowsInOrder() {
    ConsoleFixture f(false);
    struct W {
        const char *form, *cls, *caption;
    };
    const W expected[12] = {
        {"MainConfig", "TMainConfig", "Vantrel config"},
        {"tankconfig", "Ttankconfig", "Tank No 1 config"},
        {"probeconfig", "Tprobeconfig", "Probe config"},
        {"CalibrationTable", "TCalibrationTable", "Tank calibration table"},
        {"CalSoW", "TCalSoW", "Calibrate Speed of Wire"},
        {"logForm1", "TlogForm1", "Log"},
        {"AutoCalTbl", "TAutoCalTbl", "Automatic Calibration Table"},
        {"CalTChart", "TCalTChart", "Calibration Table Chart"},
        {"GenffrCt", "TGenffrCt", "Generate from formulas"},
        {"ScanfLrm", "TScanfLrm", "Scan for Leak Read Modules ..."},
        {"mdicfg", "Tmdicfg", "MDI Unit 1"},
        {"progresf", "Tprogresf", "Send Calibration Table"},
    };
    const auto& ws = f.program->windows();
    QCOMPARE(int(ws.size()), 12);
    for (int i = 0; i < 12; ++i) {
        QCOMPARE(ws[i]->objectName(), QString::fromLatin1(expected[i].form));
        QCOMPARE(QString::fromLatin1(ws[i]->metaObject()->className()), QString::fromLatin1(expected[i].cls));
        QCOMPARE(ws[i]->windowTitle(), QString::fromLatin1(expected[i].caption));
        QVERIFY(ws[i]->isWindow());
        if (i > 0) QVERIFY(!ws[i]->isVisible());
    }
    QCOMPARE(ws[0].get(), static_cast<QWidget*>(f.forms().MainConfig));
}

// Start-up creates the chart window without what it draws and prints with: the charting and
// printing libraries (and the module that brings them) come with the chart's first showing.
void StartupLogTest::chartLibrariesWaitForTheChart() {
    ConsoleFixture f(false);
    f.w->show();
    f.env.clock.settle();
    const QStringList libraries{QStringLiteral("libtankcfg-chart"), QStringLiteral("libQt6Charts"),
                                QStringLiteral("libQt6PrintSupport"), QStringLiteral("libQt6OpenGL")};
    const QString before = QString::fromLatin1(readAll(QStringLiteral("/proc/self/maps")));
    for (const QString& lib : libraries) QVERIFY2(!before.contains(lib), qPrintable(lib));
    f.forms().CalTChart->show();
    f.env.clock.settle();
    const QString after = QString::fromLatin1(readAll(QStringLiteral("/proc/self/maps")));
    for (const QString& lib : libraries) QVERIFY2(after.contains(lib), qPrintable(lib));
    QVERIFY(f.forms().CalTChart->findChild<QWidget*>(QStringLiteral("TblChart")));
}

void StartupLogTest::firstViewHoldsTheDefaults() {
    ConsoleFixture f(false);
    TMainConfig* w = f.w;
    QCOMPARE(w->Tankcfg->tabText(w->Tankcfg->currentIndex()), QStringLiteral("Probe Config"));
    QStringList tabs;
    for (int i = 0; i < w->Tankcfg->count(); ++i) tabs << w->Tankcfg->tabText(i);
    QCOMPARE(tabs, (QStringList{"Program Options", "Terminal config", "Probe Config", "Others"}));
    QCOMPARE(f.edit("TrmID")->text(), QStringLiteral("012345"));
    QCOMPARE(f.edit("dbsave")->text(), QStringLiteral("60"));
    QCOMPARE(f.edit("reftemp")->text(), QStringLiteral("15"));
    QCOMPARE(f.list("trmLang")->currentText(), QStringLiteral("English"));
    QVERIFY(f.find<QRadioButton>("metricu")->isChecked());
    QCOMPARE(f.spin("Noftanks")->value(), 1);
    QCOMPARE(f.spin("MdiUv")->value(), 0);
    QVERIFY(f.check("wtankdta")->isChecked());
    QCOMPARE(f.list("Comsel")->currentText(), QStringLiteral("RS-232 on COM1"));
    QCOMPARE(w->portsel->currentText(), QStringLiteral("RS485 on COM1"));
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 2);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 1, 1), QStringLiteral(" 01 23 45 67 89 AB"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 0, 2), QStringLiteral("  Name  "));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 0), QStringLiteral(" - "));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 1), QStringLiteral("--"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 2), QStringLiteral("--------------"));
    // Nothing open, nothing running, both links shown as down.
    const ProbeBusLink& bus = w->probeBus();
    QVERIFY(!f.link().isOpen() && !bus.isOpen());
    QVERIFY(!f.link().timerActive() && !bus.replyTimer()->isActive() && !bus.cycleTimer()->isActive());
    QCOMPARE(f.link().timeoutMs(), 1000);
    QCOMPARE(bus.replyTimer()->interval(), 300);
    QCOMPARE(bus.cycleTimer()->interval(), 500);
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect "));
    QCOMPARE(w->ProbeConnect->text(), QStringLiteral("Connect "));
    QCOMPARE(f.find<QLabel>("trconstat")->property("connected").toBool(), false);
    QCOMPARE(w->prconstat->property("connected").toBool(), false);
    // Controls carry their labels as accessible names.
    QCOMPARE(f.spin("Noftanks")->accessibleName(), QStringLiteral("Number of tanks :"));
    QCOMPARE(f.edit("reftemp")->accessibleName(), QStringLiteral("Referance temp. :"));
    QCOMPARE(QAccessible::queryAccessibleInterface(f.find("send_t_to_console"))->text(QAccessible::Name),
             QStringLiteral("Send config to terminal"));
    QVERIFY(f.env.prompts.shown.isEmpty());
}

void StartupLogTest::recordsAfterStart() {
    ConsoleFixture f(false);
    const TConsoleConfig& c = f.session().ConsoleConfig;
    QCOMPARE(QString::fromStdString(c.TerminalId.str()), QStringLiteral("012345"));
    QCOMPARE(int(c.DbSaveTime), 60);
    QCOMPARE(int(c.RefTemp), 15);
    QCOMPARE(int(c.TankCount), 1);
    QCOMPARE(int(c.MdiCount), 0);
    QCOMPARE(int(c.Tanks[0].InUse), 1);
    QCOMPARE(c.Tanks[0].Capacity, 22000.0);
    const TTankRecord zero{};
    for (int t = 1; t < 16; ++t) QVERIFY(std::memcmp(&c.Tanks[t], &zero, sizeof zero) == 0);
    const TMdiUnitRecord noUnit{};
    for (const auto& u : c.Mdi) QVERIFY(std::memcmp(&u, &noUnit, sizeof u) == 0);
    QCOMPARE(f.session().CurrentTank, uint8_t(1));
    QCOMPARE(f.session().SelectedMdi, uint8_t(0));
}

void StartupLogTest::moduleViewPlaceholders() {
    ConsoleFixture f(false);
    QTableWidget* g = f.w->LRMState;
    QCOMPARE(g->rowCount(), 17);
    QCOMPARE(g->columnCount(), 10);
    QCOMPARE(ConsoleFixture::cell(g, 0, 1), QStringLiteral("Themp."));
    QCOMPARE(ConsoleFixture::cell(g, 1, 0), QStringLiteral("  0"));
    QCOMPARE(ConsoleFixture::cell(g, 16, 0), QStringLiteral("  15"));
    QCOMPARE(ConsoleFixture::cell(g, 16, 4), QStringLiteral("  XXX"));
    QCOMPARE(ConsoleFixture::cell(g, 1, 5), QStringLiteral(" X"));
    QCOMPARE(f.find<QLabel>("LRMDi3V")->text(), QStringLiteral("x"));
    QCOMPARE(f.find<QLabel>("LRMTV")->text(), QStringLiteral(" XX"));
    QCOMPARE(f.find<QLabel>("LRMAin1VH")->text(), QStringLiteral(" XX"));
    QCOMPARE(f.find<QLabel>("LRMAin1VD")->text(), QStringLiteral(" XXX"));
    QCOMPARE(f.find<QComboBox>("SlProbe")->count(), 16);
    QCOMPARE(f.w->currentModule(), uint8_t(0));
}

void StartupLogTest::exitFromMenuAndThreeButtons() {
    for (const char* how : {"Exit1", "ExitProgOptions", "ExitTerminalConfig", "ExitProbeConfig"}) {
        ConsoleFixture f;  // with the terminal link open
        f.w->show();
        QVERIFY(f.w->isVisible());
        QVERIFY(f.link().isOpen());
        if (QByteArray(how) == "Exit1")
            f.w->findChild<QAction*>(QStringLiteral("Exit1"))->trigger();
        else
            f.click(how);
        QVERIFY2(!f.w->isVisible(), how);
        QVERIFY(AppQuitting());
        QVERIFY(f.linkClosed());
        QVERIFY(f.env.prompts.shown.isEmpty());
        // Nothing goes out once the program is ending, whoever asks.
        f.w->get_t_from_consoleClick();
        QVERIFY(f.sent().isEmpty());
    }
    // The "Others" page has no exit.
    ConsoleFixture f(false);
    QWidget* others = f.w->Tankcfg->widget(3);
    for (auto* b : others->findChildren<QAbstractButton*>()) QVERIFY(!b->text().contains(QStringLiteral("Exit")));
}

void StartupLogTest::anErrorOnTheWayOutShowsTheStandardBox() {
    // The menu item, the three buttons and the window's close box: an error while the program
    // ends (here, from whatever listens to the terminal link closing) is shown in the standard
    // box and escapes nowhere; the program ends all the same.
    for (const char* how : {"Exit1", "ExitProgOptions", "ExitTerminalConfig", "ExitProbeConfig", "close box"}) {
        ConsoleFixture f;
        f.w->show();
        QObject listener;
        QObject::connect(&f.session().terminal(), &TerminalLink::closed, &listener,
                         [] { throw AppError("Disk full"); });
        f.env.prompts.queue(PromptAnswer::ok());
        if (QByteArray(how) == "Exit1")
            f.w->findChild<QAction*>(QStringLiteral("Exit1"))->trigger();
        else if (QByteArray(how) == "close box")
            f.w->close();
        else
            f.click(how);
        QVERIFY2(!f.w->isVisible(), how);
        QVERIFY(AppQuitting());
        QVERIFY(f.linkClosed());
        QCOMPARE(f.env.prompts.shown.size(), 1);
        QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
        QCOMPARE(f.env.prompts.shown[0].text, QStringLiteral("Disk full."));
        QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::Error);
        QCOMPARE(f.env.prompts.shown[0].buttons, int(MbOk));
    }
}

void StartupLogTest::logLineShapeAndModuleRouting() {
    ConsoleFixture f(false);
    f.env.clock.advance(61000);
    const QString stamp = stampAt(f.env.clock.now());
    f.w->AddLogLine("\rA501001F13\n", LogPrefixSend);
    QCOMPARE(f.log().value(0), stamp + QStringLiteral(" /Send     > A501001F13"));
    QCOMPARE(f.w->LRMLogB->count(), 0);
    f.w->AddLogLine("\rA6220000AA\n", LogPrefixSend);
    QCOMPARE(f.w->LRMLogB->count(), 1);
    QCOMPARE(f.w->LRMLogB->text(0), stamp + QStringLiteral(" /Send     > A6220000AA"));
    f.w->AddLogLine("\r", LogPrefixInfo);
    QCOMPARE(f.log().value(0), stamp + QStringLiteral(" /Info  > "));
    f.w->AddLogLine("DSR is ON!", LogPrefixInfo);
    QCOMPARE(f.log().value(0), stamp + QStringLiteral(" /Info  > DSR is ON!"));
    QCOMPARE(f.log().size(), 4);  // newest first

    // Error lines follow the last probe-bus frame: to a module they go to both logs.
    f.env.ports.addEmptyPort(2);
    f.find<QComboBox>("portsel")->setCurrentIndex(1);
    f.click("ProbeConnect");
    f.w->SendModuleCommand(0x00, DevLeakModule, 2);
    QCOMPARE(f.w->LRMLogB->count(), 2);
    f.w->ReportCode(rcModuleCrcError);
    QCOMPARE(f.w->LRMLogB->count(), 3);
    QCOMPARE(f.w->LRMLogB->text(0), stamp + QStringLiteral(" /Error      > CRC ERROR during RECEIVE from Module !"));
    f.env.clock.advance(300);  // the module's time-out frees the line (and is logged in both)
    QCOMPARE(f.w->LRMLogB->count(), 4);
    f.w->SendProbeCommand(0x00, 1);
    f.w->ReportCode(rcModuleCrcError);
    QCOMPARE(f.w->LRMLogB->count(), 4);
    QCOMPARE(f.logLinesEndingWith(QStringLiteral("CRC ERROR during RECEIVE from Module !")), 2);
}

void StartupLogTest::reportBoxesAndLines() {
    ConsoleFixture f(false);
    int linesWhileBoxOpen = -1;
    PromptAnswer a;
    a.whileOpen = [&] { linesWhileBoxOpen = f.w->PrLogwin->count(); };
    f.env.prompts.queue(a);
    f.w->ReportCode(rcAddressSet);
    QCOMPARE(linesWhileBoxOpen, 0);  // the box waits for the user before the line is added
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Info"));
    QCOMPARE(f.env.prompts.shown[0].text, QStringLiteral("  Info : \r\r The address was\r set succesfull !"));
    QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::None);
    QVERIFY(f.log().value(0).endsWith(QStringLiteral(" /Error      > ")));

    f.env.prompts.queue(PromptAnswer::ok());
    f.env.prompts.queue(PromptAnswer::ok());
    f.w->ReportCode(rcNotConnected);
    QCOMPARE(f.env.prompts.shown[1].caption, QStringLiteral("Error"));
    QCOMPARE(f.env.prompts.shown[1].text, QStringLiteral("  ERROR No: 100 \r\r Not connected \r to RS485 Network !"));
    QVERIFY(f.log().value(0).endsWith(QStringLiteral(" /Error      > Not connected to RS485 Network! ")));
    f.w->ReportCode(rcProbeNetOpen);
    QCOMPARE(f.env.prompts.shown[2].text,
             QStringLiteral("   ERROR No: 101 \r\r Already connected to \"Probe Net\"!\r Disconnect first!"));
    for (int code : {int(rcProbeAck), 999}) {
        f.w->ReportCode(code);
        QVERIFY(f.log().value(0).endsWith(QStringLiteral(" /Error      > ")));
    }
    // Every code's log text, exactly, after the error prefix.
    struct Line {
        int code;
        const char* text;
    };
    const Line lines[] = {
        {rcGlobalSet, "Info : Global config was set succesfull !"},
        {rcTankSet, "Info : Tank config was set succesfull !"},
        {rcGlobalSetError, " ERROR No: 60 Error Set Global config !"},
        {rcTankSetError, " ERROR No: 60 Error Set Tank config !"},
        {rcProbeTimeout, "Probe Net Time out waiting for responce !"},
        {rcTerminalTimeout, "Terminal Time out waiting for responce !"},
        {rcProbeCrcError, "CRC ERROR during RECEIVE from Probe !"},
        {rcModuleCrcError, "CRC ERROR during RECEIVE from Module !"},
        {rcBadMessage, "RECEVED Message ERROR!"},
        {rcMeasureError, "Internal error during meshurment !"},
    };
    for (const Line& l : lines) {
        f.w->ReportCode(l.code);
        const QString logged = f.log().value(0);
        QVERIFY2(logged.endsWith(QStringLiteral(" /Error      > ") + QString::fromLatin1(l.text)), qPrintable(logged));
    }
    QCOMPARE(f.env.prompts.shown.size(), 3);
}

void StartupLogTest::terminalLinesWrap() {
    ConsoleFixture f(false);
    QByteArray b270;
    for (int i = 0; i < 270; ++i) b270 += char('0' + i % 10);
    f.w->LogTerminalBytes(lineOf(b270));
    QStringList l = f.log();
    QCOMPARE(l.size(), 3);
    QCOMPARE(l[2], QStringLiteral("RS232:") + QString::fromLatin1(b270.left(91)));
    QCOMPARE(l[1], QStringLiteral("#") + QString::fromLatin1(b270.mid(91, 90)));
    QCOMPARE(l[0], QStringLiteral("#") + QString::fromLatin1(b270.mid(181)));
    QCOMPARE(l[0].size(), 90);

    f.w->PrLogwin->clear();
    f.w->LogTerminalBytes(lineOf(b270.left(91)));
    QCOMPARE(f.log(), (QStringList{"#", QStringLiteral("RS232:") + QString::fromLatin1(b270.left(91))}));
    f.w->PrLogwin->clear();
    f.w->LogTerminalBytes(lineOf(b270.left(181)));
    QCOMPARE(f.log().size(), 3);
    QCOMPARE(f.log()[0], QStringLiteral("#"));
    f.w->PrLogwin->clear();
    f.w->LogTerminalBytes(lineOf(QByteArray()));
    QCOMPARE(f.log(), QStringList{"RS232:"});
    f.w->PrLogwin->clear();
    f.w->LogTerminalBytes(lineOf("\r039144\n"));
    QCOMPARE(f.log(), QStringList{"RS232:<039144>"});
}

void StartupLogTest::logWindowCopiesAndSaves() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    f.w->AddLogLine("first", LogPrefixInfo);
    f.w->AddLogLine("second", LogPrefixInfo);
    f.w->PrLogwinClick();
    QVERIFY(f.forms().logForm1->isVisible());
    QCOMPARE(f.forms().logForm1->Fullog->count(), 2);
    f.w->AddLogLine("later", LogPrefixInfo);
    QCOMPARE(f.forms().logForm1->Fullog->count(), 2);  // a copy, not a follower

    const QString path = dir.filePath(QStringLiteral("traffic.log"));
    f.env.prompts.queue(PromptAnswer::cancel());
    f.forms().logForm1->SaveLog1->click();
    QVERIFY(!QFile::exists(path));
    const FileDialogSpec& spec = f.env.prompts.shown[0].spec;
    QCOMPARE(spec.title, QStringLiteral("Save log file"));
    QCOMPARE(spec.filter, QStringLiteral("Log files|*.log"));
    QCOMPARE(spec.defaultSuffix, QStringLiteral("log"));
    QCOMPARE(spec.fileName, QStringLiteral("comlog"));
    QCOMPARE(spec.initialDir, QStringLiteral("log/"));
    QVERIFY(spec.pathMustExist);

    f.env.prompts.queue(PromptAnswer::file(path));
    f.forms().logForm1->SaveLog1->click();
    const QString expected = f.forms().logForm1->Fullog->text(0) + QStringLiteral("\r\n") +
                             f.forms().logForm1->Fullog->text(1) + QStringLiteral("\r\n");
    QCOMPARE(readAll(path), expected.toLatin1());
    QVERIFY(readAll(path).startsWith(stampAt(f.env.clock.now()).toLatin1()));
    QVERIFY(readAll(path).contains("second\r\n") && readAll(path).indexOf("second") < readAll(path).indexOf("first"));

    f.w->PrLogwinClick();  // three lines now; saving again replaces the file
    f.env.prompts.queue(PromptAnswer::file(path));
    f.forms().logForm1->SaveLog1->click();
    QCOMPARE(readAll(path).count("\r\n"), 3);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"traffic.log"});

    // The folder must exist: the dialog does not take a name in a missing one and stays open.
    const int before = int(f.env.prompts.shown.size());
    f.env.prompts.queue(PromptAnswer::file(dir.filePath(QStringLiteral("no/such/dir.log"))));
    f.env.prompts.queue(PromptAnswer::cancel());
    f.forms().logForm1->SaveLog1->click();
    QCOMPARE(f.env.prompts.shown.size(), before + 2);
    QVERIFY(f.env.prompts.shown[before].refused.contains(QStringLiteral("The folder does not exist.")));
    QCOMPARE(f.env.prompts.shown[before + 1].kind, PromptRecord::Save);
    QVERIFY(!QDir(dir.filePath(QStringLiteral("no"))).exists());
    QVERIFY(f.forms().logForm1->isVisible());

    f.forms().logForm1->Button1->click();
    QVERIFY(!f.forms().logForm1->isVisible());
}

void StartupLogTest::logWindowOpensOnADoubleClickAnywhereOnTheList() {
    ConsoleFixture f(false);
    f.w->resize(900, 700);
    f.w->Tankcfg->setCurrentIndex(2);
    f.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(f.w));
    QWidget* area = f.w->PrLogwin->viewport();
    // An empty log: a double click on the list still opens the (empty) log window.
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, area->height() - 5));
    QVERIFY(f.forms().logForm1->isVisible());
    QCOMPARE(f.forms().logForm1->Fullog->count(), 0);
    f.forms().logForm1->hide();
    // Below the last line too, and the copy is taken then.
    f.w->AddLogLine("one", LogPrefixInfo);
    QTest::mouseDClick(area, Qt::LeftButton, {}, QPoint(10, area->height() - 5));
    QVERIFY(f.forms().logForm1->isVisible());
    QCOMPARE(f.forms().logForm1->Fullog->count(), 1);
}

void StartupLogTest::captionsAreAccessibleNames() {
    ConsoleFixture f(false);
    QCOMPARE(f.find<QLabel>("trconstat")->accessibleName(), QStringLiteral("RS232: disconnected"));
    QCOMPARE(f.w->prconstat->accessibleName(), QStringLiteral("RS485: disconnected"));
    QStringList groups;
    for (QWidget* win : {static_cast<QWidget*>(f.w), static_cast<QWidget*>(f.forms().mdicfg)})
        for (auto* g : win->findChildren<QGroupBox*>())
            if (!g->title().isEmpty()) {
                QCOMPARE(g->accessibleName(), g->title());
                groups << g->title();
            }
    groups.sort();
    QCOMPARE(groups, (QStringList{"Change Address", "Communication", "Global config", "Leak Read Module", "MDI List",
                                  "MDI unit name", "Meshurment Period", "Probe", "Probe data", "Probe settings",
                                  "Sensor 1", "Sensor 2", "Speed of wire", "Tank List"}));
}

TANKCFG_TEST_MAIN(StartupLogTest)
#include "tst_startup_log.moc"
