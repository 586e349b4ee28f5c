#include "calibration/tankcfg.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <cmath>

#include "calibration/tablecfg.h"
#include "common/consolestate.h"
#include "common/cp1251.h"
#include "common/numtext.h"
#include "common/tankcfgtypes.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"
#include "platform/services.h"

namespace {
// The value truncated toward zero, as a whole number without separator.
QString truncated(double x) {
    if (!std::isfinite(x)) return QString::fromStdString(FormatGeneral(x));
    return QString::fromStdString(FormatFixed(std::trunc(x), 0));
}

QString fixed(double x) { return QString::fromStdString(FloatToFixed(x)); }

double number(const QLineEdit* e) { return ParseFloat(e->text().toStdString()); }

bool validTank(int n) { return n >= 1 && n <= MaxTanks; }
}  // namespace

QLineEdit* Ttankconfig::edit(const char* name, const QString& text) {
    return FormKit::Named(new QLineEdit(text, this), name);
}

Ttankconfig::Ttankconfig(ConsoleState& console, QWidget* parent)
    : PlainForm("tankconfig", "Tank No 1 config", parent), console_(console) {
    Fuelname = edit("Fuelname");
    QFont bold = Fuelname->font();
    bold.setBold(true);
    Fuelname->setFont(bold);
    FormKit::LimitTyping(Fuelname, 20);
    volume = edit("volume");
    Leakdetect = edit("Leakdetect", QStringLiteral("5.000"));
    maxfuel = edit("maxfuel");
    lowfuel = edit("lowfuel");
    alarmfuel = edit("alarmfuel");
    alarmwater = edit("alarmwater");
    tdiamv = edit("tdiamv");
    rofuelv = edit("rofuelv");
    tkfuelv = edit("tkfuelv");

    const QFontMetrics fm = volume->fontMetrics();
    for (QLineEdit* e : {volume, Leakdetect, maxfuel, lowfuel, alarmfuel, alarmwater, tdiamv, rofuelv, tkfuelv})
        e->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("000000.0000")));
    Fuelname->setMinimumWidth(QFontMetrics(bold).horizontalAdvance(QStringLiteral("W")) * 14);
    auto* tankGrid = new QGridLayout;
    int row = 0;
    auto addRow = [&](QGridLayout* g, int& r, const QString& label, QWidget* control, const QString& unit) {
        g->addWidget(FormKit::LabelFor(this, label, control), r, 0);
        g->addWidget(control, r, 1);
        if (!unit.isEmpty()) g->addWidget(new QLabel(unit, this), r, 2);
        ++r;
    };
    addRow(tankGrid, row, QStringLiteral("Product name"), Fuelname, {});
    addRow(tankGrid, row, QStringLiteral("Tank capacity"), volume, QStringLiteral("[lit]"));
    addRow(tankGrid, row, QStringLiteral("Leak detect"), Leakdetect, QStringLiteral("[l/h]"));
    addRow(tankGrid, row, QStringLiteral("Max fuel"), maxfuel, QStringLiteral("[%]"));
    addRow(tankGrid, row, QStringLiteral("Low fuel"), lowfuel, QStringLiteral("[%]"));
    addRow(tankGrid, row, QStringLiteral("Fuel alarm"), alarmfuel, QStringLiteral("[cm]"));
    addRow(tankGrid, row, QStringLiteral("Water alarm"), alarmwater, QStringLiteral("[cm]"));
    addRow(tankGrid, row, QStringLiteral("Tank Diameter"), tdiamv, QStringLiteral("[cm]"));
    addRow(tankGrid, row, QStringLiteral("Ro Fuel"), rofuelv, {});
    addRow(tankGrid, row, QStringLiteral("Tk Fuel"), tkfuelv, {});

    auto* probeBox = FormKit::Group(this, QStringLiteral("Probe parameters"));
    auto* probeGrid = new QGridLayout(probeBox);
    auto* idRow = new QHBoxLayout;
    static const char* const idNames[6] = {"tprbid1", "tprbid2", "tprbid3", "tprbid4", "tprbid5", "tprbid6"};
    for (int k = 0; k < 6; ++k) {
        tprbid[k] = FormKit::Named(new QLineEdit(probeBox), idNames[k], QStringLiteral("Probe ID"));
        tprbid[k]->setAccessibleDescription(QStringLiteral("byte %1 of 6").arg(k + 1));
        tprbid[k]->setMaxLength(2);
        tprbid[k]->setMaximumWidth(tprbid[k]->fontMetrics().horizontalAdvance(QStringLiteral("WWW")) + 8);
        idRow->addWidget(tprbid[k]);
    }
    idRow->addStretch();
    auto* idLabel = new QLabel(QStringLiteral("Probe ID"), probeBox);
    idLabel->setBuddy(tprbid[0]);
    probeGrid->addWidget(idLabel, 0, 0);
    probeGrid->addLayout(idRow, 0, 1, 1, 2);
    TankPrbAddr = FormKit::List(probeBox, "TankPrbAddr", {});
    for (int i = 0; i < 16; ++i) TankPrbAddr->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    tspdwv = edit("tspdwv");
    prbdistv = edit("prbdistv");
    s1distv = edit("s1distv");
    s2distv = edit("s2distv");
    SensorsNum = FormKit::Spin(probeBox, "SensorsNum", 1, 2, 1);
    int prow = 1;
    addRow(probeGrid, prow, QStringLiteral("Probe address"), TankPrbAddr, {});
    addRow(probeGrid, prow, QStringLiteral("Probe Speed of Wire"), tspdwv, QStringLiteral("[m/s]"));
    addRow(probeGrid, prow, QStringLiteral("Probe distance"), prbdistv, QStringLiteral("[cm]"));
    addRow(probeGrid, prow, QStringLiteral("Sensor 1 distance"), s1distv, QStringLiteral("[cm]"));
    addRow(probeGrid, prow, QStringLiteral("Sensor 2 distance"), s2distv, QStringLiteral("[cm]"));
    addRow(probeGrid, prow, QStringLiteral("Number of sensors "), SensorsNum, {});

    auto* tableBox = FormKit::Group(this, QStringLiteral("Calibration table"));
    ldtable = FormKit::Button(tableBox, "ldtable", QStringLiteral("Load/Create"));
    (new QVBoxLayout(tableBox))->addWidget(ldtable);

    prev = FormKit::Button(this, "prev", QStringLiteral("<< prev"));
    next = FormKit::Button(this, "next", QStringLiteral("next >>"));
    cancel = FormKit::Button(this, "cancel", QStringLiteral("Close"));
    apply = FormKit::Button(this, "apply", QStringLiteral("Apply"));

    auto* columns = new QHBoxLayout;
    columns->addLayout(tankGrid);
    auto* right = new QVBoxLayout;
    right->addWidget(probeBox);
    right->addWidget(tableBox);
    columns->addLayout(right);
    auto* buttons = new QHBoxLayout;
    for (auto* b : {prev, next, cancel, apply}) buttons->addWidget(b);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(columns);
    lay->addLayout(buttons);
    FormKit::TabInReadingOrder(this);

    GuardedConnect(apply, &QPushButton::clicked, this, [this] { applyClick(); });
    GuardedConnect(cancel, &QPushButton::clicked, this, [this] { cancelClick(); });
    GuardedConnect(prev, &QPushButton::clicked, this, [this] { prevClick(); });
    GuardedConnect(next, &QPushButton::clicked, this, [this] { nextClick(); });
    GuardedConnect(ldtable, &QPushButton::clicked, this, [this] { ldtableClick(); });
    // Another window of the program taking over in between makes the next activation a
    // return from it again.
    GuardedConnect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) {
        if (w && w != windowHandle() && w->modality() == Qt::NonModal) backFromModal_ = false;
    });
    FormCreate();
}

void Ttankconfig::AttachWindows(TCalibrationTable* editor) { CalibrationTable = editor; }

void Ttankconfig::ShowTank(uint8_t n) {
    if (!validTank(n)) return;
    const TTankRecord& t = console_.ConsoleConfig.Tanks[n - 1];
    setWindowTitle(QStringLiteral("Tank No: %1 configuration").arg(n));
    volume->setText(truncated(t.Capacity));
    maxfuel->setText(truncated(t.MaxFuel));
    alarmwater->setText(fixed(t.WaterAlarm));
    lowfuel->setText(truncated(t.LowFuel));
    alarmfuel->setText(fixed(t.FuelAlarm));
    Fuelname->setText(QString::fromStdString(Cp1251ToUtf8(t.ProductName.str())));
    for (int k = 0; k < 6; ++k)
        tprbid[k]->setText(QStringLiteral("%1").arg(t.ProbeId[k], 2, 16, QLatin1Char('0')).toUpper());
    prbdistv->setText(fixed(t.ProbeDistance));
    s1distv->setText(fixed(t.Sensor1Distance));
    s2distv->setText(fixed(t.Sensor2Distance));
    tdiamv->setText(fixed(t.Diameter));
    TankPrbAddr->setCurrentIndex(t.ProbeAddress <= 15 ? t.ProbeAddress : -1);
    rofuelv->setText(fixed(t.RoFuel));
    tkfuelv->setText(fixed(t.TkFuel));
    SensorsNum->setValue(t.TwoSensors ? 2 : 1);
    tspdwv->setText(fixed(t.SpeedOfWire));
}

void Ttankconfig::StoreTank(uint8_t n) {
    if (!validTank(n)) return;
    TTankRecord& t = console_.ConsoleConfig.Tanks[n - 1];
    // Each field is stored as soon as its text converts: a bad text ends the store there,
    // and the fields before it keep their new values.
    t.Capacity = number(volume);
    t.MaxFuel = number(maxfuel);
    t.WaterAlarm = number(alarmwater);
    t.LowFuel = number(lowfuel);
    t.FuelAlarm = number(alarmfuel);
    t.ProductName.assign(TrimBlanks(Utf8ToCp1251(Fuelname->text().toStdString())).substr(0, 25));
    for (int k = 0; k < 6; ++k) t.ProbeId[k] = uint8_t(ParseInt("$" + tprbid[k]->text().toStdString()) & 0xFF);
    t.ProbeDistance = number(prbdistv);
    t.Sensor1Distance = number(s1distv);
    t.Sensor2Distance = number(s2distv);
    t.Diameter = number(tdiamv);
    t.ProbeAddress = uint8_t(TankPrbAddr->currentIndex() & 0xFF);  // no address chosen: 255
    t.RoFuel = number(rofuelv);
    t.TkFuel = number(tkfuelv);
    t.TwoSensors = SensorsNum->value() == 2 ? 1 : 0;
    t.SpeedOfWire = number(tspdwv);
}

void Ttankconfig::FormCreate() { TankPrbAddr->setCurrentIndex(0); }

void Ttankconfig::FormActivate() {
    // Entering the window follows the main window's choice of tank.
    if (validTank(console_.CurrentTank)) TankNo = console_.CurrentTank;
    ShowTank(TankNo);
}

bool Ttankconfig::event(QEvent* e) {
    if (e->type() == QEvent::WindowDeactivate) {
        const QWidget* modal = QApplication::activeModalWidget();
        backFromModal_ = modal && modal != this;
    } else if (e->type() == QEvent::WindowActivate) {
        if (backFromModal_)
            backFromModal_ = false;
        else
            Guard([this] { FormActivate(); });
    }
    return PlainForm::event(e);
}

void Ttankconfig::showEvent(QShowEvent* e) {
    PlainForm::showEvent(e);
    backFromModal_ = false;
    Guard([this] { FormActivate(); });
}

void Ttankconfig::applyClick() {
    // A copy: moving to another tank during the send must not change which tank is read back.
    uint8_t n = TankNo;
    StoreTank(n);
    console_.ShowConsoleConfig();
    if (console_.TerminalOperationRefused()) {
        // Another terminal operation is waiting for its reply: this one cannot be started
        // inside it. The settings are kept; the user sends them again later.
        Services::prompts().messageBox(
            QStringLiteral("Error"),
            QStringLiteral("Tank No: %1 configuration is stored but was not sent to the terminal:\r"
                           "another terminal operation is running. Apply again when it has ended.")
                .arg(n),
            MsgIcon::Warning, MbOk);
        return;
    }
    console_.SendTankConfig(n);
}

void Ttankconfig::cancelClick() { hide(); }

void Ttankconfig::step(int delta) {
    const int last = std::min<int>(console_.ConsoleConfig.TankCount, MaxTanks);
    int n = validTank(TankNo) ? TankNo : 1;
    if ((delta < 0 && n > 1) || (delta > 0 && n < last)) n += delta;
    TankNo = uint8_t(n);
    console_.CurrentTank = TankNo;
    ShowTank(TankNo);
    console_.ShowConsoleConfig();
}

void Ttankconfig::prevClick() { step(-1); }

void Ttankconfig::nextClick() { step(+1); }

void Ttankconfig::ldtableClick() {
    // The editor opens on the tank this window shows.
    if (validTank(TankNo)) console_.CurrentTank = TankNo;
    if (!CalibrationTable) return;
    CalibrationTable->ShowTankInCaption(console_.CurrentTank);
    // An editor still open on another tank takes this one's table now, not only if the
    // system activates it again: its caption, its copy and its "Apply" go together.
    if (CalibrationTable->isVisible() && CalibrationTable->TableTank() != console_.CurrentTank)
        CalibrationTable->FormActivate();
    CalibrationTable->show();
    CalibrationTable->raise();
    CalibrationTable->activateWindow();
}
