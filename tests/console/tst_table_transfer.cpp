// Sending a calibration table to the simulated tank console, on virtual time.
#include <QProgressBar>
#include <QSpinBox>
#include <QTemporaryDir>

#include "calibration/tablecfg.h"
#include "calibration/tankcfg.h"
#include "console/progresft.h"
#include "consolefixture.h"
#include "platform/fileio.h"

namespace {
const QString TransferError = QStringLiteral("Error sending Calibration Tables");

// A block request's number, or -1 for any other request.
int blockOf(const QByteArray& request) {
    const QByteArray d = ConsoleFixture::dataOf(request);
    if (request.mid(1, 2) != "42" || d.size() < 3) return -1;
    return uint8_t(d[1]) * 256 + uint8_t(d[2]);
}

QByteArray singles(std::initializer_list<float> values) {
    QByteArray out;
    for (float v : values)
        for (uint8_t b : SingleToBE(v)) out.append(char(b));
    return out;
}

void fillRamp(TCalTable& t) {
    t.Count = MaxCalPoints;
    t.Step = 1.0f;
    for (int i = 0; i <= MaxCalPoints; ++i) {
        t.Points[i].Value = float(i);
        t.Points[i].Arg = float(i) / 2;
    }
}

uint16_t checksumOf(const TCalTable& t) {
    uint16_t crc = 0;
    for (int i = 1; i <= MaxCalPoints; ++i)
        for (uint8_t b : SingleToBE(t.Points[i].Value)) crc = Crc16Update(crc, b);
    return crc;
}

// The header and the 125 blocks of a ramp table (fillRamp) sent as tank n.
void CheckRampSent(const QList<QByteArray>& r, int n, uint16_t crc) {
    QCOMPARE(r.size(), 126);
    QCOMPARE(ConsoleFixture::dataOf(r[0]), QByteArray(1, char(n)) + QByteArray::fromHex("007D203DCCCCCD") +
                                               QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(4, '0')));
    for (int b = 0; b < 125; ++b) {
        const QByteArray d = ConsoleFixture::dataOf(r[b + 1]);
        QCOMPARE(int(uint8_t(d[0])), n);
        QCOMPARE(d.mid(3, 4), singles({float(32 * b + 1)}));
    }
}
}  // namespace

class TableTransferTest : public QObject {
    Q_OBJECT
private slots:
    void checksumsOfKnownTables();
    void headerCarriesTankBlocksAndStepInCm();
    void blocksCarryTheirPointsWhateverTheCount();
    void wrongEchoOrRefusalEndsWithTheBox();
    void noAnswerToBlockZeroEndsWithTheBox();
    void refusedHeaderOrNoLinkEndsQuietly();
    void tankSwitchAndApplyDuringTransferChangeNothingSent();
    void countAboveTheTableFromAFile();
    void tableOfTheLastTank();
};

namespace {
struct Transfer {
    ConsoleFixture f;
    explicit Transfer(bool connect = true) : f(connect) {
        f.env.prompts.acceptAny(false);
        f.env.prompts.clear();
    }
    QProgressBar* gauge() const { return f.forms().progresf->catprg; }
    void send(uint8_t n) {
        f.bus.requests.clear();
        f.w->SendCalibrationTable(n);
    }
    QList<QByteArray> requests() const { return f.bus.requests; }
    TCalTable& table(int tank) const { return f.session().ConsoleConfig.Tanks[tank - 1].CalTable; }
};
}  // namespace

void TableTransferTest::checksumsOfKnownTables() {
    Transfer t;
    t.table(1).Crc = 0xBEEF;
    t.send(1);
    QCOMPARE(t.requests().size(), 126);
    QCOMPARE(ConsoleFixture::dataOf(t.requests()[0]).mid(8, 2), QByteArray("\x00\x00", 2));
    QCOMPARE(int(t.table(1).Crc), 0);
    QVERIFY(t.f.model->table(1).checksumOk);

    t.table(2).Points[1].Value = 1.0f;
    t.table(2).Points[0].Value = 5.0f;  // the origin point is not sent
    t.send(2);
    QCOMPARE(ConsoleFixture::dataOf(t.requests()[0]).mid(8, 2), QByteArray("\x9F\x61", 2));
    QCOMPARE(int(t.table(2).Crc), 0x9F61);
    QVERIFY(t.f.model->table(2).checksumOk);
    QVERIFY(t.f.env.prompts.shown.isEmpty());
}

void TableTransferTest::headerCarriesTankBlocksAndStepInCm() {
    Transfer t;
    fillRamp(t.table(3));
    t.send(3);
    const QByteArray h = ConsoleFixture::dataOf(t.requests()[0]);
    QCOMPARE(t.requests()[0].mid(1, 2), QByteArray("40"));
    QCOMPARE(h.size(), 10);
    QCOMPARE(h.left(8), QByteArray::fromHex("03007D203DCCCCCD"));
    const uint16_t crc = checksumOf(t.table(3));
    QCOMPARE(h.mid(8, 2), QByteArray::fromHex(QByteArray::number(crc, 16).rightJustified(4, '0')));
    // The gauge ends on the last block and the window goes.
    QCOMPARE(t.gauge()->value(), 124);
    QCOMPARE(t.gauge()->maximum(), 125);
    QVERIFY(!t.f.forms().progresf->isVisible());
    QVERIFY(t.f.model->table(3).checksumOk);
}

void TableTransferTest::blocksCarryTheirPointsWhateverTheCount() {
    Transfer t;
    fillRamp(t.table(1));
    t.table(1).Count = 10;  // the points past Count go as they stand
    t.send(1);
    const auto r = t.requests();
    QCOMPARE(r.size(), 126);
    for (int b = 0; b < 125; ++b) QCOMPARE(blockOf(r[b + 1]), b);
    const QByteArray b0 = ConsoleFixture::dataOf(r[1]);
    QCOMPARE(b0.size(), 131);
    QCOMPARE(b0.left(3), QByteArray("\x01\x00\x00", 3));
    QCOMPARE(b0.mid(3, 8), singles({1, 2}));
    QCOMPARE(b0.right(4), singles({32}));
    const QByteArray b1 = ConsoleFixture::dataOf(r[2]);
    QCOMPARE(b1.left(3), QByteArray("\x01\x00\x01", 3));
    QCOMPARE(b1.mid(3, 4), singles({33}));
    QCOMPARE(b1.right(4), singles({64}));
    const QByteArray b124 = ConsoleFixture::dataOf(r[125]);
    QCOMPARE(b124.left(3), QByteArray("\x01\x00\x7C", 3));
    QCOMPARE(b124.mid(3, 4), singles({3969}));
    QCOMPARE(b124.right(4), singles({4000}));
    QCOMPARE(r[125].size(), 270);
    QCOMPARE(t.f.model->table(1).values[3999], 4000.0f);
}

void TableTransferTest::wrongEchoOrRefusalEndsWithTheBox() {
    for (bool echo : {true, false}) {
        Transfer t;
        // Block 5's acknowledgement echoes block 4, or refuses it.
        t.f.bus.faults.hook = [&](const QByteArray& req, QList<QByteArray> replies) {
            if (blockOf(req) == 4) (echo ? t.f.model->wrongBlockEchoNext : t.f.model->refuseNext) = 1;
            return replies;
        };
        t.gauge()->setValue(100);
        t.f.env.prompts.queue(PromptAnswer::ok());
        t.send(1);
        QCOMPARE(t.requests().size(), 1 + 6);
        QCOMPARE(t.f.env.prompts.shown.size(), 1);
        QCOMPARE(t.f.env.prompts.shown[0].caption, QStringLiteral("Error"));
        QCOMPARE(t.f.env.prompts.shown[0].text, TransferError);
        QCOMPARE(t.f.env.prompts.shown[0].buttons, int(MbOk));
        QCOMPARE(t.gauge()->value(), 4);
        QVERIFY(t.f.forms().progresf->isVisible());
    }
}

void TableTransferTest::noAnswerToBlockZeroEndsWithTheBox() {
    Transfer t;
    t.f.bus.faults.hook = [](const QByteArray& req, QList<QByteArray> replies) {
        return blockOf(req) == 0 ? QList<QByteArray>{} : replies;
    };
    t.gauge()->setValue(77);  // a stale acknowledgement state must not pass block 0
    t.f.env.prompts.queue(PromptAnswer::ok());
    t.send(1);
    QCOMPARE(t.requests().size(), 2);
    QCOMPARE(t.f.env.prompts.texts(), QStringList{TransferError});
    QCOMPARE(t.f.logLinesEndingWith(QStringLiteral(" /Error      > Terminal Time out waiting for responce !")), 1);
    QCOMPARE(t.f.find("TrmConnect")->text(), QStringLiteral("Connect"));  // the link closed
    QCOMPARE(t.gauge()->value(), 77);
    QVERIFY(t.f.forms().progresf->isVisible());
}

void TableTransferTest::refusedHeaderOrNoLinkEndsQuietly() {
    {
        Transfer t;
        t.f.model->refuseNext = 1;
        t.send(1);
        QCOMPARE(t.requests().size(), 1);
        QVERIFY(t.f.env.prompts.shown.isEmpty());
        QVERIFY(t.f.forms().progresf->isVisible());
    }
    {
        Transfer t(false);
        t.f.env.prompts.queue(PromptAnswer::ok());
        t.table(1).Points[1].Value = 1.0f;
        t.send(1);
        QCOMPARE(t.f.env.prompts.texts(),
                 QStringList{QStringLiteral("Error No:100 - Not Connected !\r Transmision aborted ! ")});
        QVERIFY(t.f.forms().progresf->isVisible());
        QCOMPARE(int(t.table(1).Crc), 0x9F61);  // computed all the same
    }
}

void TableTransferTest::tankSwitchAndApplyDuringTransferChangeNothingSent() {
    Transfer t;
    t.f.find<QSpinBox>("Noftanks")->setValue(3);
    fillRamp(t.table(2));
    t.f.session().CurrentTank = 2;
    const uint16_t crc = checksumOf(t.table(2));
    t.f.forms().tankconfig->TankNo = 2;
    t.f.forms().tankconfig->show();
    // Two boxes: the editor's Send to Terminal and the tank window's Apply are refused while
    // the transfer waits.
    t.f.env.prompts.queue(PromptAnswer::ok());
    t.f.env.prompts.queue(PromptAnswer::ok());
    t.f.env.clock.after(1000, [&] {
        // The editor stores another table into tank 2 and tries to send it.
        for (int i = 1; i <= MaxCalPoints; ++i) t.f.forms().CalibrationTable->Table.Points[i].Value = -1.0f;
        t.f.forms().CalibrationTable->Table.Step = 7.0f;
        t.f.forms().CalibrationTable->applytable->click();
        QCOMPARE(t.table(2).Points[1].Value, -1.0f);
        t.f.forms().CalibrationTable->SendTable->click();
        // The grid and the tank window move to other tanks.
        t.f.w->Tanks_listClick(3);
        t.f.forms().tankconfig->findChild<QPushButton*>(QStringLiteral("prev"))->click();
        t.f.forms().tankconfig->findChild<QPushButton*>(QStringLiteral("apply"))->click();
    });
    t.send(2);
    CheckRampSent(t.requests(), 2, crc);
    if (QTest::currentTestFailed()) return;
    QVERIFY(t.f.model->table(2).checksumOk);
    QCOMPARE(t.f.model->table(2).values[99], 100.0f);
    QCOMPARE(t.table(2).Points[1].Value, -1.0f);  // the record holds what the editor stored
    const QStringList texts = t.f.env.prompts.texts();
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts[0].startsWith(QStringLiteral("The calibration table of tank No: 2 was not sent")));
    QVERIFY(texts[1].startsWith(QStringLiteral("Tank No: 1 configuration is stored but was not sent")));
    QVERIFY(!t.f.forms().progresf->isVisible());
}

void TableTransferTest::countAboveTheTableFromAFile() {
    Transfer t;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.dat"));
    auto image = std::make_unique<TConsoleConfig>(t.f.session().ConsoleConfig);
    fillRamp(image->Tanks[0].CalTable);
    image->Tanks[0].CalTable.Count = 65535;
    WriteWholeFile(path, image.get(), sizeof *image);
    t.f.env.prompts.queue(PromptAnswer::file(path));
    t.f.w->Load_t_from_fileClick();
    QCOMPARE(int(t.table(1).Count), 65535);
    t.send(1);
    QCOMPARE(t.requests().size(), 126);
    QVERIFY(t.f.model->table(1).checksumOk);
    QCOMPARE(ConsoleFixture::dataOf(t.requests()[125]).right(4), singles({4000}));
}

void TableTransferTest::tableOfTheLastTank() {
    // Tank 16's stored table, opened in the editor from the grid and the tank window and sent
    // from there as it stands.
    Transfer t;
    t.f.find<QSpinBox>("Noftanks")->setValue(16);
    fillRamp(t.table(16));
    t.f.w->Tanks_listClick(16);
    t.f.click("Edit_t_data");
    t.f.env.clock.settle();
    QCOMPARE(t.f.forms().tankconfig->windowTitle(), QStringLiteral("Tank No: 16 configuration"));
    t.f.forms().tankconfig->findChild<QPushButton*>(QStringLiteral("ldtable"))->click();
    t.f.env.clock.settle();
    QVERIFY(t.f.forms().CalibrationTable->isVisible());
    t.f.bus.requests.clear();
    t.f.forms().CalibrationTable->SendTable->click();
    CheckRampSent(t.requests(), 16, checksumOf(t.table(16)));
    if (QTest::currentTestFailed()) return;
    QVERIFY(t.f.model->table(16).checksumOk);
    QCOMPARE(t.f.model->table(16).values[3999], 4000.0f);
    QCOMPARE(int(t.table(16).Crc), int(checksumOf(t.table(16))));
    for (int n = 1; n < 16; ++n) QVERIFY(!t.f.model->table(n).headerSeen);
    QVERIFY(!t.f.forms().progresf->isVisible());
    QVERIFY(!t.f.forms().CalibrationTable->isVisible());
    QVERIFY(t.f.env.prompts.shown.isEmpty());
}

TANKCFG_TEST_MAIN(TableTransferTest)
#include "tst_table_transfer.moc"
