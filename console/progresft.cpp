#include "console/progresft.h"

#include <QPalette>
#include <QProgressBar>
#include <QVBoxLayout>

#include "platform/formkit.h"

Tprogresf* progresf = nullptr;

Tprogresf::Tprogresf(QWidget* parent) : PlainForm("progresf", "Send Calibration Table", parent) {
    catprg = FormKit::Named(new QProgressBar(this), "catprg", windowTitle());
    catprg->setRange(0, 125);
    catprg->setValue(0);
    QPalette p = catprg->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    catprg->setPalette(p);
    (new QVBoxLayout(this))->addWidget(catprg);
}
