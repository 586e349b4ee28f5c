#include "console/progresft.h"

#include <QPalette>
#include <QVBoxLayout>

#include "platform/formkit.h"

Tprogresf* progresf = nullptr;

Tprogresf::Tprogresf(QWidget* parent) : PlainForm("progresf", "Send Calibration Table", parent) {
    catprg = FormKit::Named(new TGauge(this), "catprg", windowTitle());
    catprg->setMax(125);
    QPalette p = catprg->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    catprg->setPalette(p);
    (new QVBoxLayout(this))->addWidget(catprg);
}
