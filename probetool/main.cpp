// Ostrel, the probe configuration program.
#include <QApplication>
#include <QLocale>

#include "common/numtext.h"
#include "platform/appsetup.h"
#include "platform/errorguard.h"
#include "platform/services.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrepareApplication();
    const QString sep = QLocale::system().decimalPoint();
    if (sep.size() == 1 && sep.at(0).unicode() < 0x80) DecimalSeparator = char(sep.at(0).unicode());
    Services::installReal();
    SetAppTitle(OstrelTitle);
    RegisterHelpFile(OstrelHelpFile);

    // The windows in their order: the main window first (its creation searches the ports).
    Tprobc probc;
    auto* scanbus = new TScanbus(&probc, probc.Link());
    probc.AttachWindows(scanbus, new THelpWindow(&probc));
    if (probc.Terminated()) return 0;
    probc.show();
    return app.exec();
}
