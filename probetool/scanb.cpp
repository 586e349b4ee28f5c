#include "probetool/scanb.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "common/probepayload.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"
#include "platform/serial.h"
#include "platform/formkit.h"
#include "platform/wait.h"
#include "probetool/txengine.h"

TScanbus::TScanbus(QWidget* parent, ProbeTxEngine* link)
    : PlainDialog("Scanbus", "Scan probe bus", parent), link_(link) {
    resize(322, 115);
    auto* lay = new QVBoxLayout(this);
    ProgressBar1 = new TGauge(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setAccessibleName(QStringLiteral("Scan progress"));
    ProgressBar1->setMax(15);
    ProgressBar1->setTextVisible(false);
    lay->addWidget(ProgressBar1);
    auto* row = new QHBoxLayout;
    cbPrbDet = new QComboBox(this);
    cbPrbDet->setObjectName(QStringLiteral("cbPrbDet"));
    // The list's label, so a screen reader says what the list holds (on Linux a list is named
    // by its label rather than by its accessible name).
    auto* listLabel = new QLabel(QStringLiteral("Address"), this);
    listLabel->setBuddy(cbPrbDet);
    cbPrbDet->setAccessibleName(listLabel->text());
    // The default button: Enter anywhere in the window selects.
    bOKSel = FormKit::Button(this, "bOKSel", QStringLiteral("OK/Select"));
    bOKSel->setDefault(true);
    row->addWidget(listLabel);
    row->addWidget(cbPrbDet, 1);
    row->addWidget(bOKSel);
    lay->addLayout(row);
    sBar = new QStatusBar(this);
    sBar->setObjectName(QStringLiteral("sBar"));
    sBar->setSizeGripEnabled(false);
    panel_ = new QLabel(QStringLiteral("No probes detected !"), sBar);
    sBar->addWidget(panel_, 1);
    lay->addWidget(sBar);
    FormKit::TabInReadingOrder(this);
    GuardedConnect(bOKSel, &QPushButton::clicked, this, [this](bool) { bOKSelClick(); });
}

QString TScanbus::PanelText() const { return panel_->text(); }

int TScanbus::ChosenAddress() const {
    if (!link_->Port()->isOpen()) return -1;
    return cbPrbDet->currentIndex() >= 0 ? cbPrbDet->currentText().toInt() : -1;
}

void TScanbus::showEvent(QShowEvent* e) {
    PlainDialog::showEvent(e);
    // Scan once the window is up, from the event loop, so the list fills where it can be seen.
    if (!e->spontaneous())
        QMetaObject::invokeMethod(
            this,
            [this] {
                Guard([this] { FormActivate(); });
                // The main window closed during the scan: this window goes with it.
                if (AppQuitting()) QDialog::done(QDialog::Rejected);
            },
            Qt::QueuedConnection);
}

void TScanbus::FormActivate() {
    if (scanning_ || !isVisible()) return;
    ProgressBar1->setPosition(0);
    cbPrbDet->clear();
    ScanBus();
}

void TScanbus::ScanBus() {
    struct Flag {
        bool& f;
        explicit Flag(bool& x) : f(x) { f = true; }
        ~Flag() { f = false; }
    } running(scanning_);
    panel_->setText(QStringLiteral("0 devices detected !"));
    int n = 0;
    auto showCount = [this, &n] { panel_->setText(QString::number(n) + QStringLiteral(" devices detected !")); };
    try {
        for (int a = 0; a <= 15; ++a) {
            // A port that went away cannot answer for the addresses left: the scan ends, and
            // the user is told once.
            if (!link_->Port()->isOpen()) throw SerialError::NotOpen(link_->Port()->comNumber());
            ProgressBar1->setPosition(a);
            bool answered = false;
            if (!identify(uint8_t(a), answered)) break;
            if (answered) {
                ++n;
                cbPrbDet->addItem(QString::number(a));
                if (cbPrbDet->currentIndex() < 0) cbPrbDet->setCurrentIndex(0);
            }
        }
    } catch (...) {
        // The count stays that of the list, however the scan ended.
        showCount();
        throw;
    }
    showCount();
}

bool TScanbus::identify(uint8_t address, bool& answered) {
    // Any identify reply handled while this address is scanned counts for it, as any line
    // counts as the answer to the command in flight.
    const QMetaObject::Connection c =
        GuardedConnect(link_, &ProbeTxEngine::replyReceived, this, [&answered](const TShortFrame& f) {
            if (f.Device == DevProbe && f.Code == rspIdentify) answered = true;
        });
    struct Disconnect {
        const QMetaObject::Connection& c;
        ~Disconnect() { QObject::disconnect(c); }
    } disconnectAtEnd{c};
    link_->SelectProbe(address);
    link_->QueueCommand(cmdIdentify);
    if (!link_->SendAndWait()) return false;
    link_->ProcessReplies();
    return true;
}

void TScanbus::bOKSelClick() { done(QDialog::Accepted); }

void TScanbus::done(int r) {
    if (scanning_) return;
    PlainDialog::done(r);
}

void TScanbus::closeEvent(QCloseEvent* e) {
    if (scanning_) {
        e->ignore();
        return;
    }
    PlainDialog::closeEvent(e);
}
