// Whole-file saves and loads: what is refused and with which text, what a failed save leaves
// behind, and what a save keeps of the file it replaces.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/errors.h"
#include "platform/fileio.h"
#include "sim/testenv.h"

namespace {
constexpr uid_t kNobody = 65534;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(path.toLocal8Bit().constData(), &st);
    return st;
}
QString errorText(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const AppError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}
QStringList entries(const QString& dir) { return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot); }

// Runs fn in a child process once prepare() has succeeded there; returns fn's error text (""
// when it succeeded), or what prepare() returned when it failed.
QString inChild(const std::function<QString()>& prepare, const std::function<void()>& fn) {
    int pipefd[2];
    if (::pipe(pipefd) != 0) return QStringLiteral("pipe failed");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipefd[0]);
        QByteArray out = prepare().toUtf8();
        if (out.isEmpty()) out = errorText(fn).toUtf8();
        (void)!::write(pipefd[1], out.constData(), size_t(out.size()));
        ::_exit(0);
    }
    ::close(pipefd[1]);
    QByteArray got;
    char buf[256];
    for (ssize_t n; (n = ::read(pipefd[0], buf, sizeof buf)) > 0;) got.append(buf, int(n));
    ::close(pipefd[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return QString::fromUtf8(got);
}

// Runs fn as a user without privileges: root may write anywhere, and would not see what a
// technician's account sees.
QString asUnprivileged(const std::function<void()>& fn) {
    if (::geteuid() != 0) return errorText(fn);
    return inChild([] { return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? QString() : QStringLiteral("no setuid"); }, fn);
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
    QCOMPARE(errorText([&] { ReadFilePrefix(QStringLiteral("/dev/zero"), buf, sizeof buf); }), QStringLiteral("File access denied"));
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
    const QString fresh = errorText([&] { WriteWholeFile(dir.filePath(QStringLiteral("new.dat")), data.constData(), std::size_t(data.size())); });
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
    QCOMPARE(errorText([&] { WriteWholeFile(path + QStringLiteral("x"), "data", 4); }), QStringLiteral("Invalid filename"));
}

void FileIoTest::folderWithoutRoomForASecondCopy() {
    // A file system of 800 KiB holds one configuration file, not two.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.dat"));
    const QByteArray first(522824, 'a'), second(522824, 'b');
    QString contents;
    const QString mountFailed = QStringLiteral("no private mount");
    const QString result = inChild(
        [&] {
            const QByteArray where = dir.path().toLocal8Bit();
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                ::mount("none", where.constData(), "tmpfs", 0, "size=800k") != 0)
                return mountFailed;
            return QString();
        },
        [&] {
            WriteWholeFile(path, first.constData(), std::size_t(first.size()));
            WriteWholeFile(path, second.constData(), std::size_t(second.size()));
            if (readAll(path) != second) throw AppError("the second save is not in the file");
            if (entries(dir.path()) != QStringList{"site.dat"}) throw AppError("something was left beside it");
        });
    if (result == mountFailed) QSKIP("cannot mount a small file system here");
    QCOMPARE(result, QString());
}

TANKCFG_TEST_MAIN(FileIoTest)
#include "tst_fileio.moc"
