#include "console/fscanlrm.h"

#include <QCloseEvent>
#include <QVBoxLayout>

#include "platform/formkit.h"

namespace {
constexpr int kGaugeMax = 47;
}

TScanfLrm::TScanfLrm(QWidget* parent) : PlainDialog("ScanfLrm", "Scan for Leak Read Modules ...", parent) {
    // A title, a fixed border and no buttons on it.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    ScanGauge = FormKit::Named(new TGauge(this), "ScanGauge", QStringLiteral("Scan progress"));
    ScanGauge->setMax(kGaugeMax);
    ScanGauge->setTextVisible(false);
    ScanGauge->setMinimumWidth(300);
    QPalette p = ScanGauge->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ScanGauge->setPalette(p);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(ScanGauge);
    lay->setSizeConstraint(QLayout::SetFixedSize);
}

void TScanfLrm::ShowProgress(int value) { ScanGauge->setPosition(value); }

int TScanfLrm::progress() const { return ScanGauge->position(); }

void TScanfLrm::PrepareScan(const QWidget* over) {
    ScanGauge->setPosition(0);
    over_ = over;
    adjustSize();
    centre();
}

void TScanfLrm::centre() {
    if (!over_) return;
    QRect r = frameGeometry();
    r.moveCenter(over_->frameGeometry().center());
    move(r.topLeft());
}

void TScanfLrm::showEvent(QShowEvent* e) {
    PlainDialog::showEvent(e);
    // The frame is known once the window is shown.
    centre();
}

void TScanfLrm::Finish() { done(Accepted); }

void TScanfLrm::reject() {
    // Escape does not close it; Finish does.
}

void TScanfLrm::closeEvent(QCloseEvent* e) {
    // Neither the window frame nor a close request ends the scan.
    e->ignore();
}
