#include "console/logform.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/cp1251.h"
#include "platform/fileio.h"
#include "platform/formkit.h"
#include "platform/loglist.h"
#include "platform/errorguard.h"
#include "platform/services.h"

TlogForm1::TlogForm1(QWidget* parent) : PlainForm("logForm1", "Log", parent) {
    Fullog = FormKit::LogList(this, "Fullog", QStringLiteral("Log"));
    SaveLog1 = FormKit::Button(this, "SaveLog1", QStringLiteral("Save Log"));
    Button1 = FormKit::Button(this, "Button1", QStringLiteral("Close"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SaveLog1);
    buttons->addStretch();
    buttons->addWidget(Button1);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Fullog);
    lay->addLayout(buttons);
    resize(640, 420);
    FormKit::TabInReadingOrder(this);

    SaveDialog1.title = QStringLiteral("Save log file");
    SaveDialog1.filter = QStringLiteral("Log files|*.log");
    SaveDialog1.defaultSuffix = QStringLiteral("log");
    SaveDialog1.fileName = QStringLiteral("comlog");
    SaveDialog1.initialDir = QStringLiteral("log/");
    SaveDialog1.pathMustExist = true;

    GuardedConnect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    GuardedConnect(SaveLog1, &QPushButton::clicked, this, [this] { SaveLog1Click(); });
}

void TlogForm1::Button1Click() { hide(); }

void TlogForm1::SaveLog1Click() {
    if (!Services::prompts().saveFile(SaveDialog1)) return;
    std::string text;
    for (int i = 0; i < Fullog->count(); ++i) {
        text += Utf8ToCp1251(Fullog->text(i).toStdString());
        text += "\r\n";
    }
    WriteWholeFile(SaveDialog1.fileName, text.data(), text.size());
}
