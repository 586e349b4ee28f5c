#include "calibration/autoctbl.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/errorguard.h"
#include "platform/formkit.h"

TAutoCalTbl::TAutoCalTbl(QWidget* parent) : PlainDialog("AutoCalTbl", "Automatic Calibration Table", parent) {
    LitPerTick = FormKit::Spin(this, "LitPerTick", 1, 99, 20);
    auto* tickLabel = FormKit::LabelFor(this, QStringLiteral("Liters per tick"), LitPerTick);
    StartCal = FormKit::Button(this, "StartCal", QStringLiteral("Start calibration"));
    PauseCal = FormKit::Button(this, "PauseCal", QStringLiteral("Pause calibration"));
    FinishCal = FormKit::Button(this, "FinishCal", QStringLiteral("Finish calibration"));
    BreakCal = FormKit::Button(this, "BreakCal", QStringLiteral("Break calibration"));
    Usetbl = FormKit::Button(this, "Usetbl", QStringLiteral("Use Table"));
    Closefrm = FormKit::Button(this, "Closefrm", QStringLiteral("Close && Dismis"));
    Closefrm->setAccessibleName(QStringLiteral("Close & Dismis"));
    CalStatus = FormKit::ValueText(this, "CalStatus", QStringLiteral(" NOT READY for START"), {});
    FormKit::Plate(CalStatus);
    QPalette pal = CalStatus->palette();
    pal.setColor(QPalette::Window, Qt::red);
    CalStatus->setPalette(pal);
    CalGauge = FormKit::Named(new TGauge(this), "CalGauge", QStringLiteral("Calibration progress"));
    CalGauge->setPosition(0);
    ACalTable = FormKit::Grid(this, "ACalTable", {70, 80});
    ACalTable->setAccessibleName(QStringLiteral("Calibration table"));

    auto* controls = new QVBoxLayout;
    auto* tick = new QHBoxLayout;
    tick->addWidget(tickLabel);
    tick->addWidget(LitPerTick);
    controls->addLayout(tick);
    controls->addWidget(CalStatus);
    for (QPushButton* b : {StartCal, PauseCal, FinishCal, BreakCal}) controls->addWidget(b);
    controls->addWidget(CalGauge);
    controls->addStretch();
    controls->addWidget(Usetbl);
    controls->addWidget(Closefrm);
    auto* lay = new QHBoxLayout(this);
    lay->addLayout(controls);
    lay->addWidget(ACalTable, 1);
    FormKit::TabInReadingOrder(this);

    GuardedConnect(Closefrm, &QPushButton::clicked, this, [this] { ClosefrmClick(); });
}

void TAutoCalTbl::ClosefrmClick() { done(1); }
