// The speed-of-wire wizard on a console-dialect probe whose float the test moves.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "windowsfixture.h"

class CalSowTest : public QObject {
    Q_OBJECT
private slots:
    void arithmetic();
    void twoPointsGiveTheSpeed();
    void outliersChangeNothing();
    void equalReversedAndFarPoints();
    void closePointsRaiseOneError();
    void distanceIsClampedAndRead();
    void againMeasuresBothPointsAnew();
    void onlyUpdateTakesTheResult();
    void samplesWhileWaitingDoNotCount();
    void staleSamplesOfAnEarlierRun();
    void waitingAtStepThree();
    void lostPortEndsTheWizard();
};

namespace {
const QString kStart = QStringLiteral("Please move Sensor 1 on position 1 and press \"Next >>\"");
const QString kPoint2 = QStringLiteral("Please move Sensor 1 on position 2 and press \"Next >>\"");

// The wizard on a probe at address 0 (the current probe at start) on a 3000 m/s wire.
struct WizardRig : WindowsRig {
    ConsoleProbe* probe;
    WizardRig() { probe = probes.add<ConsoleProbe>(0); }
    QSpinBox* speed() const { return find<QSpinBox>("PrSpdOfWire"); }
    TCalSoW* wizard() const { return forms().CalSoW; }
    void next() const { In(wizard(), "Nextbut")->click(); }
    void again() const { In(wizard(), "PBut")->click(); }
    QString info() const { return In<QLabel>(wizard(), "Infolabel")->text(); }
    QLineEdit* distanceEdit() const { return In<QLineEdit>(wizard(), "editlength"); }
    QString captions() const {
        return In(wizard(), "PBut")->text() + QLatin1Char('|') + In(wizard(), "Nextbut")->text();
    }
    bool reach(int step, int ms = 12000) {
        return env.clock.runUntil([this, step] { return wizard()->step() == step; }, ms);
    }
    // Point 1 at mm1, point 2 at mm2; leaves the wizard at step 5.
    bool measure(double mm1, double mm2) {
        probe->setFloat(1, mm1);
        next();
        if (!reach(3)) return false;
        probe->setFloat(1, mm2);
        next();
        return reach(5);
    }
    // Runs the wizard: script runs inside it; returns when it has closed.
    void run(const std::function<void()>& script) {
        env.clock.after(0, script);
        click("CalibrateSow");
    }
};
}  // namespace

void CalSowTest::arithmetic() {
    // The worked example.
    QCOMPARE(SowSpeed(100000, 433333, 1000), std::optional<int32_t>(300000));
    QCOMPARE(SowSpeed(433333, 100000, 1000), std::optional<int32_t>(-300000));
    QCOMPARE(SowSpeed(5, 5, 1000), std::optional<int32_t>(0));
    // 10^10 div d times 1000 leaves 32 bits from a difference of 4656 down; below 5 the
    // quotient alone does.
    QCOMPARE(SowSpeed(0, 4657, 1000), std::optional<int32_t>(21473050));
    QCOMPARE(SowSpeed(0, 4656, 1000), std::nullopt);
    QCOMPARE(SowSpeed(4656, 0, 1000), std::nullopt);
    QCOMPARE(SowSpeed(0, 4, 100), std::nullopt);
    QCOMPARE(SowSpeed(0, 5, 1), std::optional<int32_t>(20000000));
    QCOMPARE(SowSpeed(0, 16777215, 2000), std::optional<int32_t>(11920));
    QCOMPARE(SowSpeed(0, -16777215, 100), std::optional<int32_t>(-596));
    // Middle eight of sixteen; the four largest and smallest do not count, nor does slot 17.
    int32_t s[17] = {101, 9000000, 100, 0, 101, 100, 7000000, 0, 101, 100, 8000000, 0, 101, 100, 6000000, 0, 99999999};
    QCOMPARE(SowPointValue(s), 100);  // 804 div 8
    int32_t neg[17] = {-9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -9, -10, 0};
    QCOMPARE(SowPointValue(neg), -9);
    int32_t trunc[17] = {};
    for (int i = 0; i < 16; ++i) trunc[i] = i < 8 ? -1 : 0;  // middle eight: four -1, four 0
    QCOMPARE(SowPointValue(trunc), 0);                       // -4 div 8 toward zero
}

void CalSowTest::twoPointsGiveTheSpeed() {
    WizardRig r;
    qint64 point1At = 0, opened = 0;
    QStringList seen;
    bool busyNextIgnored = false, editLocked = false;
    r.run([&] {
        seen << r.captions() << r.info() << r.distanceEdit()->text() << r.forms().CalSoW->windowTitle();
        opened = r.env.clock.elapsedMs();
        r.probe->setFloat(1, 300.0);  // raw 100000 at 3000 m/s
        r.next();
        seen << r.info();
        editLocked = !r.distanceEdit()->isEnabled();
        r.env.clock.advance(1200);
        r.next();  // measuring: nothing
        busyNextIgnored = r.forms().CalSoW->step() == 2;
        r.reach(3);
        point1At = r.env.clock.elapsedMs() - opened;
        seen << r.info();
        r.probe->setFloat(1, 1300.0);  // raw 433333
        r.next();
        seen << r.info();
        r.reach(5);
        seen << r.info() << r.captions();
        r.next();
        seen << r.info() << r.captions();
        r.next();
    });
    QVERIFY(!r.forms().CalSoW->isVisible());
    QCOMPARE(seen, (QStringList{"<< Prev|Next >>", kStart, "1000", "Calibrate Speed of Wire",
                                "Measuring value for point 1 ... ", kPoint2, "Measuring value for point 2 ... ",
                                "Speed of wire is:300000", "<< Prev|Next >>",
                                "Update value and then save it to probe !", "Again|Update"}));
    QVERIFY(editLocked && busyNextIgnored);
    // Sixteen ticks of sampling, the point on the seventeenth.
    QVERIFY2(point1At > 8000 && point1At <= 8500, qPrintable(QString::number(point1At)));
    QCOMPARE(r.forms().CalSoW->point1(), 100000);
    QCOMPARE(r.forms().CalSoW->point2(), 433333);
    QCOMPARE(r.speed()->value(), 300000);
    QCOMPARE(r.probe->dataRequests, 32);
    QVERIFY(!r.w->sowCalibrating());

    // The float moved from 100 mm to 1100 mm on the same wire: 3000 m/s but for the rounding of
    // the two raw readings (33333 and 366667).
    r.run([&] {
        r.measure(100.0, 1100.0);
        r.next();
        r.next();
    });
    QCOMPARE(r.speed()->value(), 299990);
    // Nothing more is asked once the wizard has closed.
    const int requests = r.probe->dataRequests;
    r.env.clock.advance(3000);
    QCOMPARE(r.probe->dataRequests, requests);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void CalSowTest::outliersChangeNothing() {
    WizardRig r;
    const QList<int> wild{5000000, 0, -90000, 0, 0, 3000000, -80000, 0, 4000000, 0, -70000, 0, 0, 2000000, 0, -95000};
    r.run([&] {
        r.probe->rawNoise = wild;
        r.probe->setFloat(1, 300.0);
        r.next();
        r.reach(3);
        r.probe->rawNoise = wild;
        r.probe->setFloat(1, 1300.0);
        r.next();
        r.reach(5);
        r.next();
        r.next();
    });
    QCOMPARE(r.forms().CalSoW->point1(), 100000);
    QCOMPARE(r.forms().CalSoW->point2(), 433333);
    QCOMPARE(r.speed()->value(), 300000);
}

void CalSowTest::equalReversedAndFarPoints() {
    WizardRig r;
    QStringList infos;
    // The float not moved: speed 0, which "Update" turns into the field's minimum.
    r.run([&] {
        r.measure(500.0, 500.0);
        infos << r.info();
        r.next();
        r.next();
    });
    QCOMPARE(r.speed()->value(), 200000);
    // Moved toward the head: a negative speed, also the minimum.
    r.speed()->setValue(333333);
    r.run([&] {
        r.measure(1300.0, 300.0);
        infos << r.info();
        r.next();
        r.next();
    });
    QCOMPARE(r.speed()->value(), 200000);
    // 1000 mm of travel given as 2000 mm: 600000, held at the maximum.
    r.run([&] {
        r.distanceEdit()->setText(QStringLiteral("2000"));
        r.measure(300.0, 1300.0);
        infos << r.info();
        r.next();
        r.next();
    });
    QCOMPARE(r.speed()->value(), 400000);
    QCOMPARE(infos, (QStringList{"Speed of wire is:0", "Speed of wire is:-300000", "Speed of wire is:600000"}));
}

void CalSowTest::closePointsRaiseOneError() {
    WizardRig r;
    r.env.prompts.queue(PromptAnswer::ok());
    int boxes = -1;
    QString after;
    r.run([&] {
        // 3 mm apart: a difference of 1000 raw units, too close for 1000 mm.
        r.measure(300.0, 303.0);  // stops at step 3, not 5
        QCOMPARE(r.forms().CalSoW->step(), 3);
        after = r.info();
        // Ticks go on; none repeats the error or measures while waiting.
        const int requests = r.probe->dataRequests;
        r.env.clock.advance(10000);
        boxes = r.env.prompts.shown.size();
        QCOMPARE(r.probe->dataRequests, requests);
        // "Next >>" measures point 2 anew, now far enough away.
        r.probe->setFloat(1, 1300.0);
        r.next();
        r.reach(5);
        // And after another too-close pair, "<< Prev" starts over with both points.
        r.env.prompts.queue(PromptAnswer::ok());
        r.again();
        r.measure(800.0, 801.0);
        r.again();
        QCOMPARE(r.forms().CalSoW->step(), 0);
        r.measure(300.0, 1300.0);
        r.next();
        r.next();
    });
    QCOMPARE(boxes, 1);
    QCOMPARE(after, kPoint2);
    QCOMPARE(r.env.prompts.shown.size(), 2);
    const PromptRecord& box = r.env.prompts.shown[0];
    QCOMPARE(box.caption, QStringLiteral("Vantrel control"));
    QCOMPARE(box.icon, MsgIcon::Error);
    QCOMPARE(box.text, QStringLiteral("Speed of wire out of range: the two points are too close together."));
    QCOMPARE(r.speed()->value(), 300000);
}

void CalSowTest::distanceIsClampedAndRead() {
    WizardRig r;
    QStringList shown;
    QList<int> distances;
    bool lockedAfterPrev = false;
    r.run([&] {
        r.distanceEdit()->setText(QStringLiteral("50"));
        r.next();
        shown << r.distanceEdit()->text();
        distances << r.forms().CalSoW->distance();
        // Back to the start: the edit stays as it is, disabled.
        r.again();
        lockedAfterPrev = !r.distanceEdit()->isEnabled() && r.forms().CalSoW->step() == 0;
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QVERIFY(lockedAfterPrev);
    r.run([&] {
        // Opening enables the edit again.
        r.distanceEdit()->setText(QStringLiteral("5000"));
        r.next();
        shown << r.distanceEdit()->text();
        distances << r.forms().CalSoW->distance();
        In(r.forms().CalSoW, "Cancel")->click();
    });
    r.run([&] {
        r.distanceEdit()->setText(QStringLiteral("750"));
        r.next();
        shown << r.distanceEdit()->text();
        distances << r.forms().CalSoW->distance();
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(shown, (QStringList{"100", "2000", "750"}));
    QCOMPARE(distances, (QList<int>{100, 2000, 750}));

    // Not a number: the conversion error, and the wizard stays at its first step with the
    // edit open for a better text.
    r.env.prompts.queue(PromptAnswer::ok());
    int step = -1;
    bool editOpen = false;
    QString text;
    r.run([&] {
        r.distanceEdit()->setText(QStringLiteral("1 m"));
        r.next();
        step = r.forms().CalSoW->step();
        editOpen = r.distanceEdit()->isEnabled();
        text = r.info();
        r.env.clock.advance(3000);
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(step, 0);
    QVERIFY(editOpen);
    QCOMPARE(text, kStart);
    QCOMPARE(r.env.prompts.shown.size(), 1);
    QCOMPARE(r.env.prompts.shown[0].text, QStringLiteral("'1 m' is not a valid integer value."));
    QCOMPARE(r.probe->dataRequests, 0);
}

void CalSowTest::againMeasuresBothPointsAnew() {
    WizardRig r;
    QStringList seen;
    int firstRun = 0;
    r.run([&] {
        r.measure(300.0, 1300.0);
        r.next();  // step 6: "Update" and "Again"
        firstRun = r.probe->dataRequests;
        r.again();
        seen << r.captions() << r.info() << QString::number(r.forms().CalSoW->step());
        // The distance is read again, unchanged, and both points are measured anew.
        r.measure(200.0, 700.0);
        seen << r.info();
        r.next();
        r.next();
    });
    QCOMPARE(seen, (QStringList{"<< Prev|Next >>", "Move Sensor 1 on position 1 and press next ... ", "0",
                                "Speed of wire is:600000"}));
    QCOMPARE(firstRun, 32);
    QCOMPARE(r.probe->dataRequests, 64);
    QCOMPARE(r.forms().CalSoW->point1(), 66667);
    QCOMPARE(r.forms().CalSoW->point2(), 233333);
    QCOMPARE(r.speed()->value(), 400000);
}

void CalSowTest::onlyUpdateTakesTheResult() {
    WizardRig r;
    // A close by the window frame at the result is a Cancel.
    r.run([&] {
        r.measure(300.0, 1300.0);
        r.forms().CalSoW->close();
    });
    QVERIFY(!r.forms().CalSoW->isVisible());
    QCOMPARE(r.speed()->value(), 305218);
    QCOMPARE(r.forms().CalSoW->speedOfWire(), 300000);
    // So are "Cancel" and Escape at the last step.
    r.run([&] {
        r.measure(300.0, 1300.0);
        r.next();
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(r.speed()->value(), 305218);
    r.run([&] {
        r.measure(300.0, 1300.0);
        r.next();
        QTest::keyClick(r.forms().CalSoW, Qt::Key_Escape);
    });
    QCOMPARE(r.speed()->value(), 305218);
    QVERIFY(!r.w->sowCalibrating());

    // A run that ended on "Update": the next one opens on the first step's texts, not on
    // "Update" and "Again".
    r.run([&] {
        r.measure(300.0, 1300.0);
        r.next();
        r.next();
    });
    QCOMPARE(r.speed()->value(), 300000);
    QStringList reopened;
    r.run([&] {
        reopened << r.captions() << r.info() << QString::number(r.forms().CalSoW->step());
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(reopened, (QStringList{"<< Prev|Next >>", kStart, "0"}));

    // With the probe port closed the wizard opens and waits in its measuring step.
    r.click("ProbeConnect");
    int step = -1;
    r.run([&] {
        r.next();
        r.env.clock.advance(20000);
        step = r.forms().CalSoW->step();
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(step, 2);
    QVERIFY(r.env.prompts.shown.isEmpty());
}

void CalSowTest::samplesWhileWaitingDoNotCount() {
    WizardRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    qint64 waitedPoint1 = -1, waitedPoint2 = -1;
    int count = -1;
    r.run([&] {
        r.probe->setFloat(1, 300.0);
        r.env.clock.advance(10000);  // auto refresh samples while the user reads the text
        count = r.w->sowSampleCount();
        qint64 t = r.env.clock.elapsedMs();
        r.next();
        r.reach(3);
        waitedPoint1 = r.env.clock.elapsedMs() - t;
        r.probe->setFloat(1, 1300.0);
        r.env.clock.advance(10000);
        t = r.env.clock.elapsedMs();
        r.next();
        r.reach(5);
        waitedPoint2 = r.env.clock.elapsedMs() - t;
        r.next();
        r.next();
    });
    QCOMPARE(count, 17);
    // Readings taken while the wizard waited are dropped when the point's measuring begins:
    // sixteen of its own, two a tick with auto refresh, and the point on the ninth tick.
    QVERIFY2(waitedPoint1 >= 4000 && waitedPoint1 < 4500, qPrintable(QString::number(waitedPoint1)));
    QVERIFY2(waitedPoint2 >= 4000 && waitedPoint2 < 4500, qPrintable(QString::number(waitedPoint2)));
    QCOMPARE(r.speed()->value(), 300000);
}

void CalSowTest::staleSamplesOfAnEarlierRun() {
    WizardRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    // A first run: the float at raw 300000, "Next >>", seven readings, then Cancel.
    int readAtCancel = -1;
    r.run([&] {
        r.probe->setFloat(1, 900.0);
        r.next();
        r.env.clock.runUntil([&] { return r.w->sowSampleCount() >= 7; }, 10000);
        readAtCancel = r.w->sowSampleCount();
        In(r.forms().CalSoW, "Cancel")->click();
    });
    QCOMPARE(readAtCancel, 7);
    // The user reads the page a moment; no reading is on its way when the wizard opens again.
    r.env.clock.advance(2200);
    // A second run: raw 100000, then 433333, 1000 mm apart.
    QString result;
    r.run([&] {
        r.measure(300.0, 1300.0);
        result = r.info();
        r.next();
        r.next();
    });
    QCOMPARE(result, QStringLiteral("Speed of wire is:300000"));
    QCOMPARE(r.forms().CalSoW->point1(), 100000);
    QCOMPARE(r.forms().CalSoW->point2(), 433333);
    QCOMPARE(r.speed()->value(), 300000);

    // "<< Prev" in the middle of a point: what that point had read does not count either.
    r.speed()->setValue(250000);
    r.run([&] {
        r.probe->setFloat(1, 900.0);
        r.next();
        r.env.clock.runUntil([&] { return r.w->sowSampleCount() >= 7; }, 10000);
        r.again();
        r.measure(300.0, 1300.0);
        result = r.info();
        r.next();
        r.next();
    });
    QCOMPARE(result, QStringLiteral("Speed of wire is:300000"));
    QCOMPARE(r.speed()->value(), 300000);
}

void CalSowTest::waitingAtStepThree() {
    WizardRig r;
    r.find<QCheckBox>("Autorefresh")->setChecked(true);
    QString result;
    qint64 measured = -1;
    r.run([&] {
        r.probe->setFloat(1, 300.0);
        r.next();
        r.reach(3);
        // The user takes 9 s to move the float; auto refresh reads the first position meanwhile.
        r.env.clock.advance(9000);
        r.probe->setFloat(1, 1300.0);
        const qint64 t = r.env.clock.elapsedMs();
        r.next();
        r.reach(5);
        measured = r.env.clock.elapsedMs() - t;
        result = r.info();
        r.next();
        r.next();
    });
    QCOMPARE(result, QStringLiteral("Speed of wire is:300000"));
    QCOMPARE(r.forms().CalSoW->point2(), 433333);
    QCOMPARE(r.speed()->value(), 300000);
    // Sixteen readings of its own, two a tick with auto refresh: the point on the ninth tick.
    QVERIFY2(measured >= 4000 && measured < 4500, qPrintable(QString::number(measured)));
}

void CalSowTest::lostPortEndsTheWizard() {
    // Pulled while point 1 is measured, and while the result is shown: the wizard closes, the
    // user is told once, and the field keeps its value.
    for (int at : {2, 5}) {
        WizardRig r;
        r.speed()->setValue(333333);
        bool wizardGoneUnderBox = false;
        r.env.prompts.queue(OkAfterWindowGone(r.forms().CalSoW, wizardGoneUnderBox));
        int stepWhenPulled = -1;
        // Should the wizard stay, the user gives up on it.
        r.env.clock.after(40000, [&] {
            if (r.forms().CalSoW->isVisible()) In(r.forms().CalSoW, "Cancel")->click();
        });
        qint64 pulledAt = -1;
        r.run([&] {
            if (at == 2) {
                r.probe->setFloat(1, 300.0);
                r.next();
                r.env.clock.advance(2000);
            } else {
                r.measure(300.0, 1300.0);
            }
            stepWhenPulled = r.forms().CalSoW->step();
            pulledAt = r.env.clock.elapsedMs();
            r.env.ports.remove(3);
        });
        QCOMPARE(stepWhenPulled, at);
        QVERIFY(r.env.clock.elapsedMs() - pulledAt < 500);
        QVERIFY(!r.forms().CalSoW->isVisible());
        QVERIFY(!r.w->sowCalibrating());
        QVERIFY(wizardGoneUnderBox);
        QCOMPARE(r.speed()->value(), 333333);
        r.env.clock.advance(5000);
        QCOMPARE(r.env.prompts.shown.size(), 1);
        QCOMPARE(r.env.prompts.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(r.env.prompts.shown[0].text, NotOnRs485Text);
        QCOMPARE(r.linesEndingWith(QStringLiteral(" /Error      > Not connected to RS485 Network! ")), 1);
    }
}

TANKCFG_TEST_MAIN(CalSowTest)
#include "tst_calsow.moc"
