// Vantrel control: the console configuration program.
#include <QApplication>
#include <QLocale>

#include "common/numtext.h"
#include "console/maincfg.h"
#include "console/marvane.h"
#include "platform/appsetup.h"
#include "platform/errorguard.h"
#include "platform/services.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    PrepareApplication();
    const QString sep = QLocale::system().decimalPoint();
    if (sep.size() == 1 && sep[0].unicode() < 0x80) DecimalSeparator = char(sep[0].unicode());
    Services::installReal();
    SetAppTitle(QString::fromLatin1(MarvaneTitle));
    // Closing the main window ends the program, whatever other window is still shown.
    app.setQuitOnLastWindowClosed(false);
    MarvaneProgram program;
    MainConfig->show();
    return app.exec();
}
