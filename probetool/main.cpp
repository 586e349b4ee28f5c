// Ostrel, the probe configuration program.
#include <QApplication>
#include <QLocale>

#include "common/numtext.h"
#include "platform/appsetup.h"
#include "platform/errorguard.h"
#include "platform/prompts.h"
#include "platform/services.h"
#include "probetool/HelpWin.h"
#include "probetool/probc.h"
#include "probetool/scanb.h"

namespace {
const ProgramIdentity Ostrel{"ostrel", "org.tankcfg.Ostrel", "Ostrel",
                             "Ostrel sets up the level probes on an RS-485 probe bus: address, speed of "
                             "wire, length, filter, float mode and two-point calibration."};
}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = AnswerCommandLine(argc, argv, Ostrel)) return *answered;
    QApplication app(argc, argv);
    PrepareApplication();
    const StartOutcome start = DressApplication(Ostrel, app.arguments());
    if (start.exitCode) return *start.exitCode;
    const QString sep = QLocale::system().decimalPoint();
    if (sep.size() == 1 && sep.at(0).unicode() < 0x80) DecimalSeparator = char(sep.at(0).unicode());
    Services::installReal();
    SetAppTitle(OstrelTitle);
    RegisterHelpFile(OstrelHelpFile);
    if (!start.folderError.isEmpty())
        Services::prompts().messageBox(OstrelTitle, start.folderError, MsgIcon::Warning, MbOk);

    // The windows in their order: the main window first (its creation searches the ports).
    Tprobc probc;
    auto* scanbus = new TScanbus(&probc, probc.Link());
    probc.AttachWindows(scanbus, new THelpWindow(&probc));
    if (probc.Terminated()) return 0;
    probc.show();
    return app.exec();
}
