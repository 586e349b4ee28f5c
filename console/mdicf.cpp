#include "console/mdicf.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/cp1251.h"
#include "common/tankcfgtypes.h"
#include "console/consolesession.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"

Tmdicfg::Tmdicfg(ConsoleSession& session, QWidget* parent)
    : PlainForm("mdicfg", "MDI Unit 1", parent), session_(session) {
    auto* nameBox = FormKit::Group(this, QStringLiteral("MDI unit name"));
    tMDINamev = new QLineEdit(QStringLiteral("0123456789ABCDEFGHIK"), nameBox);
    tMDINamev->setObjectName(QStringLiteral("tMDINamev"));
    tMDINamev->setAccessibleName(nameBox->title());
    FormKit::LimitTyping(tMDINamev, 20);
    (new QVBoxLayout(nameBox))->addWidget(tMDINamev);

    MDIUAddrv = FormKit::List(this, "MDIUAddrv", {});
    for (int i = 0; i < 16; ++i) MDIUAddrv->addItem(QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0')));
    auto* addrLabel = FormKit::LabelFor(this, QStringLiteral("Unit address"), MDIUAddrv);

    prev = FormKit::Button(this, "prev", QStringLiteral("<< prev"));
    next = FormKit::Button(this, "next", QStringLiteral("next >>"));
    cancel = FormKit::Button(this, "cancel", QStringLiteral("Close"));
    apply = FormKit::Button(this, "apply", QStringLiteral("Apply"));

    auto* addrRow = new QHBoxLayout;
    addrRow->addWidget(addrLabel);
    addrRow->addWidget(MDIUAddrv);
    addrRow->addStretch();
    auto* buttons = new QHBoxLayout;
    for (auto* b : {prev, next, cancel, apply}) buttons->addWidget(b);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(nameBox);
    lay->addLayout(addrRow);
    lay->addLayout(buttons);
    FormKit::TabInReadingOrder(this);

    GuardedConnect(prev, &QPushButton::clicked, this, [this] { prevClick(); });
    GuardedConnect(next, &QPushButton::clicked, this, [this] { nextClick(); });
    GuardedConnect(cancel, &QPushButton::clicked, this, [this] { cancelClick(); });
    GuardedConnect(apply, &QPushButton::clicked, this, [this] { applyClick(); });
}

int Tmdicfg::lastUnit() const { return std::min<int>(session_.ConsoleConfig.MdiCount, MaxMdiUnits); }

void Tmdicfg::ShowUnit(uint8_t n) {
    if (n < 1 || n > MaxMdiUnits) return;
    const TMdiUnitRecord& u = session_.ConsoleConfig.Mdi[n - 1];
    setWindowTitle(QStringLiteral("MDI Unit %1").arg(n));
    tMDINamev->setText(QString::fromStdString(Cp1251ToUtf8(u.Name.str())));
    MDIUAddrv->setCurrentIndex(u.Address <= 15 ? u.Address : -1);
}

void Tmdicfg::StoreUnit(uint8_t n) {
    if (n < 1 || n > MaxMdiUnits) return;
    TMdiUnitRecord& u = session_.ConsoleConfig.Mdi[n - 1];
    u.Name.assign(Utf8ToCp1251(tMDINamev->text().toStdString()));
    const int idx = MDIUAddrv->currentIndex();
    u.Address = idx < 0 ? 255 : uint8_t(idx);
}

void Tmdicfg::FormActivate() { ShowUnit(UnitNo); }

bool Tmdicfg::event(QEvent* e) {
    if (e->type() == QEvent::WindowActivate) Guard([this] { FormActivate(); });
    return PlainForm::event(e);
}

void Tmdicfg::showEvent(QShowEvent* e) {
    PlainForm::showEvent(e);
    Guard([this] { FormActivate(); });
}

void Tmdicfg::prevClick() {
    StoreUnit(UnitNo);
    if (UnitNo > 1) --UnitNo;
    ShowUnit(UnitNo);
    session_.ShowConsoleConfig();
}

void Tmdicfg::nextClick() {
    StoreUnit(UnitNo);
    if (UnitNo < lastUnit()) ++UnitNo;
    ShowUnit(UnitNo);
    session_.ShowConsoleConfig();
}

void Tmdicfg::applyClick() {
    StoreUnit(UnitNo);
    session_.ShowConsoleConfig();
    session_.SendMdiConfig(UnitNo);
    ShowUnit(UnitNo);
}

void Tmdicfg::cancelClick() {
    session_.ShowConsoleConfig();
    hide();
}
