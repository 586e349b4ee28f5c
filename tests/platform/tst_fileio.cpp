// Whole-file saves and loads: what is refused and with which text, what a failed save leaves
// behind, and what a save keeps of the file it replaces.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "common/errors.h"
#include "platform/fileio.h"
#include "platform/workbookfile.h"
#include "sim/testenv.h"
#include "tests/platform/childprocess.h"
#include "tests/platform/savecalls.h"

using namespace childprocess;
using namespace savecalls;

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QStringList entries(const QString& dir) {
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The names in a folder other than these.
QStringList othersThan(const QString& dir, const QStringList& known) {
    QStringList out = entries(dir);
    for (const QString& k : known) out.removeAll(k);
    return out;
}

WorkbookCells numbers(int rows) {
    WorkbookCells c{{{1, 1}, CellValue::ofText("Points")}};
    for (int r = 1; r <= rows; ++r) c[{r + 1, 2}] = CellValue::ofNumber(r * 0.5);
    return c;
}
}  // namespace

class FileIoTest : public QObject {
    Q_OBJECT
private slots:
    void ownCodesAreNoSystemErrorNumbers();
    void onlyRegularFilesAreReadOrWritten();
    void sizeLimitIsDiskFullAndLeavesNothingBehind();
    void saveKeepsPermissionsLinksAndOwner();
    void writableFileInAFolderNotWritable();
    void longestNameSaves();
    void folderWithoutRoomForASecondCopy();
    void noRoomForTheNewContentsKeepsTheOldFile();
    void flushedBeforeAndAfterTheRename();
    void saveKilledAtItsRenameLeavesNothingForLong();
    void workbookExportIsFlushedAndRenamedLikeEverySave();
    void workbookExportErrorsNameTheChosenFile();
    void workbookExportOnAFullDisk();
    void workbookExportKilledAtItsRename();
};

void FileIoTest::ownCodesAreNoSystemErrorNumbers() {
    // 100 and 101 are system errors on Linux (network down, unreachable).
    QCOMPARE(FileErrorText(100), QStringLiteral("I/O error 100"));
    QCOMPARE(FileErrorText(101), QStringLiteral("I/O error 101"));
    QVERIFY(ErrReadBeyondEnd < 0 && ErrDiskFull < 0);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.dat"));
    writeFile(path, "abc");
    char buf[8] = "keep";
    try {
        ReadFilePrefix(path, buf, sizeof buf);
        QFAIL("a short file must fail");
    } catch (const InOutError& e) {
        QCOMPARE(e.Code, ErrReadBeyondEnd);
        QCOMPARE(QString::fromStdString(e.what()), QStringLiteral("Read beyond end of file"));
    }
    QCOMPARE(QByteArray(buf), QByteArray("keep"));
    // A missing file is not found; a missing folder is a wrong name.
    QCOMPARE(errorText([&] { ReadFilePrefix(dir.filePath(QStringLiteral("none.dat")), buf, sizeof buf); }),
             QStringLiteral("File not found"));
    QCOMPARE(errorText([&] { ReadFilePrefix(dir.filePath(QStringLiteral("no/none.dat")), buf, sizeof buf); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(errorText([&] { WriteWholeFile(dir.filePath(QStringLiteral("no/none.dat")), buf, sizeof buf); }),
             QStringLiteral("Invalid filename"));
}

void FileIoTest::onlyRegularFilesAreReadOrWritten() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.dat"));
    QCOMPARE(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    char buf[16] = "keep";
    // Nobody writes to the pipe: opening it for reading the ordinary way would wait forever.
    QCOMPARE(errorText([&] { ReadFilePrefix(fifo, buf, sizeof buf); }), QStringLiteral("File access denied"));
    QCOMPARE(errorText([&] { ReadFilePrefix(dir.path(), buf, sizeof buf); }), QStringLiteral("File access denied"));
    QCOMPARE(errorText([&] { ReadFilePrefix(QStringLiteral("/dev/zero"), buf, sizeof buf); }),
             QStringLiteral("File access denied"));
    QCOMPARE(QByteArray(buf), QByteArray("keep"));
    QCOMPARE(errorText([&] { WriteWholeFile(fifo, buf, sizeof buf); }), QStringLiteral("File access denied"));
    QVERIFY(S_ISFIFO(statOf(fifo).st_mode));
    QCOMPARE(errorText([&] { WriteWholeFile(dir.path(), buf, sizeof buf); }), QStringLiteral("File access denied"));
    QCOMPARE(entries(dir.path()), QStringList{"pipe.dat"});
}

void FileIoTest::sizeLimitIsDiskFullAndLeavesNothingBehind() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.dat"));
    const QByteArray old(1000, 'o');
    writeFile(path, old);
    const QByteArray data(200000, 'n');
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 65536;
    // With the signal left at its default, the first write past the limit kills the process.
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString replacing = errorText([&] { WriteWholeFile(path, data.constData(), std::size_t(data.size())); });
    const QString fresh = errorText(
        [&] { WriteWholeFile(dir.filePath(QStringLiteral("new.dat")), data.constData(), std::size_t(data.size())); });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(replacing, QStringLiteral("Disk full"));
    QCOMPARE(fresh, QStringLiteral("Disk full"));
    QCOMPARE(readAll(path), old);
    QCOMPARE(entries(dir.path()), QStringList{"big.dat"});
}

void FileIoTest::saveKeepsPermissionsLinksAndOwner() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    const QString other = dir.filePath(QStringLiteral("other-name.dat"));
    writeFile(path, "old");
    QCOMPARE(::chmod(path.toLocal8Bit().constData(), 0640), 0);
    WriteWholeFile(path, "new", 3);
    QCOMPARE(statOf(path).st_mode & 07777, mode_t(0640));
    QCOMPARE(readAll(path), QByteArray("new"));

    // A file with a second name stays one file.
    QCOMPARE(::link(path.toLocal8Bit().constData(), other.toLocal8Bit().constData()), 0);
    const ino_t inode = statOf(path).st_ino;
    WriteWholeFile(path, "linked", 6);
    QCOMPARE(statOf(path).st_ino, inode);
    QCOMPARE(readAll(other), QByteArray("linked"));
    QCOMPARE(statOf(path).st_mode & 07777, mode_t(0640));

    // A shorter save leaves no tail of the longer old file.
    WriteWholeFile(other, "ab", 2);
    QCOMPARE(readAll(path), QByteArray("ab"));

    // A file that belongs to someone else keeps its owner.
    if (::geteuid() != 0) return;
    const QString theirs = dir.filePath(QStringLiteral("theirs.dat"));
    writeFile(theirs, "old");
    QCOMPARE(::chown(theirs.toLocal8Bit().constData(), kNobody, kNobody), 0);
    WriteWholeFile(theirs, "new", 3);
    QCOMPARE(statOf(theirs).st_uid, kNobody);
    QCOMPARE(statOf(theirs).st_gid, gid_t(kNobody));
    QCOMPARE(readAll(theirs), QByteArray("new"));
    QCOMPARE(entries(dir.path()), (QStringList{"other-name.dat", "site.dat", "theirs.dat"}));
}

void FileIoTest::writableFileInAFolderNotWritable() {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/site.dat");
    writeFile(path, "old contents");
    if (::geteuid() == 0) {
        QCOMPARE(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
        QCOMPARE(::chown(path.toLocal8Bit().constData(), kNobody, kNobody), 0);
    }
    QCOMPARE(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    QCOMPARE(asUnprivileged([&] { WriteWholeFile(path, "new", 3); }), QString());
    QCOMPARE(readAll(path), QByteArray("new"));
    // A new file cannot be made there.
    QCOMPARE(asUnprivileged([&] { WriteWholeFile(folder + QStringLiteral("/new.dat"), "x", 1); }),
             QStringLiteral("File access denied"));
    QCOMPARE(entries(folder), QStringList{"site.dat"});
    ::chmod(folder.toLocal8Bit().constData(), 0755);
}

void FileIoTest::longestNameSaves() {
    QTemporaryDir dir;
    const QString name = QString(251, QLatin1Char('n')) + QStringLiteral(".dat");  // 255 bytes
    const QString path = dir.filePath(name);
    WriteWholeFile(path, "data", 4);
    QCOMPARE(readAll(path), QByteArray("data"));
    WriteWholeFile(path, "again", 5);
    QCOMPARE(readAll(path), QByteArray("again"));
    QCOMPARE(entries(dir.path()), QStringList{name});
    QCOMPARE(errorText([&] { WriteWholeFile(path + QStringLiteral("x"), "data", 4); }),
             QStringLiteral("Invalid filename"));
}

void FileIoTest::folderWithoutRoomForASecondCopy() {
    // A file system of 800 KiB holds one configuration file, not two.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    const QByteArray first(522824, 'a'), second(522824, 'b');
    const QString result = inChild(smallFileSystemAt(dir.path(), "800k"), [&] {
        WriteWholeFile(path, first.constData(), std::size_t(first.size()));
        WriteWholeFile(path, second.constData(), std::size_t(second.size()));
        if (readAll(path) != second) throw AppError("the second save is not in the file");
        if (entries(dir.path()) != QStringList{"site.dat"}) throw AppError("something was left beside it");
    });
    if (result == kNoSmallFileSystem) QSKIP("cannot mount a small file system here");
    QCOMPARE(result, QString());
}

void FileIoTest::noRoomForTheNewContentsKeepsTheOldFile() {
    // A log or a bitmap grows: without room for a second copy it cannot be written in place
    // either, and the old file stays as it was rather than half overwritten.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("probe.log"));
    const QByteArray old(100 * 1024, 'o'), filler(600 * 1024, 'f'), grown(300 * 1024, 'n'), shrunk(50 * 1024, 's');
    const QString result = inChild(smallFileSystemAt(dir.path(), "800k"), [&] {
        WriteWholeFile(path, old.constData(), std::size_t(old.size()));
        WriteWholeFile(dir.filePath(QStringLiteral("other.dat")), filler.constData(), std::size_t(filler.size()));
        const QString full = errorText([&] { WriteWholeFile(path, grown.constData(), std::size_t(grown.size())); });
        if (full != QStringLiteral("Disk full")) throw AppError(("a grown file: " + full).toStdString());
        if (readAll(path) != old) throw AppError("the old file was overwritten");
        if (entries(dir.path()) != QStringList({"other.dat", "probe.log"}))
            throw AppError("something was left beside it");
        // What fits where the old contents were is written.
        WriteWholeFile(path, shrunk.constData(), std::size_t(shrunk.size()));
        if (readAll(path) != shrunk) throw AppError("a smaller file was not written");
    });
    if (result == kNoSmallFileSystem) QSKIP("cannot mount a small file system here");
    QCOMPARE(result, QString());
}

void FileIoTest::flushedBeforeAndAfterTheRename() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    const QStringList first = notedDuring([&] { WriteWholeFile(path, "first", 5); });
    QCOMPARE(first, flushedAndRenamed(path));
    const QStringList second = notedDuring([&] { WriteWholeFile(path, "second", 6); });
    QCOMPARE(second, flushedAndRenamed(path));
    QCOMPARE(readAll(path), QByteArray("second"));
}

void FileIoTest::saveKilledAtItsRenameLeavesNothingForLong() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    writeFile(path, "old");
    const QString died = inChild(
        [] {
            savecalls::dieAtRename = true;
            return QString();
        },
        [&] { WriteWholeFile(path, "new", 3); });
    QCOMPARE(died, QString());
    // The old file is whole, and beside it the complete copy that was to replace it.
    QCOMPARE(readAll(path), QByteArray("old"));
    const QStringList left = othersThan(dir.path(), {"site.dat"});
    QCOMPARE(left.size(), 1);
    QVERIFY2(left[0].startsWith(QLatin1Char('.')), qPrintable(left[0]));
    QCOMPARE(readAll(dir.filePath(left[0])), QByteArray("new"));

    // Names that only look alike stay, and so does the copy of a save whose process still runs.
    const QString ended = QString::number(endedProcess());
    const QString running = QStringLiteral(".tcsave.%1.abcd1234").arg(::getppid());
    const QString folder = QStringLiteral(".tcsave.") + ended + QStringLiteral(".folder12");
    const QStringList alike{QStringLiteral(".tcsave.notes"),
                            QStringLiteral(".tcsave.") + ended + QStringLiteral(".abcd1234.txt"), running,
                            QStringLiteral("tcsave.") + ended + QStringLiteral(".abcd1234")};
    for (const QString& name : alike) writeFile(dir.filePath(name), "keep");
    QVERIFY(QDir(dir.path()).mkdir(folder));

    // The next save into the folder, of whatever file, removes what the killed one left.
    WriteWholeFile(dir.filePath(QStringLiteral("other.log")), "x", 1);
    QStringList expected = alike + QStringList{folder, QStringLiteral("other.log"), QStringLiteral("site.dat")};
    expected.sort();
    QCOMPARE(entries(dir.path()), expected);
    QCOMPARE(readAll(path), QByteArray("old"));
}

void FileIoTest::workbookExportIsFlushedAndRenamedLikeEverySave() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    const WorkbookCells cells = numbers(4000);
    const QStringList noted = notedDuring([&] { WriteXlsFile(path.toStdString(), cells); });
    QCOMPARE(noted, flushedAndRenamed(path));
    QVERIFY(ReadWorkbookFile(path.toStdString()) == cells);
    // The old workbook's permissions stay, and a second name stays with the file.
    QCOMPARE(::chmod(path.toLocal8Bit().constData(), 0640), 0);
    const QString second = dir.filePath(QStringLiteral("copy.xls"));
    QCOMPARE(::link(path.toLocal8Bit().constData(), second.toLocal8Bit().constData()), 0);
    const WorkbookCells fewer = numbers(20);
    WriteXlsFile(path.toStdString(), fewer);
    QVERIFY(ReadWorkbookFile(second.toStdString()) == fewer);
    QCOMPARE(statOf(path).st_mode & 07777, mode_t(0640));
    QCOMPARE(entries(dir.path()), (QStringList{"copy.xls", "t.xls"}));
}

void FileIoTest::workbookExportErrorsNameTheChosenFile() {
    QTemporaryDir dir;
    const WorkbookCells cells = numbers(4000);
    auto exportTo = [&](const QString& path) { return errorText([&] { WriteXlsFile(path.toStdString(), cells); }); };
    const QString missing = dir.filePath(QStringLiteral("no/such/t.xls"));
    QCOMPARE(exportTo(missing), QStringLiteral("Cannot save \"%1\": Invalid filename").arg(missing));

    // A folder the technician may not write into.
    const QString folder = dir.filePath(QStringLiteral("shared"));
    QVERIFY(QDir().mkdir(folder));
    if (::geteuid() == 0) QCOMPARE(::chmod(dir.path().toLocal8Bit().constData(), 0755), 0);
    QCOMPARE(::chmod(folder.toLocal8Bit().constData(), 0555), 0);
    const QString denied = folder + QStringLiteral("/t.xls");
    QCOMPARE(asUnprivileged([&] { WriteXlsFile(denied.toStdString(), cells); }),
             QStringLiteral("Cannot save \"%1\": File access denied").arg(denied));
    QCOMPARE(entries(folder), QStringList());
    ::chmod(folder.toLocal8Bit().constData(), 0755);

    // A file larger than the process may write: the old workbook stays whole.
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    const WorkbookCells old = numbers(11);
    WriteXlsFile(path.toStdString(), old);
    const QByteArray before = readAll(path);
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 65536;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const QString tooLarge = exportTo(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    QCOMPARE(tooLarge, QStringLiteral("Cannot save \"%1\": Disk full").arg(path));
    QCOMPARE(readAll(path), before);
    QCOMPARE(entries(dir.path()), (QStringList{"shared", "t.xls"}));
}

void FileIoTest::workbookExportOnAFullDisk() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    const WorkbookCells small = numbers(11), large = numbers(4000);
    const QString result = inChild(smallFileSystemAt(dir.path(), "256k"), [&] {
        WriteXlsFile(path.toStdString(), small);
        const QByteArray before = readAll(path);
        const QByteArray filler(200 * 1024, 'f');
        WriteWholeFile(dir.filePath(QStringLiteral("filler")), filler.constData(), std::size_t(filler.size()));
        const QString full = errorText([&] { WriteXlsFile(path.toStdString(), large); });
        if (full != QStringLiteral("Cannot save \"%1\": Disk full").arg(path)) throw AppError(full.toStdString());
        if (readAll(path) != before) throw AppError("the old workbook was changed");
        if (entries(dir.path()) != QStringList({"filler", "t.xls"})) throw AppError("something was left beside it");
    });
    if (result == kNoSmallFileSystem) QSKIP("cannot mount a small file system here");
    QCOMPARE(result, QString());
}

void FileIoTest::workbookExportKilledAtItsRename() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.xls"));
    const WorkbookCells old = numbers(11), next = numbers(30);
    WriteXlsFile(path.toStdString(), old);
    inChild(
        [] {
            savecalls::dieAtRename = true;
            return QString();
        },
        [&] { WriteXlsFile(path.toStdString(), next); });
    QVERIFY(ReadWorkbookFile(path.toStdString()) == old);
    QCOMPARE(othersThan(dir.path(), {"t.xls"}).size(), 1);
    WriteXlsFile(path.toStdString(), next);
    QVERIFY(ReadWorkbookFile(path.toStdString()) == next);
    QCOMPARE(entries(dir.path()), QStringList{"t.xls"});
}

TANKCFG_TEST_MAIN(FileIoTest)
#include "tst_fileio.moc"
