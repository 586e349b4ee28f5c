#include "console/probecfg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "platform/errorguard.h"
#include "platform/formkit.h"

namespace {
constexpr int kGaugeMax = 47;
}

Tprobeconfig::Tprobeconfig(QWidget* parent) : PlainDialog("probeconfig", "Probe config", parent) {
    using FormKit::Named;
    ScanProgres = Named(new TGauge(this), "ScanProgres", QStringLiteral("Scan progress"));
    ScanProgres->setMax(kGaugeMax);
    ScanProgres->setTextVisible(false);
    QPalette p = ScanProgres->palette();
    p.setColor(QPalette::Highlight, Qt::blue);
    ScanProgres->setPalette(p);
    auto* Label1 = Named(new QLabel(QStringLiteral("Probe Addres :"), this), "Label1");
    ProbesList = Named(new QComboBox(this), "ProbesList");
    Label1->setBuddy(ProbesList);
    ProbesList->setAccessibleName(Label1->text().trimmed());
    Selprobe = Named(new QLabel(QStringLiteral("Probe SN:XXXXXXXXXXXX"), this), "Selprobe");
    ScanResult = Named(new QLabel(this), "ScanResult");
    CloseSc = FormKit::Button(this, "CloseSc", QStringLiteral("Cancel"));

    auto* g = new QGridLayout(this);
    g->addWidget(ScanProgres, 0, 0, 1, 2);
    g->addWidget(Label1, 1, 0);
    g->addWidget(ProbesList, 1, 1);
    g->addWidget(Selprobe, 2, 0, 1, 2);
    g->addWidget(ScanResult, 3, 0, 1, 2);
    g->addWidget(CloseSc, 4, 1, Qt::AlignRight);
    FormKit::TabInReadingOrder(this);
    GuardedConnect(CloseSc, &QPushButton::clicked, this, [this] { CloseScClick(); });
}

void Tprobeconfig::PrepareScan() {
    CloseSc->setText(QStringLiteral("Cancel"));
    CloseSc->setAccessibleName(CloseSc->text());
    ProbesList->clear();
    ScanProgres->setPosition(0);
    setWindowTitle(QStringLiteral("Scan Probe Net"));
    ScanResult->setText(QStringLiteral("Scaning Probe Net..."));
    Selprobe->setText(QStringLiteral("Probe SN:XXXXXXXXXXXX"));
}

void Tprobeconfig::ShowProgress(int value) {
    // The last step asks for 48, which the gauge holds at its maximum.
    ScanProgres->setPosition(value);
}

void Tprobeconfig::AddFoundAddress(int addr) {
    // Kept sorted as text: "10" comes before "2".
    const QString text = QString::number(addr);
    int at = 0;
    while (at < ProbesList->count() && ProbesList->itemText(at) <= text) ++at;
    ProbesList->insertItem(at, text);
    ProbesList->setCurrentIndex(0);
    SelectedAddress = ProbesList->itemText(0).toInt();
}

int Tprobeconfig::foundCount() const { return ProbesList->count(); }

void Tprobeconfig::ShowScanEnd(const QString& serial) {
    CloseSc->setText(QStringLiteral("Ok"));
    CloseSc->setAccessibleName(CloseSc->text());
    const int n = ProbesList->count();
    if (n > 0) {
        Selprobe->setText(QStringLiteral("Probe SN:") + serial);
        ScanResult->setText(QString::number(n) + QStringLiteral(" Probes detected on Net."));
    } else {
        ScanResult->setText(QStringLiteral("No Probes detected on Net."));
    }
}

void Tprobeconfig::CloseScClick() {
    const int i = ProbesList->currentIndex();
    SelectedAddress = i >= 0 ? (ProbesList->itemText(i).toInt() & 15) : 0;
    accept();
}
