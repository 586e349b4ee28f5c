#include "console/calsow1.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <functional>
#include <limits>

#include "common/numtext.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"

namespace {
const QString kStartText = QStringLiteral("Please move Sensor 1 on position 1 and press \"Next >>\"");
const QString kPoint2Text = QStringLiteral("Please move Sensor 1 on position 2 and press \"Next >>\"");

bool fits32(int64_t v) { return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max(); }

void setCaption(QPushButton* b, const QString& text) {
    b->setText(text);
    b->setAccessibleName(text);
}
}  // namespace

int32_t SowPointValue(const int32_t (&samples)[17]) {
    int32_t sorted[16];
    std::copy_n(samples, 16, sorted);
    std::sort(sorted, sorted + 16, std::greater<int32_t>());
    int64_t sum = 0;
    for (int i = 4; i < 12; ++i) sum += sorted[i];
    // Eight readings of 24 bits each cannot leave 32 bits.
    return int32_t(sum / 8);
}

std::optional<int32_t> SowSpeed(int32_t point1, int32_t point2, int32_t distance) {
    const int64_t diff = int64_t(point2) - int64_t(point1);
    if (!fits32(diff)) return std::nullopt;
    int64_t speed = 0;
    if (diff != 0) {
        speed = int64_t(10000000000LL) / diff;
        if (!fits32(speed)) return std::nullopt;
    }
    const int64_t product = speed * int64_t(distance);
    if (!fits32(product)) return std::nullopt;
    return int32_t(product / 100);
}

TCalSoW::TCalSoW(QWidget* parent) : PlainDialog("CalSoW", "Calibrate Speed of Wire", parent) {
    using FormKit::Named;
    auto* Label1 = Named(new QLabel(QStringLiteral("Target probe : No 1 with SN 123456"), this), "Label1");
    auto* Label2 = Named(new QLabel(QStringLiteral("Distance betwin points :"), this), "Label2");
    editlength = Named(new QLineEdit(QStringLiteral("1000"), this), "editlength");
    Label2->setBuddy(editlength);
    editlength->setAccessibleName(Label2->text().trimmed());
    auto* Label3 = Named(new QLabel(QStringLiteral("[mm]"), this), "Label3");
    Infolabel = Named(new QLabel(kStartText, this), "Infolabel");
    PBut = FormKit::Button(this, "PBut", QStringLiteral("<< Prev"));
    Cancel = FormKit::Button(this, "Cancel", QStringLiteral("Cancel"));
    Nextbut = FormKit::Button(this, "Nextbut", QStringLiteral("Next >>"));

    auto* g = new QGridLayout(this);
    g->addWidget(Label1, 0, 0, 1, 3);
    g->addWidget(Label2, 1, 0);
    g->addWidget(editlength, 1, 1);
    g->addWidget(Label3, 1, 2);
    g->addWidget(Infolabel, 2, 0, 1, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(PBut);
    buttons->addWidget(Cancel);
    buttons->addWidget(Nextbut);
    g->addLayout(buttons, 3, 0, 1, 3);
    FormKit::TabInReadingOrder(this);

    GuardedConnect(Nextbut, &QPushButton::clicked, this, [this] { NextbutClick(); });
    GuardedConnect(PBut, &QPushButton::clicked, this, [this] { PButClick(); });
    GuardedConnect(Cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
}

void TCalSoW::showStartTexts() {
    Infolabel->setText(kStartText);
    setCaption(Nextbut, QStringLiteral("Next >>"));
    setCaption(PBut, QStringLiteral("<< Prev"));
}

void TCalSoW::Open() {
    Step = 0;
    editlength->setEnabled(true);
    Distance = 1000;
    // Each run starts from the first instruction with "Next >>" and "<< Prev", also after a run
    // that ended on "Update" and "Again". The distance edit keeps the text last used.
    showStartTexts();
    setResult(0);
}

void TCalSoW::NextbutClick() {
    switch (Step) {
    case 0:
    case 1: {
        // The distance is read before anything changes: a text that is not a whole number
        // leaves the wizard at its first step, not measuring with a distance nobody typed.
        const int typed = ParseInt(editlength->text().toStdString());
        Step = 2;
        Point1 = 0;
        Point2 = 0;
        SpeedOfWire = 0;
        Distance = std::clamp(typed, 100, 2000);
        if (Distance != typed) editlength->setText(QString::number(Distance));
        editlength->setEnabled(false);
        Infolabel->setText(QStringLiteral("Measuring value for point 1 ... "));
        emit measuringStarted();
        break;
    }
    case 3:
        Step = 4;
        Infolabel->setText(QStringLiteral("Measuring value for point 2 ... "));
        emit measuringStarted();
        break;
    case 5:
        setCaption(Nextbut, QStringLiteral("Update"));
        setCaption(PBut, QStringLiteral("Again"));
        Infolabel->setText(QStringLiteral("Update value and then save it to probe !"));
        Step = 6;
        break;
    case 6: done(ResultUpdate); break;
    default:  // measuring
        break;
    }
}

void TCalSoW::PButClick() {
    if (Step == 0) return;
    Infolabel->setText(QStringLiteral("Move Sensor 1 on position 1 and press next ... "));
    setCaption(Nextbut, QStringLiteral("Next >>"));
    setCaption(PBut, QStringLiteral("<< Prev"));
    Step = 0;
}

void TCalSoW::CancelClick() { done(ResultCancel); }

void TCalSoW::reject() { done(ResultCancel); }

void TCalSoW::PointMeasured(int32_t value) {
    if (Step == 2) {
        Point1 = value;
        Infolabel->setText(kPoint2Text);
        Step = 3;
        return;
    }
    if (Step != 4) return;
    Point2 = value;
    const std::optional<int32_t> speed = SowSpeed(Point1, Point2, Distance);
    if (!speed) {
        // Points this close give no speed of wire. Wait for point 2 again, once: "Next >>"
        // measures it anew and "<< Prev" starts over; no tick repeats the error.
        Step = 3;
        Infolabel->setText(kPoint2Text);
        ShowStandardError(QStringLiteral("Speed of wire out of range: the two points are too close together"));
        return;
    }
    SpeedOfWire = *speed;
    Infolabel->setText(QStringLiteral("Speed of wire is:") + QString::number(SpeedOfWire));
    Step = 5;
}
