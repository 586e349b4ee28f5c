#include "probetool/HelpFrame.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/formkit.h"

const QStringList& TFrame1::HelpLines() {
    static const QStringList lines = {
        QStringLiteral("\"Scanbus \" - scaning RS485 bus for devices from address 0 to F (15);"),
        QString(),
        QStringLiteral("\"SetAddres\" - change address of device;"),
        QString(),
        QStringLiteral("\"SetDigFil\" - set value of digital filter (\"0\" means - unknown and not set)"),
        QString(),
        QStringLiteral("\"One Sensor\" - set probe to work with one float;"),
        QString(),
        QStringLiteral("\"Two sensor\" - set probe to work with two floats;"),
        QString(),
        QStringLiteral("\"Monitor\" - send command \"00\" every 0.5 sec."),
        QString(),
        QStringLiteral("\"Force address\" - work with selected address, no mean found or not a responce;"),
        QString(),
        QStringLiteral("\"Level mode\" - display level as ( \"Length\" - \"Sensor 1\" ) in additional;"),
        QString(),
        QStringLiteral("\"Tempr mode\" - display temperature from all termal sensors (update on 16sec.);"),
        QString(),
    };
    return lines;
}

TFrame1::TFrame1(QWidget* parent) : QFrame(parent) {
    auto* lay = new QVBoxLayout(this);
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(2);
    Panel1->setMinimumSize(585, 441);
    auto* inner = new QVBoxLayout(Panel1);
    inner->setContentsMargins(2, 2, 2, 2);
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("Help text"));
    Memo1->setReadOnly(true);
    Memo1->setStyleSheet(QStringLiteral("QPlainTextEdit { background: yellow; color: black; }"));
    Memo1->setPlainText(HelpLines().join(QLatin1Char('\n')));
    inner->addWidget(Memo1);
    lay->addWidget(Panel1, 1);
    Button1 = FormKit::Button(this, "Button1", QStringLiteral("Close"));
    lay->addWidget(Button1, 0, Qt::AlignLeft);
}
