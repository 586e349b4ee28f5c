// The Linux side of a start: the command line, and the working folder of a start from the
// desktop menu. A start without options works in the current directory, as from a terminal.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include "platform/appsetup.h"
#include "sim/testenv.h"

namespace {
const ProgramIdentity Tool{"marvane", "org.tankcfg.Marvane", "Marvane", "Sets up a console."};

QStringList Args(std::initializer_list<const char*> rest) {
    QStringList a{QStringLiteral("/usr/bin/marvane")};
    for (const char* r : rest) a << QString::fromLatin1(r);
    return a;
}

void WriteUserDirs(const QString& configHome, const QByteArray& line) {
    QDir().mkpath(configHome);
    QFile f(configHome + QStringLiteral("/user-dirs.dirs"));
    if (!f.open(QIODevice::WriteOnly)) qFatal("user-dirs.dirs");
    f.write(line + "\n");
}
}  // namespace

class AppStartTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void commandLine_data();
    void commandLine();
    void toolkitOptionsPassBeforeTheToolkitTakesThem();
    void helpNamesTheCommandAndEveryOption();
    void menuStartWorksInAVisibleFolderOfItsOwn();
    void documentsFolderOfTheUserIsHonoured();
    void documentsFolderThatIsHomeGetsAFolderBelow();
    void terminalStartStaysWhereItWasStarted();
    void folderThatCannotBeMadeIsReportedAndTheStartStaysPut();

private:
    std::unique_ptr<QTemporaryDir> home_;
    QString startDir_;
};

void AppStartTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    qputenv("HOME", home_->path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    QDir(home_->path()).mkdir(QStringLiteral("start"));
    startDir_ = home_->path() + QStringLiteral("/start");
    QVERIFY(QDir::setCurrent(startDir_));
}

void AppStartTest::cleanup() { QDir::setCurrent(QDir::tempPath()); }

void AppStartTest::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("strict");
    QTest::addColumn<int>("action");
    QTest::addColumn<bool>("userFolder");
    using A = CommandLine::Action;
    QTest::newRow("no options") << Args({}) << true << int(A::Run) << false;
    QTest::newRow("menu start") << Args({"--user-folder"}) << true << int(A::Run) << true;
    QTest::newRow("--help") << Args({"--help"}) << false << int(A::Help) << false;
    QTest::newRow("-h") << Args({"-h"}) << false << int(A::Help) << false;
    QTest::newRow("--version") << Args({"--version"}) << false << int(A::Version) << false;
    QTest::newRow("-v") << Args({"-v"}) << false << int(A::Version) << false;
    QTest::newRow("--ports") << Args({"--ports"}) << false << int(A::Ports) << false;
    QTest::newRow("help wins") << Args({"--ports", "--help"}) << true << int(A::Help) << false;
    QTest::newRow("unknown option") << Args({"--bogus"}) << true << int(A::Error) << false;
    QTest::newRow("stray argument") << Args({"file.dat"}) << true << int(A::Error) << false;
}

void AppStartTest::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(bool, strict);
    QFETCH(int, action);
    QFETCH(bool, userFolder);
    const CommandLine cl = ReadCommandLine(args, Tool, strict);
    QCOMPARE(int(cl.action), action);
    QCOMPARE(cl.userFolder, userFolder);
    if (cl.action == CommandLine::Action::Error)
        QVERIFY2(cl.error.contains(args.last().remove(QLatin1Char('-'))), qPrintable(cl.error));
}

void AppStartTest::toolkitOptionsPassBeforeTheToolkitTakesThem() {
    // Before the application object exists the toolkit's own options are still there: they must
    // neither end the program nor hide an answer asked for with them.
    QCOMPARE(ReadCommandLine(Args({"-platform", "offscreen", "-style", "fusion"}), Tool, false).action,
             CommandLine::Action::Run);
    QCOMPARE(ReadCommandLine(Args({"-platform", "offscreen", "--version"}), Tool, false).action,
             CommandLine::Action::Version);
}

void AppStartTest::helpNamesTheCommandAndEveryOption() {
    const QString help = HelpText(Tool);
    QVERIFY2(help.startsWith(QStringLiteral("Usage: marvane [options]\nSets up a console.\n")), qPrintable(help));
    for (const char* opt : {"-h, --help", "-v, --version", "--ports", "--user-folder"})
        QVERIFY2(help.contains(QLatin1String(opt)), opt);
    QVERIFY(help.contains(home_->path() + QStringLiteral("/Documents/Marvane")));
    QCOMPARE(VersionText(Tool).section(QLatin1Char(' '), 0, 0), QString("marvane"));
}

void AppStartTest::menuStartWorksInAVisibleFolderOfItsOwn() {
    const QString folder = home_->path() + QStringLiteral("/Documents/Marvane");
    QCOMPARE(UserFolderPath(Tool), folder);
    const StartOutcome start = DressApplication(Tool, Args({"--user-folder"}));
    QVERIFY(!start.exitCode);
    QCOMPARE(start.folderError, QString());
    QCOMPARE(QDir::currentPath(), folder);
    QVERIFY(QFileInfo(folder + QStringLiteral("/data")).isDir());
    QVERIFY(QFileInfo(folder + QStringLiteral("/log")).isDir());
    // Found in a file manager: no hidden folder on the way from home, and not home itself.
    const QString below = QDir(home_->path()).relativeFilePath(folder);
    QVERIFY(!below.isEmpty() && below != QStringLiteral("."));
    for (const QString& part : below.split(QLatin1Char('/')))
        QVERIFY2(!part.startsWith(QLatin1Char('.')), qPrintable(below));
    // The next start finds it as it was left; a subfolder the user removed comes back.
    QVERIFY(QDir(folder).rmdir(QStringLiteral("log")));
    QFile kept(folder + QStringLiteral("/data/site.dat"));
    QVERIFY(kept.open(QIODevice::WriteOnly));
    kept.close();
    QVERIFY(QDir::setCurrent(startDir_));
    QCOMPARE(EnterUserFolder(Tool), QString());
    QVERIFY(QFileInfo(folder + QStringLiteral("/log")).isDir());
    QVERIFY(QFile::exists(folder + QStringLiteral("/data/site.dat")));
}

void AppStartTest::documentsFolderOfTheUserIsHonoured() {
    WriteUserDirs(home_->path() + QStringLiteral("/.config"), "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"");
    QCOMPARE(UserFolderPath(Tool), home_->path() + QStringLiteral("/Dokumente/Marvane"));
}

void AppStartTest::documentsFolderThatIsHomeGetsAFolderBelow() {
    WriteUserDirs(home_->path() + QStringLiteral("/.config"), "XDG_DOCUMENTS_DIR=\"$HOME/\"");
    QCOMPARE(UserFolderPath(Tool), home_->path() + QStringLiteral("/Documents/Marvane"));
}

void AppStartTest::terminalStartStaysWhereItWasStarted() {
    const StartOutcome start = DressApplication(Tool, Args({}));
    QVERIFY(!start.exitCode);
    QCOMPARE(QDir::currentPath(), startDir_);
    QVERIFY(!QFileInfo::exists(home_->path() + QStringLiteral("/Documents")));
}

void AppStartTest::folderThatCannotBeMadeIsReportedAndTheStartStaysPut() {
    QFile blocker(home_->path() + QStringLiteral("/Documents"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const StartOutcome start = DressApplication(Tool, Args({"--user-folder"}));
    QVERIFY(!start.exitCode);
    QCOMPARE(start.folderError,
             QStringLiteral("Cannot create the folder %1/Documents/Marvane/data.").arg(home_->path()));
    QCOMPARE(QDir::currentPath(), startDir_);
}

TANKCFG_TEST_MAIN(AppStartTest)
#include "tst_appstart.moc"
