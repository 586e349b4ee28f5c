// The terminal link and dialogue against the simulated tank console, on virtual time.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "consolefixture.h"

namespace {
int countStarting(const QStringList& lines, const QString& head) {
    int n = 0;
    for (const QString& l : lines) n += l.startsWith(head);
    return n;
}

// A port whose driver fails every write.
class FailingWriteLink final : public SerialLink {
public:
    using SerialLink::SerialLink;
    void open(int com, int baud) override {
        com_ = com;
        baud_ = baud;
        open_ = true;
    }
    void close() override { open_ = false; }
    bool isOpen() const override { return open_; }
    void write(const QByteArray&) override { throw SerialError(SerialError::Other, "COM1: write failed"); }
    qint64 bytesWaiting() const override { return 0; }
    QByteArray read(qint64) override { return {}; }
    void purgeInput() override {}
    void purgeOutput() override {}
    bool dsr() const override { return false; }

protected:
    bool waitingHasLineFeed() const override { return false; }

private:
    bool open_ = false;
};

struct FailingWritePorts : SerialPorts {
    SerialLink* create(QObject* parent) override { return new FailingWriteLink(parent); }
};
}  // namespace

class TerminalTest : public QObject {
    Q_OBJECT
private slots:
    void globalOnlySendsTwoFrames();
    void fullSendOrderFollowsCountsReadBack();
    void getConfigReadsWithoutStoringThePage();
    void clampsOfSaveTimeAndReferenceTemperature();
    void identifierTrimmedSentAndReadBackSubstituted();
    void tankFieldsReachTheConsoleAndComeBack();
    void fiveBadRepliesThenGood();
    void sixBadRepliesCloseTheLinkSilently();
    void badEndsAndNoiseBeforeTheReplyAreResent();
    void timeoutOnFirstRequestOfMultiRequestOperation();
    void splitReplyIsReadOnce();
    void connectWhileOpenReports102();
    void disconnects();
    void com2IsPortTwoAt9600();
    void portThatCannotOpenKeepsButtonDown();
    void noiseWhileIdleDoesNotBlock();
    void secondOperationInsideAWaitIsRefused();
    void vanishedPortClearsTheExchange();
    void failingWriteClearsTheExchange();
    void replyHandlerReportsAndKeepsTableAcknowledgements();
    void countsAboveSixteenNeverAddressPastSixteen();
    void acknowledgementReports();
    void typedLanguageIsSent255();
    void badNumberEndsOperationKeepingEarlierFields();
    void closingDuringAnOperationSendsNothingMore();
};

void TerminalTest::globalOnlySendsTwoFrames() {
    ConsoleFixture f;
    f.edit("dbsave")->setText(QStringLiteral("42"));
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));
    QCOMPARE(int(f.model->config().DbSaveTime), 42);
    QCOMPARE(f.logLinesEndingWith(QStringLiteral(" /Error      > Info : Global config was set succesfull !")), 1);
    QVERIFY(f.linkIdle());
    QVERIFY(f.env.prompts.shown.isEmpty());
}

void TerminalTest::fullSendOrderFollowsCountsReadBack() {
    ConsoleFixture f;
    f.spin("Noftanks")->stepUp();
    f.spin("MdiUv")->stepUp();
    f.wholeConfig();
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03, 0x04, 0x05, 0x04, 0x05, 0x08, 0x09}));
    const auto lines = f.sent();
    QCOMPARE(ConsoleFixture::dataOf(lines[3]), QByteArray("\x01", 1));
    QCOMPARE(ConsoleFixture::dataOf(lines[5]), QByteArray("\x02", 1));
    QCOMPARE(ConsoleFixture::dataOf(lines[7]), QByteArray("\x01", 1));
    QCOMPARE(uint8_t(ConsoleFixture::dataOf(lines[4])[7]), uint8_t(2));
    QCOMPARE(QString::fromStdString(f.model->config().Mdi[0].Name.str()), QStringLiteral("No name"));
    QCOMPARE(QString::fromStdString(f.model->config().Tanks[1].ProductName.str()), QStringLiteral("SUPER A95H"));
    QVERIFY(f.linkIdle());
}

void TerminalTest::getConfigReadsWithoutStoringThePage() {
    ConsoleFixture f;
    TConsoleConfig& m = f.model->config();
    m.TankCount = 2;
    m.MdiCount = 1;
    m.DbSaveTime = 77;
    m.Tanks[1].Capacity = 12345;
    m.Mdi[0].Name.assign("Pump A");
    m.Mdi[0].Address = 9;
    f.edit("dbsave")->setText(QStringLiteral("5"));  // not stored: the page is not read first
    f.wholeConfig();
    f.click("get_t_from_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x03, 0x05, 0x05, 0x09}));
    QCOMPARE(int(f.session().ConsoleConfig.DbSaveTime), 77);
    QCOMPARE(f.edit("dbsave")->text(), QStringLiteral("77"));
    QCOMPARE(f.session().ConsoleConfig.Tanks[1].Capacity, 12345.0);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 2, 2), QStringLiteral("12345"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 1), QStringLiteral("9"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 1, 2), QStringLiteral("Pump A"));
}

void TerminalTest::clampsOfSaveTimeAndReferenceTemperature() {
    struct Case {
        const char *db, *ref;
        int dbSent, refSent;
    };
    for (const Case& c : {Case{"0", "0", 1, 1}, Case{"-5", "-1", 1, 1}, Case{"300", "60", 250, 50},
                          Case{"250", "50", 250, 50}, Case{"1", "1", 1, 1}}) {
        ConsoleFixture f;
        f.edit("dbsave")->setText(QString::fromLatin1(c.db));
        f.edit("reftemp")->setText(QString::fromLatin1(c.ref));
        f.click("send_t_to_console");
        const QByteArray d = ConsoleFixture::dataOf(f.sent().value(0));
        QCOMPARE(int(uint8_t(d[3])), c.dbSent);
        QCOMPARE(int(uint8_t(d[4])), c.refSent);
        QCOMPARE(f.edit("dbsave")->text(), QString::number(c.dbSent));
    }
}

void TerminalTest::identifierTrimmedSentAndReadBackSubstituted() {
    ConsoleFixture f;
    f.edit("TrmID")->setText(QStringLiteral("  AB12 \t"));
    f.w->ReadConsoleConfigForm();
    QCOMPARE(QString::fromStdString(f.session().ConsoleConfig.TerminalId.str()), QStringLiteral("AB12"));
    f.click("send_t_to_console");
    // Positions 5 and 6 keep what the field held before: "45" of "012345".
    QCOMPARE(ConsoleFixture::dataOf(f.sent().value(0)).mid(5, 6), QByteArray("AB1245"));

    const char odd[6] = {0x61, 0x20, 0x31, 0x42, 0x7E, 0x5A};
    std::memcpy(f.model->config().TerminalId.Chars, odd, 6);
    f.click("get_t_from_console");
    QCOMPARE(QString::fromStdString(f.session().ConsoleConfig.TerminalId.str()), QStringLiteral("><1B>Z"));
    QCOMPARE(f.edit("TrmID")->text(), QStringLiteral("><1B>Z"));

    // Twelve characters fill the field; the thirteenth is not stored.
    f.edit("TrmID")->setText(QStringLiteral("ABCDEFGHIJKLM"));
    f.w->ReadConsoleConfigForm();
    QCOMPARE(QString::fromStdString(f.session().ConsoleConfig.TerminalId.str()), QStringLiteral("ABCDEFGHIJKL"));
}

void TerminalTest::tankFieldsReachTheConsoleAndComeBack() {
    ConsoleFixture f;
    TTankRecord& t = f.session().ConsoleConfig.Tanks[0];
    t.ProbeAddress = 9;
    t.LowFuel = 21;
    t.FuelAlarm = 17;
    t.ProbeId[5] = 0xCD;
    f.wholeConfig();
    f.click("send_t_to_console");
    const QByteArray req = ConsoleFixture::dataOf(f.sent().value(2));
    QCOMPARE(uint8_t(req[57]), uint8_t(0x03));  // RoFuel 0.89, high byte first
    QCOMPARE(uint8_t(req[58]), uint8_t(0x7A));
    // The console took each field from its own offset.
    const TTankRecord& m = f.model->config().Tanks[0];
    QCOMPARE(int(m.ProbeAddress), 9);
    QCOMPARE(m.LowFuel, 21.0);
    QCOMPARE(m.FuelAlarm, 17.0);
    QCOMPARE(m.ProbeId[5], uint8_t(0xCD));
    QCOMPARE(m.RoFuel, 0.89);

    // Read back: what the console holds replaces the record, field by field.
    f.model->config().Tanks[0].ProbeAddress = 12;
    f.model->config().Tanks[0].ProbeId[0] = 0x77;
    f.model->config().Tanks[0].WaterAlarm = 4;
    f.model->config().Tanks[0].RoFuel = 0.845;
    f.click("get_t_from_console");
    QCOMPARE(int(t.ProbeAddress), 12);
    QCOMPARE(t.ProbeId[0], uint8_t(0x77));
    QCOMPARE(t.WaterAlarm, 4.0);
    QCOMPARE(t.LowFuel, 21.0);
    QCOMPARE(t.RoFuel, 0.845);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 1, 1), QStringLiteral(" 77 23 45 67 89 CD"));
}

void TerminalTest::fiveBadRepliesThenGood() {
    ConsoleFixture f;
    f.bus.faults.badCrcNext = 5;
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x02, 0x02, 0x02, 0x02, 0x02, 0x03}));
    QCOMPARE(countStarting(f.log(), QStringLiteral("RS232:<02")), 6);
    QCOMPARE(f.logLinesEndingWith(QStringLiteral("Info : Global config was set succesfull !")), 1);
    QVERIFY(!f.linkClosed());
    QVERIFY(f.env.prompts.shown.isEmpty());
}

void TerminalTest::sixBadRepliesCloseTheLinkSilently() {
    ConsoleFixture f;
    f.bus.faults.badCrcNext = 6;
    f.expectNotConnected();
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>(6, 0x02)));
    QVERIFY(f.linkClosed());
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect"));
    QVERIFY(!f.find<QPushButton>("TrmConnect")->isChecked());
    QCOMPARE(f.find<QLabel>("trconstat")->property("connected").toBool(), false);
    // No box for giving up; the read-back that follows is refused with one.
    QCOMPARE(f.promptTexts(), QStringList{NotConnectedText});
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(f.logLinesEndingWith(QStringLiteral("Terminal Time out waiting for responce !")), 0);
    QVERIFY(f.linkIdle());
}

void TerminalTest::badEndsAndNoiseBeforeTheReplyAreResent() {
    ConsoleFixture f;
    // A reply whose first byte is not CR is resent, as is a noise line that arrives ahead of the reply.
    f.bus.faults.badEndsNext = 1;
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x02, 0x03}));
    f.env.ports.clearWritten(1);
    f.bus.faults.noiseBeforeNext = QByteArray("\r#*\n");
    f.click("send_t_to_console");
    // The reply to the first frame arrives after the noise and is purged by the resend.
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x02, 0x03}));
    QVERIFY(!f.linkClosed());
    QVERIFY(f.linkIdle());
    QVERIFY(f.env.prompts.shown.isEmpty());
}

void TerminalTest::timeoutOnFirstRequestOfMultiRequestOperation() {
    ConsoleFixture f;
    f.spin("Noftanks")->stepUp();
    f.spin("MdiUv")->stepUp();
    f.wholeConfig();
    f.bus.faults.silentNext = 1;
    const qint64 start = f.env.clock.elapsedMs();
    qint64 timedOutAt = -1;
    f.env.prompts.responder = [&](const PromptRecord&) {
        if (timedOutAt < 0) timedOutAt = f.env.clock.elapsedMs();
        return PromptAnswer::ok();
    };
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), QList<int>{0x02});
    QCOMPARE(timedOutAt - start, qint64(1000));
    QCOMPARE(f.logLinesEndingWith(QStringLiteral(" /Error      > Terminal Time out waiting for responce !")), 1);
    // 0x03, then two exchanges for each of 2 tanks and 1 MDI unit: one box each.
    QCOMPARE(f.promptTexts(), QStringList(7, NotConnectedText));
    QVERIFY(f.linkClosed());
    QVERIFY(f.linkIdle());
}

void TerminalTest::splitReplyIsReadOnce() {
    ConsoleFixture f;
    f.bus.faults.splitNext = 1;
    f.click("send_t_to_console");
    QCOMPARE(countStarting(f.log(), QStringLiteral("RS232:")), 4);
    QCOMPARE(countStarting(f.log(), QStringLiteral("RS232:<8200")), 1);
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));
}

void TerminalTest::connectWhileOpenReports102() {
    ConsoleFixture f;
    {
        const QSignalBlocker quiet(f.find<QPushButton>("TrmConnect"));
        f.find<QPushButton>("TrmConnect")->setChecked(false);
    }
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("TrmConnect");
    QCOMPARE(f.promptTexts(),
             QStringList{QStringLiteral("   ERROR No: 102 \r\r Already connected to Terminal !\r Disconnect first!")});
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Error"));
    QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::None);
    QVERIFY(f.log().value(0).endsWith(QStringLiteral(" /Error      > ")));
    QVERIFY(!f.linkClosed());
    QCOMPARE(f.env.ports.openCount(1), 1);
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Disconnect"));
}

void TerminalTest::disconnects() {
    {
        ConsoleFixture f;
        QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Disconnect"));
        QCOMPARE(f.find<QLabel>("trconstat")->property("connected").toBool(), true);
        f.click("TrmConnect");
        QVERIFY(f.linkClosed());
        QVERIFY(f.linkIdle());
        QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect"));
        QCOMPARE(f.find<QLabel>("trconstat")->property("connected").toBool(), false);
    }
    {
        // The user disconnects while a request is out: the exchange ends, the next is refused.
        ConsoleFixture f;
        f.bus.faults.silentNext = 1;
        f.env.clock.after(500, [&] { f.click("TrmConnect"); });
        f.expectNotConnected();
        f.click("send_t_to_console");
        QCOMPARE(f.sentCodes(), QList<int>{0x02});
        QCOMPARE(f.promptTexts(), QStringList{NotConnectedText});
        QCOMPARE(f.logLinesEndingWith(QStringLiteral("Terminal Time out waiting for responce !")), 0);
        QVERIFY(f.linkIdle());
        f.env.clock.advance(2000);
        QCOMPARE(f.logLinesEndingWith(QStringLiteral("Terminal Time out waiting for responce !")), 0);
    }
}

void TerminalTest::com2IsPortTwoAt9600() {
    ConsoleFixture f(false);
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect "));
    f.env.ports.addEmptyPort(2);
    f.list("Comsel")->setCurrentIndex(1);
    f.click("TrmConnect");
    QCOMPARE(f.env.ports.openCount(2), 1);
    QCOMPARE(f.env.ports.openBauds(2), QList<int>{9600});
    QCOMPARE(f.env.ports.openCount(1), 0);
}

void TerminalTest::portThatCannotOpenKeepsButtonDown() {
    ConsoleFixture f(false);
    f.env.ports.setBusy(1, true);
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("TrmConnect");
    QCOMPARE(f.env.prompts.shown.size(), 1);
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QCOMPARE(f.env.prompts.shown[0].icon, MsgIcon::Error);
    QVERIFY(f.find<QPushButton>("TrmConnect")->isChecked());
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect "));
    QCOMPARE(f.find<QLabel>("trconstat")->property("connected").toBool(), false);
    f.click("TrmConnect");  // the next click takes the disconnect path
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect"));
    QCOMPARE(f.env.prompts.shown.size(), 1);
}

void TerminalTest::noiseWhileIdleDoesNotBlock() {
    ConsoleFixture f;
    f.bus.sendToHost("\r0BADNOISE\n");
    f.bus.sendToHost("\r8200C1B0\r", 5);  // a line with broken ends too
    f.env.clock.advance(50);
    QVERIFY(!f.link().resendDue());
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x03}));
    QVERIFY(f.linkIdle());
}

void TerminalTest::secondOperationInsideAWaitIsRefused() {
    ConsoleFixture f;
    f.bus.faults.badCrcNext = 1;
    // While the first reply is bad and its resend is due, the user asks for another operation.
    f.env.clock.after(10, [&] { f.click("get_t_from_console"); });
    f.env.clock.after(20, [&] {
        uint8_t one = 1;
        f.w->SendMdiConfig(one);
    });
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x02, 0x03}));
    QVERIFY(f.linkIdle());
    f.click("get_t_from_console");  // once the first is over, the next one runs
    QCOMPARE(f.sentCodes(), (QList<int>{0x02, 0x02, 0x03, 0x03}));
}

void TerminalTest::vanishedPortClearsTheExchange() {
    ConsoleFixture f;
    f.bus.faults.silentNext = 1;
    f.env.clock.after(300, [&] { f.env.ports.remove(1); });
    f.expectNotConnected();
    f.click("send_t_to_console");
    QVERIFY(f.linkIdle());
    QCOMPARE(f.find<QPushButton>("TrmConnect")->text(), QStringLiteral("Connect"));
    QCOMPARE(f.promptTexts(), QStringList{NotConnectedText});
    const QString gone =
        QStringLiteral("COM1 (%1): the port is gone; connect again once it is back").arg(ComDevicePath(1));
    QCOMPARE(f.logLinesEndingWith(LogPrefixError + gone), 1);
}

void TerminalTest::failingWriteClearsTheExchange() {
    FailingWritePorts ports;
    ConsoleFixture f(false);
    f.program.reset();
    Services::install(nullptr, nullptr, &ports);
    f.program = std::make_unique<MarvaneProgram>();
    f.w = f.forms().MainConfig;
    f.click("TrmConnect");
    f.env.prompts.queue(PromptAnswer::ok());
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("send_t_to_console");
    QCOMPARE(f.promptTexts(), QStringList{QStringLiteral("COM1: write failed.")});
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QVERIFY(f.linkIdle());
    QVERIFY(!f.link().timerActive());
    f.click("get_t_from_console");  // not blocked by the failed one
    QCOMPARE(f.env.prompts.shown.size(), 2);
    f.program.reset();
}

void TerminalTest::replyHandlerReportsAndKeepsTableAcknowledgements() {
    ConsoleFixture f;
    // An acknowledgement without its status byte is a failure.
    const uint8_t ack[1] = {0};
    f.w->HandleTerminalReply(trTankAck, 1, ack);
    QVERIFY(f.log().value(0).endsWith(QStringLiteral(" /Error      >  ERROR No: 60 Error Set Tank config !")));
    f.w->HandleTerminalReply(trGlobalAck, 0, ack);
    QVERIFY(f.log().value(0).endsWith(QStringLiteral(" ERROR No: 60 Error Set Global config !")));
    f.w->HandleTerminalReply(trMdiAck, 1, ack);
    QVERIFY(f.log().value(0).endsWith(QStringLiteral("Info : Global config was set succesfull !")));

    QVERIFY(!f.session().tableAckOk());
    const uint8_t headerAck[2] = {1, 0};
    f.w->HandleTerminalReply(trTableHeaderAck, 2, headerAck);
    QVERIFY(f.session().tableAckOk());
    const uint8_t blockAck[4] = {1, 0x01, 0x02, 0};
    f.w->HandleTerminalReply(trTableBlockAck, 4, blockAck);
    QVERIFY(f.session().tableAckOk());
    QCOMPARE(int(f.session().tableAckBlock()), 258);
    const uint8_t refused[3] = {1, 0, 7};
    f.w->HandleTerminalReply(trTableBlockAck, 3, refused);
    QVERIFY(!f.session().tableAckOk());
    QCOMPARE(int(f.session().tableAckBlock()), 7);
    const uint8_t cut[2] = {1, 9};
    f.w->HandleTerminalReply(trTableBlockAck, 2, cut);
    QCOMPARE(int(f.session().tableAckBlock()), 7);  // no block number came
    f.w->HandleTerminalReply(trTableHeaderAck, 2, headerAck);
    f.session().resetTableAck();
    QVERIFY(!f.session().tableAckOk());
    QCOMPARE(int(f.session().tableAckBlock()), 0);
    // A tank reply naming no tank of the records stores nothing.
    const auto before = std::make_unique<TConsoleConfig>(f.session().ConsoleConfig);
    QByteArray tank(70, '\x55');
    tank[7] = 17;
    f.w->HandleTerminalReply(trTank, int32_t(tank.size()), reinterpret_cast<const uint8_t*>(tank.constData()));
    QVERIFY(std::memcmp(before.get(), &f.session().ConsoleConfig, sizeof f.session().ConsoleConfig) == 0);
    QVERIFY(f.linkIdle());
}

void TerminalTest::countsAboveSixteenNeverAddressPastSixteen() {
    ConsoleFixture f;
    f.spin("Noftanks")->setValue(16);
    f.spin("MdiUv")->setValue(16);
    f.model->config().TankCount = 20;
    f.model->config().MdiCount = 18;
    f.wholeConfig();
    f.click("get_t_from_console");
    const QList<int> codes = f.sentCodes();
    QCOMPARE(codes.count(0x05), 16);
    QCOMPARE(codes.count(0x09), 16);
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 20);  // shown as 16; kept until the page is stored
    QCOMPARE(f.spin("Noftanks")->value(), 16);
    QCOMPARE(f.spin("MdiUv")->value(), 16);
    f.env.ports.clearWritten(1);
    f.click("send_t_to_console");
    QCOMPARE(f.sentCodes().count(0x04), 16);
    QCOMPARE(f.sentCodes().count(0x08), 16);
}

void TerminalTest::acknowledgementReports() {
    ConsoleFixture f;
    f.spin("MdiUv")->stepUp();
    f.wholeConfig();
    f.click("send_t_to_console");
    const QString err = QStringLiteral(" /Error      > ");
    QCOMPARE(f.logLinesEndingWith(err + QStringLiteral("Info : Tank config was set succesfull !")), 1);
    // The MDI acknowledgement reports like the global one.
    QCOMPARE(f.logLinesEndingWith(err + QStringLiteral("Info : Global config was set succesfull !")), 2);
    f.check("wtankdta")->setChecked(true);
    f.model->refuseNext = 1;
    f.click("send_t_to_console");
    QCOMPARE(f.logLinesEndingWith(err + QStringLiteral(" ERROR No: 60 Error Set Global config !")), 1);
    f.model->refuseNext = 1;
    uint8_t one = 1;
    f.w->SendTankConfig(one);
    QCOMPARE(f.logLinesEndingWith(err + QStringLiteral(" ERROR No: 60 Error Set Tank config !")), 1);
}

void TerminalTest::typedLanguageIsSent255() {
    ConsoleFixture f;
    f.list("trmLang")->setCurrentIndex(2);
    f.list("trmLang")->setEditText(QStringLiteral("Klingon"));
    f.click("send_t_to_console");
    QCOMPARE(uint8_t(ConsoleFixture::dataOf(f.sent().value(0))[1]), uint8_t(255));
    QCOMPARE(f.list("trmLang")->currentIndex(), -1);
    f.list("trmLang")->setCurrentIndex(3);
    f.click("send_t_to_console");
    QCOMPARE(uint8_t(ConsoleFixture::dataOf(f.sent().value(2))[1]), uint8_t(3));
}

void TerminalTest::badNumberEndsOperationKeepingEarlierFields() {
    ConsoleFixture f;
    f.find<QRadioButton>("usunit")->setChecked(true);
    f.edit("dbsave")->setText(QStringLiteral("12x"));
    f.env.prompts.queue(PromptAnswer::ok());
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("send_t_to_console");
    QCOMPARE(f.promptTexts(), QStringList{QStringLiteral("'12x' is not a valid integer value.")});
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QVERIFY(f.sent().isEmpty());
    QCOMPARE(int(f.session().ConsoleConfig.Units), 1);
    f.edit("dbsave")->setText(QStringLiteral("33"));
    f.edit("reftemp")->setText(QStringLiteral("1.5"));
    f.click("send_t_to_console");
    QCOMPARE(f.promptTexts().value(1), QStringLiteral("'1.5' is not a valid integer value."));
    QCOMPARE(int(f.session().ConsoleConfig.DbSaveTime), 33);
    QVERIFY(f.sent().isEmpty());
    QVERIFY(f.linkIdle());
}

void TerminalTest::closingDuringAnOperationSendsNothingMore() {
    {
        // The console stays silent; the window closes while the first request waits.
        ConsoleFixture f;
        f.spin("Noftanks")->stepUp();
        f.spin("MdiUv")->stepUp();
        f.wholeConfig();
        f.bus.faults.silentNext = 100;
        f.env.clock.after(400, [&] { f.w->close(); });
        f.click("send_t_to_console");
        QVERIFY(AppQuitting());
        QCOMPARE(f.sentCodes(), QList<int>{0x02});
        f.env.clock.advance(5000);
        QCOMPARE(f.sentCodes(), QList<int>{0x02});
        QVERIFY(f.linkClosed());
        QVERIFY(f.linkIdle());
        QVERIFY(!f.link().timerActive());
        QCOMPARE(f.logLinesEndingWith(QStringLiteral("Terminal Time out waiting for responce !")), 0);
    }
    {
        // Without a link every request is refused with a box; closing the window under the
        // first box ends the operation without the others.
        ConsoleFixture f(false);
        f.spin("Noftanks")->stepUp();
        f.wholeConfig();
        PromptAnswer close;
        close.whileOpen = [&] { f.w->close(); };
        f.env.prompts.queue(close);
        f.click("send_t_to_console");
        QCOMPARE(f.promptTexts(), QStringList{NotConnectedText});
    }
}

TANKCFG_TEST_MAIN(TerminalTest)
#include "tst_terminal.moc"
