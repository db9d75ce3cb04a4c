#include "logic/TrustedFile.h"

#include <QByteArray>
#include <QFile>
#include <QList>

#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ownedByPlayerOrRoot(const struct stat &info)
{
    return info.st_uid == ::geteuid() || info.st_uid == 0;
}

bool othersMayWrite(const struct stat &info)
{
    return (info.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

} // namespace

int OpenTrustedFile(const QString &path)
{
    char *resolved = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!resolved)
        return -1;
    const QByteArray canonical(resolved);
    std::free(resolved);
    QList<QByteArray> parts = canonical.split('/');
    parts.removeAll(QByteArray());
    if (parts.isEmpty())
        return -1;

    int fd = ::open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (qsizetype i = 0; fd >= 0; ++i) {
        struct stat info = {};
        const bool last = i == parts.size();
        const bool holdsTheFile = i == parts.size() - 1;
        bool trusted = ::fstat(fd, &info) == 0 && ownedByPlayerOrRoot(info);
        if (last)
            trusted = trusted && S_ISREG(info.st_mode) && !othersMayWrite(info);
        else
            trusted = trusted && S_ISDIR(info.st_mode)
                && (!othersMayWrite(info) || (!holdsTheFile && (info.st_mode & S_ISVTX)));
        if (!trusted) {
            ::close(fd);
            return -1;
        }
        if (last)
            return fd;
        // No link may have taken the place of a part since the path was resolved.
        const int flags = O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (holdsTheFile ? 0 : O_DIRECTORY);
        const int next = ::openat(fd, parts[i].constData(), flags);
        ::close(fd);
        fd = next;
    }
    return -1;
}
