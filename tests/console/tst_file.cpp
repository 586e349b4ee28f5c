// The configuration file: byte-for-byte images, the dialogs, and the file error texts.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QSpinBox>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <sys/resource.h>
#include <unistd.h>

#include "consolefixture.h"

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QByteArray memory(const ConsoleFixture& f) {
    return QByteArray(reinterpret_cast<const char*>(&f.session().ConsoleConfig), sizeof f.session().ConsoleConfig);
}
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
}  // namespace

class FileTest : public QObject {
    Q_OBJECT
private slots:
    void saveAndLoadByteForByte();
    void loadLeavesLoadedRecordsAlone();
    void shortFileAndOtherFailuresLeaveTheConfiguration();
    void cancelChangesNothing();
    void saveRightAfterStartWritesTheDefaults();
    void saveFailingMidwayKeepsTheOldFile();
    void dialogsKeepTheirSettings();
    void saveWritesThroughLinksAndRespectsReadOnly();
};

void FileTest::saveAndLoadByteForByte() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    f.spin("Noftanks")->setValue(3);
    f.spin("MdiUv")->setValue(2);
    f.session().ConsoleConfig.Tanks[2].Capacity = 31000;
    f.session().ConsoleConfig.Tanks[9].ProductName.assign("above the count");
    f.session().ConsoleConfig.Mdi[1].Name.assign("Kiosk");
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Save_t_file");
    QCOMPARE(readAll(path).size(), 522824);
    QCOMPARE(readAll(path), memory(f));
    QVERIFY(f.env.prompts.shown.size() == 1);  // no confirmation

    f.spin("Noftanks")->setValue(1);
    f.spin("MdiUv")->setValue(0);
    f.session().ConsoleConfig.Tanks[2].Capacity = 1;
    f.session().ConsoleConfig.DbSaveTime = 9;
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Load_t_from_file");
    QCOMPARE(memory(f), readAll(path));
    QCOMPARE(f.spin("Noftanks")->value(), 3);
    QCOMPARE(f.spin("MdiUv")->value(), 2);
    QCOMPARE(f.edit("dbsave")->text(), QStringLiteral("60"));
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 3, 2), QStringLiteral("31000"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 2, 2), QStringLiteral("Kiosk"));

    // A longer file loads its first 522824 bytes.
    writeFile(path, readAll(path) + QByteArray(100, 'x'));
    f.session().ConsoleConfig.DbSaveTime = 9;
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Load_t_from_file");
    QCOMPARE(int(f.session().ConsoleConfig.DbSaveTime), 60);
    QCOMPARE(f.env.prompts.shown.size(), 3);
}

void FileTest::loadLeavesLoadedRecordsAlone() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("five.dat"));
    auto image = std::make_unique<TConsoleConfig>(f.session().ConsoleConfig);
    image->TankCount = 5;
    image->MdiCount = 2;
    image->Tanks[4].Capacity = 5555;
    image->Tanks[4].ProductName.assign("FIVE");
    image->Mdi[1].Name.assign("Two");
    image->Mdi[1].Address = 14;
    image->Pad451[2] = 0x5A;  // padding is taken over as it stands
    const QByteArray bytes(reinterpret_cast<const char*>(image.get()), sizeof *image);
    writeFile(path, bytes);
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Load_t_from_file");
    QCOMPARE(memory(f), bytes);
    QCOMPARE(f.grid("Tanks_list")->rowCount(), 6);
    QCOMPARE(ConsoleFixture::cell(f.grid("Tanks_list"), 5, 3), QStringLiteral("FIVE"));
    QCOMPARE(ConsoleFixture::cell(f.grid("MDIList"), 2, 1), QStringLiteral("14"));
    // Raising the count by hand afterwards gives the new tank its defaults as usual.
    f.spin("Noftanks")->stepUp();
    QCOMPARE(f.session().ConsoleConfig.Tanks[5].Capacity, 22000.0);

    // Counts out of range are shown clamped and kept in the record.
    image->TankCount = 30;
    image->MdiCount = 0;
    writeFile(path, QByteArray(reinterpret_cast<const char*>(image.get()), sizeof *image));
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Load_t_from_file");
    QCOMPARE(f.spin("Noftanks")->value(), 16);
    QCOMPARE(int(f.session().ConsoleConfig.TankCount), 30);
    QCOMPARE(f.session().ConsoleConfig.Tanks[15].Capacity, image->Tanks[15].Capacity);
}

void FileTest::shortFileAndOtherFailuresLeaveTheConfiguration() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QByteArray before = memory(f);
    const QString shortFile = dir.filePath(QStringLiteral("short.dat"));
    writeFile(shortFile, QByteArray(1000, '\x7F'));
    const QString fifo = dir.filePath(QStringLiteral("pipe.dat"));
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    struct Case {
        QString path;
        QString text;
    };
    for (const Case& c : {Case{shortFile, "Read beyond end of file."},
                          // Only a regular file is read; a folder or a pipe is refused at once.
                          Case{dir.path(), "File access denied."}, Case{fifo, "File access denied."}}) {
        f.env.prompts.clear();
        f.env.prompts.queue(PromptAnswer::file(c.path));
        f.env.prompts.queue(PromptAnswer::ok());
        f.click("Load_t_from_file");
        QCOMPARE(f.env.prompts.shown.size(), 2);
        QCOMPARE(f.env.prompts.shown[1].text, c.text);
        QCOMPARE(f.env.prompts.shown[1].caption, QStringLiteral("Vantrel control"));
        QCOMPARE(f.env.prompts.shown[1].icon, MsgIcon::Error);
        QCOMPARE(memory(f), before);
    }
    // A missing file or folder is not taken by the dialogs: they stay open, nothing is read or
    // written, no error box comes.
    struct Refused {
        const char* button;
        QString path;
        QString why;
    };
    for (const Refused& r :
         {Refused{"Load_t_from_file", dir.filePath(QStringLiteral("missing.dat")), "File not found."},
          Refused{"Load_t_from_file", dir.filePath(QStringLiteral("no/dir/x.dat")), "The folder does not exist."},
          Refused{"Load_t_from_file", shortFile + QStringLiteral("/x.dat"), "The folder does not exist."},
          Refused{"Save_t_file", dir.filePath(QStringLiteral("no/dir/x.dat")), "The folder does not exist."}}) {
        f.env.prompts.clear();
        f.env.prompts.queue(PromptAnswer::file(r.path));
        f.env.prompts.queue(PromptAnswer::cancel());
        f.click(r.button);
        QCOMPARE(f.env.prompts.shown.size(), 2);
        QVERIFY2(f.env.prompts.shown[0].refused.contains(r.why), qPrintable(f.env.prompts.shown[0].refused));
        QVERIFY(f.env.prompts.shown[1].kind != PromptRecord::Message);
        QCOMPARE(memory(f), before);
    }
    QVERIFY(!QDir(dir.filePath(QStringLiteral("no"))).exists());
}

void FileTest::cancelChangesNothing() {
    ConsoleFixture f(false);
    const QByteArray before = memory(f);
    f.env.prompts.queue(PromptAnswer::cancel());
    f.env.prompts.queue(PromptAnswer::cancel());
    f.click("Load_t_from_file");
    f.click("Save_t_file");
    QCOMPARE(f.env.prompts.shown.size(), 2);
    QCOMPARE(memory(f), before);
}

void FileTest::saveRightAfterStartWritesTheDefaults() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("start.dat"));
    f.edit("dbsave")->setText(QStringLiteral("99"));
    f.edit("TrmID")->setText(QStringLiteral("ZZZ"));
    f.spin("Noftanks")->stepUp();
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Save_t_file");
    const QByteArray b = readAll(path);
    QCOMPARE(b.size(), 522824);
    QCOMPARE(int(uint8_t(b[0])), 60);
    QCOMPARE(int(uint8_t(b[2])), 2);  // the count is in the record at once
    QCOMPARE(b.mid(4, 7), QByteArray("\x06"
                                     "012345"));
    QCOMPARE(b.mid(32928, 8), QByteArray::fromHex("00000000007CD540"));
    QCOMPARE(int(uint8_t(b[32976])), 10);
    QCOMPARE(b.mid(33002, 6), QByteArray::fromHex("0123456789AB"));
}

void FileTest::saveFailingMidwayKeepsTheOldFile() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.dat"));
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Save_t_file");
    const QByteArray old = readAll(path);
    QCOMPARE(old.size(), 522824);

    f.session().ConsoleConfig.Tanks[0].Capacity = 1;
    // The file system stops taking bytes after the first 64 KiB. The program ignores the
    // signal this raises (as its main does); left alone, it would kill the program.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 65536;
    setrlimit(RLIMIT_FSIZE, &small);
    f.env.prompts.queue(PromptAnswer::file(path));
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("Save_t_file");
    setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(f.env.prompts.shown.last().text, QStringLiteral("Disk full."));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"keep.dat"});
}

void FileTest::dialogsKeepTheirSettings() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chosen.dat"));
    f.env.prompts.queue(PromptAnswer::file(path));
    f.click("Save_t_file");
    f.env.prompts.queue(PromptAnswer::cancel());
    f.click("Save_t_file");
    f.env.prompts.queue(PromptAnswer::cancel());
    f.click("Load_t_from_file");
    const FileDialogSpec& save = f.env.prompts.shown[0].spec;
    QCOMPARE(save.fileName, QStringLiteral("noname"));
    QCOMPARE(save.defaultSuffix, QStringLiteral("dat"));
    QCOMPARE(save.filter, QStringLiteral("*.dat files|*.dat"));
    QVERIFY(save.title.isEmpty());
    QVERIFY(save.pathMustExist && save.overwritePrompt && save.createPrompt && !save.fileMustExist);
    QCOMPARE(f.env.prompts.shown[1].spec.fileName, path);  // proposes the name last chosen
    const FileDialogSpec& open = f.env.prompts.shown[2].spec;
    QCOMPARE(open.fileName, QStringLiteral("name"));
    QCOMPARE(open.defaultSuffix, QStringLiteral("dat"));
    QCOMPARE(open.filter, QStringLiteral("*.dat files|*.dat"));
    QVERIFY(open.fileMustExist && open.pathMustExist);
    QVERIFY(open.title.isEmpty());
}

void FileTest::saveWritesThroughLinksAndRespectsReadOnly() {
    ConsoleFixture f(false);
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("real.dat"));
    const QString link = dir.filePath(QStringLiteral("link.dat"));
    writeFile(real, "old");
    QVERIFY(QFile::link(real, link));
    f.env.prompts.queue(PromptAnswer::file(link));
    f.click("Save_t_file");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readAll(real), memory(f));

    if (::geteuid() == 0) QSKIP("root may write a read-only file");
    QFile::setPermissions(real, QFile::ReadOwner);
    f.env.prompts.queue(PromptAnswer::file(real));
    f.env.prompts.queue(PromptAnswer::ok());
    f.click("Save_t_file");
    QCOMPARE(f.env.prompts.shown.last().text, QStringLiteral("File access denied."));
}

TANKCFG_TEST_MAIN(FileTest)
#include "tst_file.moc"
