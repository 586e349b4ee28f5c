#include "probetool/HelpWin.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "platform/errorguard.h"
#include "platform/formkit.h"
#include "probetool/HelpFrame.h"

THelpWindow::THelpWindow(QWidget* parent) : PlainDialog("HelpWindow", "HelpWindow", parent) {
    resize(612, 503);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(0, 0, 0, 0);
    HelpFrame = new TFrame1(this);
    HelpFrame->setObjectName(QStringLiteral("HelpFrame"));
    lay->addWidget(HelpFrame);
    // The caption names the window only as a class would; a screen reader also hears what it holds.
    setAccessibleDescription(QStringLiteral("Help on the main window's controls"));
    FormKit::TabInReadingOrder(this);
    GuardedConnect(HelpFrame->Button1, &QPushButton::clicked, this, [this] { done(1); });
}
