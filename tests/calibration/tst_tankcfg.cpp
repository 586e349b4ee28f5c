// The tank settings window on the simulated tank console, on virtual time.
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>

#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "tests/console/consolefixture.h"

namespace {
struct TankWindow {
    ConsoleFixture f;
    Ttankconfig* t = f.forms().tankconfig;

    explicit TankWindow(int tanks = 1, bool connect = true) : f(connect) {
        f.find<QSpinBox>("Noftanks")->setValue(tanks);
        f.env.prompts.acceptAny(false);
        f.env.prompts.clear();
    }
    // Opened as the main window's "Change data for tank" does, without its terminal exchange.
    void open(int tank) {
        f.session().CurrentTank = uint8_t(tank);
        t->TankNo = uint8_t(tank);
        t->show();
        f.env.clock.settle();  // the window's activation comes through the event queue
    }
    QLineEdit* edit(const char* name) const { return child<QLineEdit>(name); }
    QString text(const char* name) const { return edit(name)->text(); }
    void type(const char* name, const QString& s) const { edit(name)->setText(s); }
    template <class T = QPushButton>
    T* child(const char* name) const {
        T* c = t->findChild<T*>(QString::fromLatin1(name));
        if (!c) qFatal("no control %s", name);
        return c;
    }
    void click(const char* name) { child(name)->click(); }
    QList<int> codesSince(int from) const { return f.sentCodes().mid(from); }
    TTankRecord& tank(int n) const { return f.session().ConsoleConfig.Tanks[n - 1]; }
};

struct CommaLocale {
    char saved = DecimalSeparator;
    QLocale savedLocale;
    CommaLocale() {
        // As the program sets it at start from a German system.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        DecimalSeparator = char(QLocale().decimalPoint().at(0).unicode());
    }
    ~CommaLocale() {
        DecimalSeparator = saved;
        QLocale::setDefault(savedLocale);
    }
};
}  // namespace

class TankWindowTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheRecordInItsFormats();
    void storesWhatWasTyped();
    void badTextEndsTheStoreKeepingEarlierFields();
    void applySendsThatTankAndRefreshesTheMainWindow();
    void prevAndNextStayWithinTheTanks();
    void opensOnTheCurrentTank();
    void storesIntoTheTankItShowsAfterAGridClick();
    void applyDuringAnExchangeIsStoredAndSaysNotSent();
    void applyUnderACommaLocale();
    void productNamesOf21To25Characters();
    void closeStoresNothingAndLoadCreateOpensTheEditor();
    void returnFromAnotherWindowReloadsButNotFromABox();
};

void TankWindowTest::showsTheRecordInItsFormats() {
    TankWindow w;
    TTankRecord& r = w.tank(1);
    r.Capacity = 950.7;
    r.MaxFuel = 90.7;
    r.LowFuel = -25.9;
    r.WaterAlarm = 10;
    r.FuelAlarm = -2.5;
    r.ProbeId[0] = 0x0A;
    r.ProbeId[5] = 0xAB;
    r.ProbeAddress = 7;
    r.TwoSensors = 0;
    r.RoFuel = 0.89;
    r.ProductName.assign("  DIESEL ");
    w.open(1);
    QCOMPARE(w.t->windowTitle(), QStringLiteral("Tank No: 1 configuration"));
    QCOMPARE(w.text("volume"), QStringLiteral("950"));
    QCOMPARE(w.text("maxfuel"), QStringLiteral("90"));
    QCOMPARE(w.text("lowfuel"), QStringLiteral("-25"));
    QCOMPARE(w.text("alarmwater"), QStringLiteral("  10.000"));
    QCOMPARE(w.text("alarmfuel"), QStringLiteral("  -2.500"));
    QCOMPARE(w.text("Fuelname"), QStringLiteral("  DIESEL "));
    QCOMPARE(w.text("tprbid1"), QStringLiteral("0A"));
    QCOMPARE(w.text("tprbid2"), QStringLiteral("23"));
    QCOMPARE(w.text("tprbid6"), QStringLiteral("AB"));
    QCOMPARE(w.text("tspdwv"), QStringLiteral("3000.000"));
    QCOMPARE(w.text("tdiamv"), QStringLiteral(" 170.000"));
    QCOMPARE(w.text("prbdistv"), QStringLiteral("  20.000"));
    QCOMPARE(w.text("s1distv"), QStringLiteral("   1.500"));
    QCOMPARE(w.text("s2distv"), QStringLiteral("   1.600"));
    QCOMPARE(w.text("rofuelv"), QStringLiteral("   0.890"));
    QCOMPARE(w.text("tkfuelv"), QStringLiteral("   0.999"));
    QCOMPARE(w.text("Leakdetect"), QStringLiteral("5.000"));
    QCOMPARE(w.child<QComboBox>("TankPrbAddr")->currentText(), QStringLiteral("07"));
    QCOMPARE(w.child<QSpinBox>("SensorsNum")->value(), 1);
    QCOMPARE(w.edit("volume")->accessibleName(), QStringLiteral("Tank capacity"));
    QCOMPARE(w.edit("tprbid3")->accessibleName(), QStringLiteral("Probe ID"));

    // An address beyond the list shows none.
    r.ProbeAddress = 16;
    w.t->ShowTank(1);
    QCOMPARE(w.child<QComboBox>("TankPrbAddr")->currentIndex(), -1);
}

void TankWindowTest::storesWhatWasTyped() {
    TankWindow w;
    w.open(1);
    w.tank(1).ProbeAddress = 16;
    w.t->ShowTank(1);
    w.type("tprbid1", QStringLiteral("ab"));
    w.type("tprbid2", QStringLiteral("7"));
    w.type("tprbid3", QStringLiteral("AB"));
    w.type("Fuelname", QStringLiteral("   GAS OIL  "));
    w.type("s1distv", QStringLiteral("1.5"));
    w.type("s2distv", QStringLiteral("1.7"));
    w.type("volume", QStringLiteral("30000.5"));
    w.type("Leakdetect", QStringLiteral("x"));  // read by nothing
    w.child<QSpinBox>("SensorsNum")->setValue(1);
    w.t->StoreTank(1);
    const TTankRecord& r = w.tank(1);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(r.ProbeId), 6), QByteArray::fromHex("AB07AB6789AB"));
    QCOMPARE(QString::fromStdString(r.ProductName.str()), QStringLiteral("GAS OIL"));
    QCOMPARE(r.Sensor1Distance, 1.5);
    QCOMPARE(r.Sensor2Distance, 1.7);
    QCOMPARE(r.Capacity, 30000.5);
    QCOMPARE(int(r.TwoSensors), 0);
    QCOMPARE(int(r.ProbeAddress), 255);  // no address chosen
    w.child<QSpinBox>("SensorsNum")->setValue(2);
    w.child<QComboBox>("TankPrbAddr")->setCurrentIndex(15);
    w.t->StoreTank(1);
    QCOMPARE(int(r.TwoSensors), 1);
    QCOMPARE(int(r.ProbeAddress), 15);
}

void TankWindowTest::badTextEndsTheStoreKeepingEarlierFields() {
    TankWindow w;
    w.open(1);
    w.type("volume", QStringLiteral("1000"));
    w.type("maxfuel", QStringLiteral("80"));
    w.type("alarmwater", QStringLiteral("1x"));
    w.type("Fuelname", QStringLiteral("NEW"));
    w.f.env.prompts.queue(PromptAnswer::ok());
    const int before = w.f.sent().size();
    w.click("apply");
    QCOMPARE(w.f.env.prompts.shown.size(), 1);
    QCOMPARE(w.f.env.prompts.shown[0].text, QStringLiteral("'1x' is not a valid floating point value."));
    QCOMPARE(w.f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QCOMPARE(w.tank(1).Capacity, 1000.0);
    QCOMPARE(w.tank(1).MaxFuel, 80.0);
    QCOMPARE(w.tank(1).WaterAlarm, 10.0);
    QCOMPARE(QString::fromStdString(w.tank(1).ProductName.str()), QStringLiteral("SUPER A95H"));
    QCOMPARE(w.f.sent().size(), before);  // neither refreshed nor sent

    // An empty identifier edit is no hexadecimal number; the fields before it are stored.
    w.type("alarmwater", QStringLiteral("12"));
    w.type("tprbid4", QString());
    w.type("tdiamv", QStringLiteral("200"));
    w.f.env.prompts.queue(PromptAnswer::ok());
    w.click("apply");
    QCOMPARE(w.f.env.prompts.shown.last().text, QStringLiteral("'$' is not a valid integer value."));
    QCOMPARE(QString::fromStdString(w.tank(1).ProductName.str()), QStringLiteral("NEW"));
    QCOMPARE(w.tank(1).WaterAlarm, 12.0);
    QCOMPARE(w.tank(1).Diameter, 170.0);
    QCOMPARE(w.f.sent().size(), before);
}

void TankWindowTest::applySendsThatTankAndRefreshesTheMainWindow() {
    TankWindow w(2);
    w.open(2);
    w.type("volume", QStringLiteral("12345.9"));
    w.type("Fuelname", QStringLiteral("DIESEL"));
    const int before = w.f.sent().size();
    w.click("apply");
    QCOMPARE(w.codesSince(before), (QList<int>{0x04, 0x05}));
    const auto lines = w.f.sent();
    QCOMPARE(int(uint8_t(ConsoleFixture::dataOf(lines[before])[7])), 2);
    QCOMPARE(ConsoleFixture::dataOf(lines[before + 1]), QByteArray("\x02", 1));
    QCOMPARE(QString::fromStdString(w.f.model->config().Tanks[1].ProductName.str()), QStringLiteral("DIESEL"));
    QCOMPARE(ConsoleFixture::cell(w.f.find<QTableWidget>("Tanks_list"), 2, 2), QStringLiteral("12346"));
    QCOMPARE(ConsoleFixture::cell(w.f.find<QTableWidget>("Tanks_list"), 2, 3), QStringLiteral("DIESEL"));
    QVERIFY(w.t->isVisible());
    QVERIFY(w.f.env.prompts.shown.isEmpty());
}

void TankWindowTest::prevAndNextStayWithinTheTanks() {
    TankWindow w(3);
    w.tank(2).Capacity = 2000;
    w.tank(3).Capacity = 3000;
    w.open(1);
    w.click("prev");
    QCOMPARE(int(w.f.session().CurrentTank), 1);
    QCOMPARE(w.t->windowTitle(), QStringLiteral("Tank No: 1 configuration"));
    w.type("volume", QStringLiteral("777"));  // not applied: a step drops it
    w.click("next");
    QCOMPARE(int(w.f.session().CurrentTank), 2);
    QCOMPARE(w.text("volume"), QStringLiteral("2000"));
    w.click("next");
    w.click("next");
    QCOMPARE(int(w.f.session().CurrentTank), 3);
    QCOMPARE(int(w.t->TankNo), 3);
    QCOMPARE(w.t->windowTitle(), QStringLiteral("Tank No: 3 configuration"));
    QCOMPARE(w.text("volume"), QStringLiteral("3000"));
    QCOMPARE(w.tank(1).Capacity, 22000.0);
    // Fewer tanks than the one shown: next stays, prev steps down.
    w.f.find<QSpinBox>("Noftanks")->setValue(2);
    w.click("next");
    QCOMPARE(int(w.f.session().CurrentTank), 3);
    w.click("prev");
    QCOMPARE(int(w.f.session().CurrentTank), 2);
    QVERIFY(w.f.env.prompts.shown.isEmpty());
}

void TankWindowTest::opensOnTheCurrentTank() {
    TankWindow w(3);
    w.tank(3).Capacity = 3333;
    w.f.w->Tanks_listClick(3);
    w.f.w->Edit_t_dataClick();
    QVERIFY(w.t->isVisible());
    QCOMPARE(w.t->windowTitle(), QStringLiteral("Tank No: 3 configuration"));
    QCOMPARE(w.text("volume"), QStringLiteral("3333"));
}

void TankWindowTest::storesIntoTheTankItShowsAfterAGridClick() {
    TankWindow w(3);
    w.open(1);
    // The grid moves the current tank while the window still shows tank 1.
    w.f.w->Tanks_listClick(3);
    w.type("volume", QStringLiteral("1111"));
    const int before = w.f.sent().size();
    w.click("apply");
    QCOMPARE(w.tank(1).Capacity, 1111.0);
    QCOMPARE(w.tank(3).Capacity, 22000.0);
    QCOMPARE(int(uint8_t(ConsoleFixture::dataOf(w.f.sent()[before])[7])), 1);
    QCOMPARE(ConsoleFixture::dataOf(w.f.sent()[before + 1]), QByteArray("\x01", 1));
    // Coming back to the window follows the grid.
    w.t->FormActivate();
    QCOMPARE(int(w.t->TankNo), 3);
    QCOMPARE(w.t->windowTitle(), QStringLiteral("Tank No: 3 configuration"));
    // Steps start from the tank shown.
    w.f.w->Tanks_listClick(1);
    w.click("prev");
    QCOMPARE(int(w.f.session().CurrentTank), 2);
    QCOMPARE(int(w.t->TankNo), 2);
}

void TankWindowTest::applyDuringAnExchangeIsStoredAndSaysNotSent() {
    TankWindow w(2);
    w.open(2);
    w.type("volume", QStringLiteral("4242"));
    w.f.env.prompts.queue(PromptAnswer::ok());
    // Apply while "Send config to terminal" waits for its first reply.
    w.f.env.clock.after(5, [&] { w.click("apply"); });
    w.f.click("send_t_to_console");
    QCOMPARE(w.tank(2).Capacity, 4242.0);
    QCOMPARE(w.f.sentCodes(), (QList<int>{0x02, 0x03}));
    QCOMPARE(w.f.env.prompts.shown.size(), 1);
    QCOMPARE(w.f.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(w.f.env.prompts.shown[0].icon, MsgIcon::Warning);
    QVERIFY(w.f.env.prompts.shown[0].text.startsWith(
        QStringLiteral("Tank No: 2 configuration is stored but was not sent to the terminal")));
    // Once the exchange is over, Apply sends it.
    w.click("apply");
    QCOMPARE(w.f.sentCodes().mid(2), (QList<int>{0x04, 0x05}));
    QCOMPARE(w.f.model->config().Tanks[1].Capacity, 4242.0);
}

void TankWindowTest::applyUnderACommaLocale() {
    CommaLocale comma;
    QCOMPARE(DecimalSeparator, ',');
    TankWindow w;
    w.tank(1).RoFuel = 0.845;
    w.open(1);
    QCOMPARE(w.text("rofuelv"), QStringLiteral("   0.845"));
    // What the window wrote reads back, and so does what a German user types.
    w.type("alarmwater", QStringLiteral("12,5"));
    const int before = w.f.sent().size();
    w.click("apply");
    QVERIFY(w.f.env.prompts.shown.isEmpty());
    QCOMPARE(w.codesSince(before), (QList<int>{0x04, 0x05}));
    QCOMPARE(w.tank(1).WaterAlarm, 12.5);
    QCOMPARE(w.tank(1).RoFuel, 0.845);
    QCOMPARE(w.tank(1).SpeedOfWire, 3000.0);
    QCOMPARE(w.tank(1).Sensor2Distance, double(1.6f));  // as read back from the terminal
    QCOMPARE(w.tank(1).Diameter, 170.0);
    QCOMPARE(w.f.model->config().Tanks[0].WaterAlarm, 12.5);
}

void TankWindowTest::productNamesOf21To25Characters() {
    // Longer names than the terminal takes or the user can type come from a configuration
    // file: shown and stored whole, sent as their first 20 characters without a 0 byte.
    for (const QString& name : {QStringLiteral("ABCDEFGHIJKLMNOPQRSTU"), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY")}) {
        const QString first20 = name.left(20);
        {
            TankWindow w(1, false);
            w.tank(1).ProductName.assign(name.toStdString());
            w.open(1);
            QCOMPARE(w.text("Fuelname"), name);
            w.f.expectNotConnected(2);
            w.click("apply");
            QCOMPARE(QString::fromStdString(w.tank(1).ProductName.str()), name);
            QCOMPARE(ConsoleFixture::cell(w.f.find<QTableWidget>("Tanks_list"), 1, 3), name);
        }
        {
            TankWindow w;
            w.tank(1).ProductName.assign(name.toStdString());
            w.open(1);
            const int before = w.f.sent().size();
            w.click("apply");
            QCOMPARE(w.codesSince(before), (QList<int>{0x04, 0x05}));
            const QByteArray payload = ConsoleFixture::dataOf(w.f.sent()[before]);
            QCOMPARE(payload.size(), 79);
            QCOMPARE(payload.mid(59), first20.toLatin1());
            // What the terminal reports back is what the record holds afterwards.
            QCOMPARE(QString::fromStdString(w.f.model->config().Tanks[0].ProductName.str()), first20);
            QCOMPARE(QString::fromStdString(w.tank(1).ProductName.str()), first20);
            QCOMPARE(ConsoleFixture::cell(w.f.find<QTableWidget>("Tanks_list"), 1, 3), first20);
            QVERIFY(w.f.env.prompts.shown.isEmpty());
        }
    }
}

void TankWindowTest::closeStoresNothingAndLoadCreateOpensTheEditor() {
    TankWindow w(2);
    w.open(2);
    w.type("volume", QStringLiteral("1"));
    w.click("cancel");
    QVERIFY(!w.t->isVisible());
    QCOMPARE(w.tank(2).Capacity, 22000.0);
    w.open(2);
    QCOMPARE(w.text("volume"), QStringLiteral("22000"));
    w.f.w->Tanks_listClick(1);
    w.click("ldtable");
    QCOMPARE(int(w.f.session().CurrentTank), 2);
    QVERIFY(w.f.forms().CalibrationTable->isVisible());
    QCOMPARE(w.f.forms().CalibrationTable->windowTitle(), QStringLiteral("Calibration table for tank No: \"2\""));
}

void TankWindowTest::returnFromAnotherWindowReloadsButNotFromABox() {
    TankWindow w;
    w.f.w->show();
    w.open(1);
    w.t->activateWindow();
    w.f.env.clock.settle();
    QVERIFY(w.t->isActiveWindow());
    w.type("volume", QStringLiteral("777"));
    // A modal box over the window: typed text survives its closing.
    QDialog box(w.t);
    box.setModal(true);
    w.f.env.clock.after(10, [&] { box.accept(); });
    box.exec();
    w.t->activateWindow();  // as a desktop does when the box goes
    w.f.env.clock.settle();
    QVERIFY(w.t->isActiveWindow());
    QCOMPARE(w.text("volume"), QStringLiteral("777"));
    // Going to the main window and back drops it.
    w.f.w->activateWindow();
    w.f.env.clock.settle();
    QVERIFY(!w.t->isActiveWindow());
    w.t->activateWindow();
    w.f.env.clock.settle();
    QCOMPARE(w.text("volume"), QStringLiteral("22000"));
}

TANKCFG_TEST_MAIN(TankWindowTest)
#include "tst_tankcfg.moc"
