// The real file dialog enforces its "folder must exist" and "file must exist" settings: a name it
// does not take is refused with a box, and the dialog stays open.
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include "platform/prompts.h"
#include "sim/testenv.h"

class QtPromptsTest : public QObject {
    Q_OBJECT
private slots:
    void dialogRefusesWhatItsSettingsForbid_data();
    void dialogRefusesWhatItsSettingsForbid();
};

void QtPromptsTest::dialogRefusesWhatItsSettingsForbid_data() {
    QTest::addColumn<bool>("save");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("why");
    QTest::newRow("save into a missing folder") << true << "none/x.dat"
                                                << "The folder does not exist.";
    QTest::newRow("open a missing file") << false << "x.dat"
                                         << "File not found.";
}

void QtPromptsTest::dialogRefusesWhatItsSettingsForbid() {
    QFETCH(bool, save);
    QFETCH(QString, name);
    QFETCH(QString, why);
    QTemporaryDir dir;
    const QString chosen = dir.filePath(name);
    FileDialogSpec spec;
    spec.fileName = QStringLiteral("noname");
    spec.initialDir = dir.path();
    spec.pathMustExist = true;
    spec.fileMustExist = !save;
    // The user types the name and presses OK; a box refuses it; the user cancels the dialog.
    QStringList seen;
    int dialogs = 0;
    QTimer user;
    user.setInterval(10);
    connect(&user, &QTimer::timeout, [&] {
        QWidget* top = QApplication::activeModalWidget();
        // Each press runs from a fresh event: a box it opens runs a loop of its own, and this
        // timer does not fire again while its slot runs.
        if (auto* box = qobject_cast<QMessageBox*>(top)) {
            seen << box->text();
            QTimer::singleShot(0, box, [box] { box->accept(); });
        } else if (auto* dlg = qobject_cast<QFileDialog*>(top)) {
            if (dialogs++ == 0) {
                dlg->selectFile(chosen);
                QTimer::singleShot(0, dlg, [dlg] { static_cast<QDialog*>(dlg)->accept(); });  // OK
            } else {
                QTimer::singleShot(0, dlg, [dlg] { dlg->reject(); });
            }
        }
    });
    user.start();
    QtPrompts prompts;
    const bool ok = save ? prompts.saveFile(spec) : prompts.openFile(spec);
    user.stop();
    QVERIFY(!ok);
    QCOMPARE(spec.fileName, QStringLiteral("noname"));
    QCOMPARE(dialogs, 2);
    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen[0].contains(why), qPrintable(seen[0]));
}

TANKCFG_TEST_MAIN(QtPromptsTest)
#include "tst_qtprompts.moc"
