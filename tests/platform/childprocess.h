#pragma once
// Saves tried where a technician's machine differs from a test run's: as a user without
// privileges, on a small file system of its own, or killed half-way. Each runs in a child
// process, so nothing it changes (user, mounts, death) reaches the test.
#include <QByteArray>
#include <QString>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/errors.h"

namespace childprocess {
constexpr uid_t kNobody = 65534;

// What fn threw, or "" when it succeeded.
inline QString errorText(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const AppError& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

// Runs fn in a child process once prepare() has succeeded there; returns fn's error text (""
// when it succeeded, or when the child died before it could say), or what prepare() returned
// when it failed.
inline QString inChild(const std::function<QString()>& prepare, const std::function<void()>& fn) {
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
inline QString asUnprivileged(const std::function<void()>& fn) {
    if (::geteuid() != 0) return errorText(fn);
    return inChild(
        [] { return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? QString() : QStringLiteral("no setuid"); }, fn);
}

// The number of a process that has ended.
inline pid_t endedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

inline const QString kNoSmallFileSystem = QStringLiteral("no private mount");

// A prepare() for inChild: the folder becomes an empty file system of the given size ("800k"),
// seen by the child alone. Fails with kNoSmallFileSystem where mounting is not allowed.
inline std::function<QString()> smallFileSystemAt(const QString& folder, const char* size) {
    return [where = folder.toLocal8Bit(), options = QByteArray("size=") + size] {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("none", where.constData(), "tmpfs", 0, options.constData()) != 0)
            return kNoSmallFileSystem;
        return QString();
    };
}
}  // namespace childprocess
