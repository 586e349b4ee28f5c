#include "console/progresft.h"

#include <QPalette>
#include <QVBoxLayout>

#include "console/consolesession.h"
#include "platform/formkit.h"

Tprogresf::Tprogresf(ConsoleSession& session, QWidget* parent)
    : PlainForm("progresf", "Send Calibration Table", parent) {
    catprg = FormKit::Named(new TGauge(this), "catprg", windowTitle());
    catprg->setMax(125);
    QPalette p = catprg->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    catprg->setPalette(p);
    (new QVBoxLayout(this))->addWidget(catprg);

    // Shown once the header has gone out; it stays after a transfer that ended early.
    connect(&session, &ConsoleSession::tableTransferStarted, this, &QWidget::show);
    connect(&session, &ConsoleSession::tableBlockAccepted, catprg, &TGauge::setPosition);
    connect(&session, &ConsoleSession::tableTransferDone, this, &QWidget::hide);
}
