#include "platform/fileio.h"

#include <QRandomGenerator>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "common/errors.h"

namespace {
[[noreturn]] void fail(int err) { throw InOutError(err, FileErrorText(err).toStdString()); }

QByteArray folderOf(const QByteArray& path) {
    const int slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}
QByteArray nameOf(const QByteArray& path) { return path.mid(path.lastIndexOf('/') + 1); }

// The system reports a missing folder as a missing file; the user is told the path is wrong.
[[noreturn]] void failOn(const QByteArray& path, int err) {
    if (err == ENOENT) {
        struct stat st {};
        if (::stat(folderOf(path).constData(), &st) != 0 || !S_ISDIR(st.st_mode)) fail(ENOTDIR);
    }
    fail(err);
}

// Only a regular file holds a configuration: a folder, a pipe or a device is refused as a
// file that may not be used.
void refuseIfNotRegular(const struct stat& st) {
    if (!S_ISREG(st.st_mode)) fail(EACCES);
}

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
};

bool noRoom(int err) { return err == ENOSPC || err == EDQUOT; }

// Writes all of data at offset 0; returns 0 or the error number.
int writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, p + done, size - done, off_t(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return ErrDiskFull;
        done += std::size_t(n);
    }
    return 0;
}

// A file the size of the configuration that the process may not make is refused before a
// byte is written, so a file written in place is not left half old, half new.
void checkSizeLimit(std::size_t size) {
    rlimit lim{};
    if (::getrlimit(RLIMIT_FSIZE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY && size > lim.rlim_cur) fail(EFBIG);
}

// Temporary files are named ".tcsave.<pid>.<8 letters or digits>": short whatever the
// target's name, and telling which process made them.
constexpr char kTempPrefix[] = ".tcsave.";
constexpr char kTempChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kTempRandom = 8;

QByteArray freshTempName() {
    QByteArray name = QByteArray(kTempPrefix) + QByteArray::number(qint64(::getpid())) + '.';
    for (std::size_t i = 0; i < kTempRandom; ++i)
        name += kTempChars[QRandomGenerator::global()->bounded(int(sizeof kTempChars) - 1)];
    return name;
}

// A temporary file that no save is still writing: its process is gone, or it is this one,
// whose saves run one at a time.
bool abandonedTempName(const char* name) {
    constexpr std::size_t prefix = sizeof kTempPrefix - 1;
    if (std::strncmp(name, kTempPrefix, prefix) != 0) return false;
    const char* digits = name + prefix;
    const std::size_t n = std::strspn(digits, "0123456789");
    if (n == 0 || n > 9 || digits[n] != '.') return false;
    const char* tail = digits + n + 1;
    if (std::strlen(tail) != kTempRandom || std::strspn(tail, kTempChars) != kTempRandom) return false;
    const pid_t pid = pid_t(std::strtol(digits, nullptr, 10));
    if (pid <= 0) return false;
    if (pid == ::getpid()) return true;
    return ::kill(pid, 0) != 0 && errno == ESRCH;
}

// A save killed between naming its copy and renaming it over the target leaves a complete
// hidden file; the next save into the folder removes it.
void removeAbandonedTempFiles(int dirFd) {
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listFd < 0) return;
    DIR* list = ::fdopendir(listFd);
    if (!list) {
        ::close(listFd);
        return;
    }
    std::vector<std::string> abandoned;
    while (const dirent* e = ::readdir(list))
        if (abandonedTempName(e->d_name)) abandoned.emplace_back(e->d_name);
    ::closedir(list);
    for (const std::string& name : abandoned) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            ::unlinkat(dirFd, name.c_str(), 0);
    }
}

// The temporary file of a replacing save. Unnamed while written where the system can do that,
// so nothing is left behind even if the program dies; its name exists only for the moment
// between linking it in and renaming it over the target.
class TempFile {
public:
    explicit TempFile(int dirFd) : dir_(dirFd) {}
    ~TempFile() {
        if (!name_.isEmpty()) ::unlinkat(dir_, name_.constData(), 0);
    }
    // Returns 0 or the error number.
    int create(mode_t mode) {
        // Without /proc an unnamed file could not be named afterwards.
        if (::access("/proc/self/fd", X_OK) == 0) f_.fd = ::openat(dir_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
        if (f_.fd >= 0) {
            unnamed_ = true;
            ::fchmod(f_.fd, mode);
            return 0;
        }
        for (int attempt = 0; attempt < 100; ++attempt) {
            QByteArray name = freshTempName();
            f_.fd = ::openat(dir_, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (f_.fd >= 0) {
                name_ = name;
                ::fchmod(f_.fd, mode);
                return 0;
            }
            if (errno != EEXIST) return errno;
        }
        return EEXIST;
    }
    int fd() const { return f_.fd; }
    // Puts the file in place of target (a name in the folder), on the disk before and after
    // the rename; returns 0 or the error number.
    int commit(const QByteArray& target) {
        if (::fsync(f_.fd) != 0 && errno != EINVAL) return errno;
        if (unnamed_) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(f_.fd);
            for (int attempt = 0; name_.isEmpty() && attempt < 100; ++attempt) {
                const QByteArray name = freshTempName();
                if (::linkat(AT_FDCWD, self.constData(), dir_, name.constData(), AT_SYMLINK_FOLLOW) == 0)
                    name_ = name;
                else if (errno != EEXIST)
                    return errno;
            }
        }
        const int fd = f_.fd;
        f_.fd = -1;
        if (::close(fd) != 0) return errno;
        if (::renameat(dir_, name_.constData(), dir_, target.constData()) != 0) return errno;
        name_.clear();
        // The rename itself is on the disk only once the folder is.
        if (::fsync(dir_) != 0 && errno != EINVAL) return errno;
        return 0;
    }

private:
    int dir_;
    Fd f_;
    QByteArray name_;
    bool unnamed_ = false;
};

// The replacing save. Returns false when the folder has no room for the second copy or the
// copy could not be given the old file's group; the caller then writes in place.
bool writeReplacing(int dirFd, const QByteArray& target, const struct stat* old, const void* data, std::size_t size) {
    mode_t mode = 0666;
    if (old) {
        mode = old->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    TempFile tmp(dirFd);
    if (const int err = tmp.create(mode)) {
        if (old && noRoom(err)) return false;
        failOn(target, err);
    }
    if (old) {
        struct stat now {};
        if (::fstat(tmp.fd(), &now) == 0 && now.st_gid != old->st_gid &&
            ::fchown(tmp.fd(), uid_t(-1), old->st_gid) != 0)
            return false;
        ::fchmod(tmp.fd(), mode);  // a change of group may clear the set-group bit
    }
    if (const int err = writeAll(tmp.fd(), data, size)) {
        if (old && noRoom(err)) return false;
        fail(err);
    }
    if (const int err = tmp.commit(nameOf(target))) fail(err);
    return true;
}

void writeInPlace(const QByteArray& target, const void* data, std::size_t size) {
    checkSizeLimit(size);
    // Not truncated first: the old bytes are overwritten and only what is beyond the new end
    // is cut, so no room beyond the old file's is needed.
    Fd f(::open(target.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666));
    if (f.fd < 0) failOn(target, errno);
    struct stat st {};
    if (::fstat(f.fd, &st) != 0) fail(errno);
    refuseIfNotRegular(st);
    // The room for the new contents is taken before a byte is written, so a disk that cannot
    // hold them leaves the old file whole rather than half overwritten.
    if (::fallocate(f.fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) != 0 && noRoom(errno)) fail(errno);
    if (const int err = writeAll(f.fd, data, size)) fail(err);
    if (::ftruncate(f.fd, off_t(size)) != 0) fail(errno);
    if (::fsync(f.fd) != 0 && errno != EINVAL) fail(errno);
    const int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0) fail(errno);
}
}  // namespace

QString FileErrorText(int err) {
    switch (err) {
    case ENOENT: return QStringLiteral("File not found");
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL: return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE: return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return QStringLiteral("File access denied");
    case ErrReadBeyondEnd: return QStringLiteral("Read beyond end of file");
    case ErrDiskFull:
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return QStringLiteral("Disk full");
    default: return QStringLiteral("I/O error %1").arg(err);
    }
}

void WriteWholeFile(const QString& path, const void* data, std::size_t size) {
    if (path.isEmpty()) fail(ENOENT);
    QByteArray target = path.toLocal8Bit();
    // Write through a link to the file it names.
    if (char* real = ::realpath(target.constData(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st {};
    const bool exists = ::stat(target.constData(), &st) == 0;
    if (exists) {
        refuseIfNotRegular(st);
        // A file that may not be written is refused as opening it for writing would be.
        if (::access(target.constData(), W_OK) != 0) fail(errno);
    }
    // Replacing the file keeps everything it was only when the folder lets us create and
    // rename, the file is ours and it has no other names.
    Fd dir;
    if (::access(folderOf(target).constData(), W_OK | X_OK) == 0) {
        dir.fd = ::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir.fd < 0) failOn(target, errno);
        // Before the room for the new copy is counted.
        removeAbandonedTempFiles(dir.fd);
    }
    const bool replace = dir.fd >= 0 && (!exists || (st.st_nlink == 1 && st.st_uid == ::geteuid()));
    if (replace && writeReplacing(dir.fd, target, exists ? &st : nullptr, data, size)) return;
    writeInPlace(target, data, size);
}

void ReadFilePrefix(const QString& path, void* data, std::size_t size) {
    if (path.isEmpty()) fail(ENOENT);
    const QByteArray name = path.toLocal8Bit();
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) failOn(name, errno);
    refuseIfNotRegular(st);
    // Not blocking: the name may have become a pipe since it was looked at.
    Fd f(::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (f.fd < 0) failOn(name, errno);
    if (::fstat(f.fd, &st) != 0) fail(errno);
    refuseIfNotRegular(st);
    auto buf = std::make_unique<char[]>(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(f.fd, buf.get() + got, size - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) fail(ErrReadBeyondEnd);
        got += std::size_t(n);
    }
    std::memcpy(data, buf.get(), size);
}
