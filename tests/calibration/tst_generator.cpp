// The table generator and the formula import into the editor.
#include <QComboBox>
#include <QLineEdit>
#include <QTableView>

#include "calfixture.h"

class GeneratorTest : public QObject {
    Q_OBJECT
private slots:
    void defaultsGiveTheTableOfTheLargeCylinder();
    void activationPresetsTheRadiusFromTheTank();
    void useTableTakesEveryRowAndTheStep();
    void dismissAndFrameCloseTakeNothing();
    void useTableBeforeAnyGenerationLeavesTheEditorAsItWas();
    void badLengthStopsAfterTheHeader();
    void commaLocaleReadsTheProgramsOwnTexts();
    void automaticCalibrationOnlyCloses();
};

void GeneratorTest::defaultsGiveTheTableOfTheLargeCylinder() {
    CalFixture f(false);
    QCOMPARE(f.forms().GenffrCt->windowTitle(), QStringLiteral("Generate from formulas"));
    QCOMPARE(f.forms().GenffrCt->dim1->text(), QStringLiteral("5"));
    QCOMPARE(f.forms().GenffrCt->dim2->text(), QStringLiteral("1.295"));
    QCOMPARE(f.forms().GenffrCt->Closefrm->text(), QStringLiteral("Close && Dismis"));
    QCOMPARE(f.forms().GenffrCt->Closefrm->accessibleName(), QStringLiteral("Close & Dismis"));
    f.forms().GenffrCt->GenTable->click();
    QCOMPARE(f.forms().GenffrCt->LevelStep, 0.6475);
    QCOMPARE(f.forms().GenffrCt->CylLength, 5000.0);
    QCOMPARE(f.forms().GenffrCt->Cell(0, 0), QStringLiteral(" [mm] "));
    QCOMPARE(f.forms().GenffrCt->Cell(1, 0), QStringLiteral("  [l] "));
    QCOMPARE(f.forms().GenffrCt->Cell(0, 1), QStringLiteral("   0.000"));
    QCOMPARE(f.forms().GenffrCt->Cell(1, 1), QStringLiteral("   0.000"));
    QCOMPARE(f.forms().GenffrCt->Cell(0, 4000), QStringLiteral("2589.353"));
    QCOMPARE(f.forms().GenffrCt->Cell(1, 4000), QStringLiteral("26342.470"));
    QCOMPARE(f.forms().GenffrCt->wACalTable->model()->rowCount(), 4000);
}

void GeneratorTest::activationPresetsTheRadiusFromTheTank() {
    CalFixture f;
    f.tank(1).Diameter = 170.0;
    f.forms().GenffrCt->dim1->setText(QStringLiteral("7"));
    QString shown;
    f.whileModal(f.forms().GenffrCt, [&] {
        shown = f.forms().GenffrCt->dim2->text();
        f.forms().GenffrCt->Closefrm->click();
    });
    f.ed->formulagen->click();
    QCOMPARE(shown, QStringLiteral("   0.850"));
    // Every show presets it again; the length keeps what was typed.
    f.forms().GenffrCt->dim2->setText(QStringLiteral("2"));
    f.tank(1).Diameter = 259.0;
    f.whileModal(f.forms().GenffrCt, [&] {
        shown = f.forms().GenffrCt->dim2->text();
        f.forms().GenffrCt->Closefrm->click();
    });
    f.ed->formulagen->click();
    QCOMPARE(shown, QStringLiteral("   1.295"));
    QCOMPARE(f.forms().GenffrCt->dim1->text(), QStringLiteral("7"));
}

void GeneratorTest::useTableTakesEveryRowAndTheStep() {
    CalFixture f;
    f.tank(1).Diameter = 259.0;
    f.generate();
    QCOMPARE(f.ed->RowCount(), 4001);
    QCOMPARE(f.ed->Table.Count, uint16_t(4000));
    QCOMPARE(f.ed->Table.Mode, uint8_t(1));
    QCOMPARE(f.ed->Table.Step, 0.6475f);
    QCOMPARE(f.ed->TblStep->text(), QString::fromStdString(FormatGeneral(double(0.6475f))));
    QCOMPARE(f.ed->Cell(0, 1), QStringLiteral("1"));
    QCOMPARE(f.ed->Cell(0, 4000), QStringLiteral("4000"));
    QCOMPARE(f.ed->Cell(1, 4000), QStringLiteral("2589.353"));
    QCOMPARE(f.ed->Cell(2, 4000), QStringLiteral("26342.470"));
    QCOMPARE(f.ed->Table.Points[4000].Arg, 2589.353f);
    QCOMPARE(f.ed->Table.Points[4000].Value, 26342.470f);
    QVERIFY(f.ed->fgTableSta->isChecked());
    QCOMPARE(std::memcmp(&f.ed->FormulaTable, &f.ed->Table, sizeof(TCalTable)), 0);
    // Nothing is stored before "Apply".
    QCOMPARE(f.tank(1).CalTable.Count, uint16_t(0));
    // The header cells stay as the layout left them.
    QCOMPARE(f.ed->Cell(0, 0), QStringLiteral(" No"));
}

void GeneratorTest::dismissAndFrameCloseTakeNothing() {
    CalFixture f;
    f.generate(true, f.forms().GenffrCt->Closefrm);
    QCOMPARE(f.forms().GenffrCt->result(), 1);
    QCOMPARE(f.ed->RowCount(), 2);
    QCOMPARE(f.ed->Table.Count, uint16_t(0));
    f.whileModal(f.forms().GenffrCt, [&] { f.forms().GenffrCt->close(); });
    f.ed->formulagen->click();
    QCOMPARE(f.forms().GenffrCt->result(), 2);
    QCOMPARE(f.ed->RowCount(), 2);
    QVERIFY(!f.ed->fgTableSta->isChecked());
    f.generate(false, f.forms().GenffrCt->Usetbl);
    QCOMPARE(f.forms().GenffrCt->result(), 100);
}

void GeneratorTest::useTableBeforeAnyGenerationLeavesTheEditorAsItWas() {
    CalFixture f;
    f.layout("2.5", true);
    const TCalTable before = f.ed->Table;
    f.env.prompts.queue(PromptAnswer::ok());
    f.generate(false);
    QCOMPARE(f.env.prompts.shown.size(), 1);
    QCOMPARE(f.env.prompts.shown[0].text, QStringLiteral("'' is not a valid floating point value."));
    QCOMPARE(f.env.prompts.shown[0].caption, QStringLiteral("Vantrel control"));
    QCOMPARE(f.ed->RowCount(), 1600);
    QCOMPARE(f.ed->Cell(2, 1), QStringLiteral(" 2.5"));
    QCOMPARE(std::memcmp(&before, &f.ed->Table, sizeof(TCalTable)), 0);
    QCOMPARE(f.ed->TblStep->text(), QStringLiteral("2.5"));
    QVERIFY(!f.ed->fgTableSta->isChecked());
}

void GeneratorTest::badLengthStopsAfterTheHeader() {
    CalFixture f(false);
    f.forms().GenffrCt->GenTable->click();
    f.forms().GenffrCt->dim1->setText(QStringLiteral("5m"));
    f.forms().GenffrCt->dim2->setText(QStringLiteral("1"));
    f.env.prompts.queue(PromptAnswer::ok());
    f.forms().GenffrCt->GenTable->click();
    QCOMPARE(f.env.prompts.texts(), QStringList{QStringLiteral("'5m' is not a valid floating point value.")});
    QCOMPARE(f.forms().GenffrCt->Cell(0, 4000), QStringLiteral("2589.353"));
    QCOMPARE(f.forms().GenffrCt->LevelStep, 0.6475);
}

void GeneratorTest::commaLocaleReadsTheProgramsOwnTexts() {
    struct Restore {
        ~Restore() { DecimalSeparator = '.'; }
    } restore;
    // As the program sets it at start from a German system; Qt takes the separator from
    // LANG and LC_* with its own data, so no system locale needs to be installed for this.
    DecimalSeparator = ',';
    CalFixture f;
    f.tank(1).Diameter = 259.0;
    // The preset radius is written with a point: the generator must read it back (a refusal
    // shows a conversion box that nobody queued, which fails the test).
    f.generate();
    QCOMPARE(f.forms().GenffrCt->LevelStep, 0.6475);
    QCOMPARE(f.ed->RowCount(), 4001);
    QCOMPARE(f.ed->Cell(2, 4000), QStringLiteral("26342.470"));
    // The step edit is written with the comma, and a layout reads it back.
    QCOMPARE(f.ed->TblStep->text(), QString::fromStdString(FormatGeneral(double(0.6475f))));
    QVERIFY(f.ed->TblStep->text().contains(QLatin1Char(',')));
    f.ed->mmOnLit->click();
    QCOMPARE(f.ed->RowCount(), int(std::nearbyint(22000 / double(0.6475f))));
}

void GeneratorTest::automaticCalibrationOnlyCloses() {
    CalFixture f;
    f.generate();
    const TCalTable before = f.ed->Table;
    f.whileModal(f.forms().AutoCalTbl, [&] {
        f.forms().AutoCalTbl->StartCal->click();
        f.forms().AutoCalTbl->Usetbl->click();
        QVERIFY(f.forms().AutoCalTbl->isVisible());
        QCOMPARE(f.forms().AutoCalTbl->CalStatus->text(), QStringLiteral(" NOT READY for START"));
        QCOMPARE(f.forms().AutoCalTbl->LitPerTick->value(), 20);
        f.forms().AutoCalTbl->Closefrm->click();
    });
    f.ed->ACalTblB->click();
    QVERIFY(!f.forms().AutoCalTbl->isVisible());
    QCOMPARE(std::memcmp(&before, &f.ed->Table, sizeof(TCalTable)), 0);
    QCOMPARE(f.ed->RowCount(), 4001);
}

TANKCFG_TEST_MAIN(GeneratorTest)
#include "tst_generator.moc"
