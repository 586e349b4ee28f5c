#include "platform/fileio.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "common/errors.h"

namespace {
// Error numbers of the cases the file texts name that have no system error of their own.
constexpr int ReadBeyondEnd = 100;
constexpr int DiskFull = 101;

[[noreturn]] void fail(int err) { throw InOutError(err, FileErrorText(err).toStdString()); }

// The system reports a missing folder as a missing file; the user is told the path is wrong.
[[noreturn]] void failOn(const QByteArray& path, int err) {
    if (err == ENOENT) {
        const int slash = path.lastIndexOf('/');
        const QByteArray folder = slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
        struct stat st {};
        if (::stat(folder.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) fail(ENOTDIR);
    }
    fail(err);
}

struct Fd {
    int fd = -1;
    ~Fd() {
        if (fd >= 0) ::close(fd);
    }
};
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
    case ReadBeyondEnd: return QStringLiteral("Read beyond end of file");
    case DiskFull:
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return QStringLiteral("Disk full");
    default: return QStringLiteral("I/O error %1").arg(err);
    }
}

void WriteWholeFile(const QString& path, const void* data, std::size_t size) {
    if (path.isEmpty()) fail(ENOENT);
    QByteArray target = path.toLocal8Bit();
    // Write through a link to the file it names, and keep an existing file's permissions;
    // a file that may not be written is refused as opening it for writing would be.
    mode_t mode = 0666;
    bool keepMode = false;
    if (char* real = ::realpath(target.constData(), nullptr)) {
        target = real;
        std::free(real);
    }
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) fail(EISDIR);
        if (::access(target.constData(), W_OK) != 0) fail(errno);
        mode = st.st_mode & 07777;
        keepMode = true;
    }
    QByteArray tmp = target + ".XXXXXX";
    Fd f;
    f.fd = ::mkstemp(tmp.data());
    if (f.fd < 0) failOn(target, errno);
    bool done = false;
    struct Cleanup {
        const QByteArray& name;
        const bool& done;
        ~Cleanup() {
            if (!done) ::unlink(name.constData());
        }
    } cleanup{tmp, done};
    // mkstemp makes the file 0600; a new configuration file is an ordinary one.
    if (!keepMode) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::fchmod(f.fd, mode);
    const char* p = static_cast<const char*>(data);
    std::size_t left = size;
    while (left > 0) {
        const ssize_t n = ::write(f.fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) fail(DiskFull);
        p += n;
        left -= std::size_t(n);
    }
    if (::fsync(f.fd) != 0 && errno != EINVAL) fail(errno);
    const int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0) fail(errno);
    if (::rename(tmp.constData(), target.constData()) != 0) fail(errno);
    done = true;
}

void ReadFilePrefix(const QString& path, void* data, std::size_t size) {
    if (path.isEmpty()) fail(ENOENT);
    Fd f;
    const QByteArray name = path.toLocal8Bit();
    f.fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (f.fd < 0) failOn(name, errno);
    auto buf = std::make_unique<char[]>(size);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(f.fd, buf.get() + got, size - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        if (n == 0) fail(ReadBeyondEnd);
        got += std::size_t(n);
    }
    std::memcpy(data, buf.get(), size);
}
