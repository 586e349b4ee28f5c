#include "probetool/HelpWin.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "probetool/HelpFrame.h"

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("HelpWindow"));
    resize(612, 503);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    HelpFrame = new TFrame1(this);
    HelpFrame->setObjectName(QStringLiteral("HelpFrame"));
    lay->addWidget(HelpFrame);
    connect(HelpFrame->Button1, &QPushButton::clicked, this, [this] { done(1); });
}
