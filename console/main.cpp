// Vantrel control: the console configuration program.
#include <QApplication>
#include <QLocale>

#include "common/numtext.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/appsetup.h"
#include "platform/errorguard.h"
#include "platform/prompts.h"
#include "platform/services.h"

int main(int argc, char** argv) {
    if (const auto answered = AnswerCommandLine(argc, argv, Marvane)) return *answered;
    QApplication app(argc, argv);
    PrepareApplication();
    const StartOutcome start = DressApplication(Marvane, app.arguments());
    if (start.exitCode) return *start.exitCode;
    const QString sep = QLocale::system().decimalPoint();
    if (sep.size() == 1 && sep[0].unicode() < 0x80) DecimalSeparator = char(sep[0].unicode());
    Services::installReal();
    Services::installRealWorkbooks();
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    if (!start.folderError.isEmpty())
        Services::prompts().messageBox(QString::fromLatin1(MarvaneTitle), start.folderError, MsgIcon::Warning, MbOk);
    // Closing the main window ends the program, whatever other window is still shown.
    app.setQuitOnLastWindowClosed(false);
    MarvaneProgram program;
    program.forms().MainConfig->show();
    return app.exec();
}
