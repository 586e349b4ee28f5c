// The seams on virtual time: waits, timers, prompts, the error guard and the serial events.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>

#include "common/tankcfgtypes.h"
#include "platform/errorguard.h"
#include "sim/identprobe.h"
#include "sim/testenv.h"

class SeamsTest : public QObject {
    Q_OBJECT
private slots:
    void nestedWaitProgressesThroughModalLoop();
    void timerNeverNestsInItsOwnSlot();
    void timerRestartedInsideSlotMayFireNested();
    void virtualTimeIsFast();
    void scriptedPromptsRecordAndAnswer();
    void unexpectedAndUnusedPromptsAreReported();
    void inputBoxCancelGivesPreset();
    void standardErrorFullStop_data();
    void standardErrorFullStop();
    void guardShowsErrorAndGoesOn();
    void comMapping();
    void simLinkLineFeedEventNestedInHandlerWait();
    void simLinkSplitLineRaisesOneEvent();
    void simLinkMissingAndBusyPorts();
    void purgeDropsPendingEvents();
    void simLinkDrivesRtsAroundWritesInRs485Mode();
    void waitEndsWhenQuitting();
    void applicationPreparedAsTheProgramsPrepareIt();
    void fileDialogsRefuseWhatTheirSettingsForbid();
};

void SeamsTest::nestedWaitProgressesThroughModalLoop() {
    SimEnv env;
    auto* tick = env.clock.createTimer(nullptr, 100);
    int ticks = 0;
    QObject::connect(tick, &ProgramTimer::timeout, [&] { ++ticks; });
    tick->start();
    QDialog dlg;
    qint64 closedAt = -1;
    // A modal dialog opened inside a timed event, closed 3 s later by another.
    env.clock.after(500, [&] {
        env.clock.after(3000, [&] {
            closedAt = env.clock.elapsedMs();
            dlg.accept();
        });
        dlg.exec();
    });
    bool inner = false;
    env.clock.after(1000, [&] {
        // A wait nested inside the dialog's loop sees time pass too.
        WaitFor(700);
        inner = true;
    });
    QVERIFY(env.clock.runUntil([&] { return closedAt >= 0; }, 10000));
    QCOMPARE(closedAt, qint64(3500));
    QVERIFY(inner);
    QVERIFY(ticks >= 34 && ticks <= 36);
    delete tick;
}

void SeamsTest::timerNeverNestsInItsOwnSlot() {
    SimEnv env;
    auto* t = env.clock.createTimer(nullptr, 10);
    int depth = 0, maxDepth = 0, fired = 0;
    QObject::connect(t, &ProgramTimer::timeout, [&] {
        ++fired;
        maxDepth = std::max(maxDepth, ++depth);
        WaitFor(100);
        --depth;
    });
    t->start();
    env.clock.advance(1000);
    t->stop();
    QCOMPARE(maxDepth, 1);
    QVERIFY2(fired >= 9 && fired <= 11, qPrintable(QString::number(fired)));
    delete t;
}

void SeamsTest::timerRestartedInsideSlotMayFireNested() {
    SimEnv env;
    auto* t = env.clock.createTimer(nullptr, 300);
    int depth = 0, maxDepth = 0;
    bool first = true;
    QObject::connect(t, &ProgramTimer::timeout, [&] {
        maxDepth = std::max(maxDepth, ++depth);
        if (first) {
            first = false;
            t->setInterval(100);  // a restart arms a new activation
            WaitFor(250);
        }
        --depth;
    });
    t->start();
    env.clock.advance(700);
    QCOMPARE(maxDepth, 2);
    delete t;
}

void SeamsTest::virtualTimeIsFast() {
    SimEnv env;
    QElapsedTimer real;
    real.start();
    env.clock.advance(30 * 60 * 1000);
    QCOMPARE(env.clock.elapsedMs(), qint64(30 * 60 * 1000));
    QVERIFY(real.elapsed() < 5000);
    QCOMPARE(env.clock.now(), QDateTime(QDate(2026, 3, 14), QTime(9, 56, 53)));
}

void SeamsTest::scriptedPromptsRecordAndAnswer() {
    SimEnv env;
    env.prompts.queue(PromptAnswer::pressed(MbNo));
    QCOMPARE(Services::prompts().messageBox("Info", "a\rb", MsgIcon::Information, MbYes | MbNo), int(MbNo));
    // Nothing queued, and the test said it takes any box: the first button, a cancelled dialog.
    env.prompts.acceptAny();
    QCOMPARE(Services::prompts().messageBox("Error", "x", MsgIcon::Error, MbOk | MbHelp), int(MbOk));
    QCOMPARE(env.prompts.shown.size(), 2);
    QCOMPARE(env.prompts.shown[0].caption, QString("Info"));
    QCOMPARE(env.prompts.shown[0].text, QString("a\rb"));
    QCOMPARE(env.prompts.shown[1].icon, MsgIcon::Error);
    FileDialogSpec spec;
    spec.fileName = "noname";
    QVERIFY(!Services::prompts().saveFile(spec));
    QCOMPARE(spec.fileName, QString("noname"));
    env.prompts.queue(PromptAnswer::file("/tmp/x.dat"));
    QVERIFY(Services::prompts().openFile(spec));
    QCOMPARE(spec.fileName, QString("/tmp/x.dat"));
    QCOMPARE(env.prompts.shown[2].kind, PromptRecord::Save);
    QCOMPARE(env.prompts.shown[2].spec.fileName, QString("noname"));
    // A prompt left open lets virtual time pass.
    PromptAnswer late;
    late.afterMs = 2500;
    env.prompts.queue(late);
    const qint64 t0 = env.clock.elapsedMs();
    Services::prompts().messageBox("Info", "wait", MsgIcon::None, MbOk);
    QCOMPARE(env.clock.elapsedMs() - t0, qint64(2500));
}

void SeamsTest::unexpectedAndUnusedPromptsAreReported() {
    SimEnv env;
    QVERIFY(env.prompts.strictnessProblem().isEmpty());
    Services::prompts().messageBox("Error", "boom", MsgIcon::Error, MbOk);
    QVERIFY(env.prompts.strictnessProblem().contains("boom"));
    env.prompts.clear();
    env.prompts.queue(PromptAnswer::ok());
    QVERIFY(env.prompts.strictnessProblem().contains("never used"));
    env.prompts.allowUnused();
    QVERIFY(env.prompts.strictnessProblem().isEmpty());
}

void SeamsTest::inputBoxCancelGivesPreset() {
    SimEnv env;
    env.prompts.queue(PromptAnswer::cancel());
    QCOMPARE(Services::prompts().inputBox("c", "p", "X"), QString("X"));
    env.prompts.queue(PromptAnswer::input("12"));
    QCOMPARE(Services::prompts().inputBox("c", "p", "X"), QString("12"));
    QCOMPARE(env.prompts.shown[0].preset, QString("X"));
}

void SeamsTest::standardErrorFullStop_data() {
    QTest::addColumn<QString>("msg");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "File not found"
                            << "File not found.";
    QTest::newRow("digit") << "I/O error 32"
                           << "I/O error 32.";
    QTest::newRow("bang") << "Disconnect first!"
                          << "Disconnect first!";
    QTest::newRow("stop") << "Done."
                          << "Done.";
    QTest::newRow("blank") << "value "
                           << "value ";
    QTest::newRow("quote") << "'x' is not a valid integer value"
                           << "'x' is not a valid integer value.";
    QTest::newRow("empty") << ""
                           << "";
}

void SeamsTest::standardErrorFullStop() {
    QFETCH(QString, msg);
    QFETCH(QString, shown);
    QCOMPARE(StandardErrorText(msg), shown);
}

void SeamsTest::guardShowsErrorAndGoesOn() {
    SimEnv env;
    SetAppTitle("Vantrel control");
    bool after = false;
    env.prompts.queue(PromptAnswer::ok());
    Guard([] { throw AppError("Read beyond end of file"); });
    Guard([&] { after = true; });
    QVERIFY(after);
    QCOMPARE(env.prompts.shown.size(), 1);
    QCOMPARE(env.prompts.shown[0].caption, QString("Vantrel control"));
    QCOMPARE(env.prompts.shown[0].text, QString("Read beyond end of file."));
    QCOMPARE(env.prompts.shown[0].icon, MsgIcon::Error);
    QCOMPARE(env.prompts.shown[0].buttons, int(MbOk));
}

void SeamsTest::comMapping() {
    qunsetenv("SERIAL_COM4");
    QCOMPARE(ComDevicePath(4), QString("/dev/ttyS3"));
    qputenv("SERIAL_COM4", "/dev/ttyUSB0");
    QCOMPARE(ComDevicePath(4), QString("/dev/ttyUSB0"));
    qputenv("SERIAL_COM4", "");
    QCOMPARE(ComDevicePath(4), QString());
    QtSerialPorts real;
    std::unique_ptr<SerialLink> l(real.create(nullptr));
    try {
        l->open(4, 9600);
        QFAIL("an empty mapping must mean no such port");
    } catch (const SerialError& e) {
        QCOMPARE(e.kind, SerialError::NoSuchPort);
    }
    qunsetenv("SERIAL_COM4");
}

void SeamsTest::simLinkLineFeedEventNestedInHandlerWait() {
    SimEnv env;
    DeviceBus bus;
    bus.add<IdentProbe>(3);
    env.ports.attach(1, &bus);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(1, 9600);
    QList<QByteArray> got;
    int depth = 0, maxDepth = 0;
    QObject::connect(link.get(), &SerialLink::lineFeedReceived, [&] {
        maxDepth = std::max(maxDepth, ++depth);
        got << link->read(2052);
        if (got.size() == 1) {
            // A handler that waits still sees the next line's event.
            link->write("\r");
            TShortFrame f{};
            f.Device = DevProbe;
            f.Addr = 0x43;
            f.Code = 0x01;
            link->write(QByteArray::fromStdString(EncodeFrame(f)).mid(1));
            WaitUntil([&] { return got.size() == 2; });
        }
        --depth;
    });
    TShortFrame f{};
    f.Device = DevProbe;
    f.Addr = 0x23;
    f.Code = 0x01;
    link->write(QByteArray::fromStdString(EncodeFrame(f)));
    QVERIFY(env.clock.runUntil([&] { return got.size() == 2; }, 1000));
    QCOMPARE(maxDepth, 2);
    TShortFrame r{};
    DecodeFrameReply(got[0].toStdString(), r);
    QCOMPARE(int(r.Code), 0x81);
    QCOMPARE(int(r.Addr), 0x23);
    QCOMPARE(bus.requests.size(), 2);
}

void SeamsTest::simLinkSplitLineRaisesOneEvent() {
    SimEnv env;
    DeviceBus bus;
    bus.add<IdentProbe>(0);
    bus.faults.splitNext = 1;
    env.ports.attach(2, &bus);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(2, 9600);
    int lfEvents = 0, dataEvents = 0;
    QByteArray line;
    QObject::connect(link.get(), &SerialLink::lineFeedReceived, [&] {
        ++lfEvents;
        line = link->read(2052);
    });
    QObject::connect(link.get(), &SerialLink::bytesAvailable, [&](int) { ++dataEvents; });
    TShortFrame f{};
    f.Device = DevProbe;
    f.Code = 0x01;
    link->write(QByteArray::fromStdString(EncodeFrame(f)));
    env.clock.advance(500);
    QCOMPARE(lfEvents, 1);
    QCOMPARE(dataEvents, 2);
    QVERIFY(line.startsWith('\r') && line.endsWith('\n'));
}

void SeamsTest::simLinkMissingAndBusyPorts() {
    SimEnv env;
    env.ports.setBusy(5, true);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    try {
        link->open(3, 9600);
        QFAIL("COM3 does not exist");
    } catch (const SerialError& e) {
        QCOMPARE(e.kind, SerialError::NoSuchPort);
    }
    try {
        link->open(5, 9600);
        QFAIL("COM5 is busy");
    } catch (const SerialError& e) {
        QCOMPARE(e.kind, SerialError::AccessDenied);
    }
    QVERIFY(!link->isOpen());
    env.ports.addEmptyPort(6);
    link->open(6, 9600);
    bool lost = false;
    QObject::connect(link.get(), &SerialLink::lost, [&] { lost = true; });
    env.ports.remove(6);
    QVERIFY(lost && !link->isOpen());
}

void SeamsTest::purgeDropsPendingEvents() {
    SimEnv env;
    env.ports.addEmptyPort(1);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(1, 9600);
    int lf = 0, data = 0;
    QObject::connect(link.get(), &SerialLink::lineFeedReceived, [&] { ++lf; });
    QObject::connect(link.get(), &SerialLink::bytesAvailable, [&](int) { ++data; });
    auto* sim = env.ports.openLink(1);
    sim->arrive("\r0282\n");
    link->purgeInput();  // before the event is handed on
    env.clock.advance(10);
    QCOMPARE(lf + data, 0);
    sim->arrive("\r0282\n");
    env.clock.advance(10);
    QCOMPARE(lf, 1);
    QCOMPARE(data, 1);
}

void SeamsTest::simLinkDrivesRtsAroundWritesInRs485Mode() {
    SimEnv env;
    env.ports.addEmptyPort(2);
    std::unique_ptr<SerialLink> link(Services::ports().create(nullptr));
    link->open(2, 9600);
    link->write("plain");
    QVERIFY(!env.ports.rs485(2));
    link->close();
    link->setRs485(true);  // an option of the link, taken by every opening
    link->open(2, 9600);
    QVERIFY(env.ports.rs485(2));
    link->write("\r0301\n");
    link->write("\r0302\n");
    const auto around = env.ports.rtsAroundWrites(2);
    QCOMPARE(around.size(), 3);
    QVERIFY(!around[0].during && !around[0].after);
    for (int i : {1, 2}) QVERIFY(around[i].during && !around[i].after);
}

void SeamsTest::waitEndsWhenQuitting() {
    SimEnv env;
    env.clock.after(200, [] { SetAppQuitting(true); });
    QVERIFY(!WaitUntil([] { return false; }));
    QCOMPARE(env.clock.elapsedMs(), qint64(200));
}

void SeamsTest::applicationPreparedAsTheProgramsPrepareIt() {
    // No display name: Qt would append it to every window and box title ("Error — ...").
    QCOMPARE(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
    // A write past the file-size limit fails (EFBIG) instead of killing the program.
    struct sigaction sa {};
    QCOMPARE(::sigaction(SIGXFSZ, nullptr, &sa), 0);
    QVERIFY(sa.sa_handler == SIG_IGN);
}

void SeamsTest::fileDialogsRefuseWhatTheirSettingsForbid() {
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("there.dat"));
    QFile(existing).open(QIODevice::WriteOnly);
    const QString missing = dir.filePath(QStringLiteral("new.dat"));
    const QString noFolder = dir.filePath(QStringLiteral("none/new.dat"));
    FileDialogSpec any, path, file;
    path.pathMustExist = true;
    file.fileMustExist = true;
    for (const QString& p : {existing, missing, noFolder}) QVERIFY(FileChoiceRefusal(any, p).isEmpty());
    QVERIFY(FileChoiceRefusal(path, missing).isEmpty());
    QVERIFY(FileChoiceRefusal(path, noFolder).contains(QStringLiteral("The folder does not exist.")));
    QVERIFY(FileChoiceRefusal(file, existing).isEmpty());
    QVERIFY(FileChoiceRefusal(file, missing).contains(QStringLiteral("File not found.")));
    QVERIFY(FileChoiceRefusal(file, noFolder).contains(QStringLiteral("The folder does not exist.")));

    // The scripted dialog refuses as the real one and takes the next answer.
    SimEnv env;
    env.prompts.queue(PromptAnswer::file(missing));
    env.prompts.queue(PromptAnswer::file(existing));
    QVERIFY(Services::prompts().openFile(file));
    QCOMPARE(file.fileName, existing);
    QCOMPARE(env.prompts.shown.size(), 2);
    QVERIFY(!env.prompts.shown[0].refused.isEmpty());
    QVERIFY(env.prompts.shown[1].refused.isEmpty());
}

TANKCFG_TEST_MAIN(SeamsTest)
#include "tst_seams.moc"
