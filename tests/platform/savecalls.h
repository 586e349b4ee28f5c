#pragma once
// The calls that put a save on the disk, seen from the program. Included by one source of a
// test executable: its own fsync and renameat then come before the C library's, note what
// they are given and pass it on.
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <functional>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace savecalls {
inline bool noting = false;
inline QStringList noted;
// Ends the process where a save would rename its copy over the target, as a kill then would.
inline bool dieAtRename = false;

inline struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(path.toLocal8Bit().constData(), &st);
    return st;
}

// The calls made while save runs.
inline QStringList notedDuring(const std::function<void()>& save) {
    noted.clear();
    noting = true;
    save();
    noting = false;
    return noted;
}

// What a whole-file save of path does to reach the disk: the file flushed, renamed into
// place, the folder flushed.
inline QStringList flushedAndRenamed(const QString& path) {
    const QFileInfo target(path);
    return {QStringLiteral("fsync file %1").arg(statOf(path).st_ino), QStringLiteral("rename to ") + target.fileName(),
            QStringLiteral("fsync folder %1").arg(statOf(target.absolutePath()).st_ino)};
}
}  // namespace savecalls

extern "C" int fsync(int fd) {
    if (savecalls::noting) {
        struct stat st {};
        ::fstat(fd, &st);
        savecalls::noted << QStringLiteral("fsync %1 %2").arg(S_ISDIR(st.st_mode) ? "folder" : "file").arg(st.st_ino);
    }
    return int(::syscall(SYS_fsync, fd));
}

extern "C" int renameat(int fromDir, const char* from, int toDir, const char* to) noexcept {
    if (savecalls::dieAtRename) ::_exit(0);
    if (savecalls::noting) savecalls::noted << QStringLiteral("rename to ") + QString::fromLocal8Bit(to);
    return int(::syscall(SYS_renameat2, fromDir, from, toDir, to, 0));
}
