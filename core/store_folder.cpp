#include "core/store_folder.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

QString resolved(const QString& path, int depth) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    if (depth > 40)
        return QString();
    if (info.isSymLink())
        return resolved(info.symLinkTarget(), depth + 1);
    const QString parent = info.absolutePath();
    if (parent == info.absoluteFilePath())
        return parent;
    const QString real = resolved(parent, depth + 1);
    return real.isEmpty() ? QString() : real + '/' + info.fileName();
}

} // namespace

StoreFolder::StoreFolder(const QString& root) : realRoot(resolvedPath(root)) {}

QString StoreFolder::resolvedPath(const QString& path) {
    return resolved(path, 0);
}

bool StoreFolder::contains(const QString& absolute) const {
    const QString real = resolvedPath(absolute);
    return !real.isEmpty() && !realRoot.isEmpty() &&
           (real == realRoot || real.startsWith(realRoot + '/'));
}

StoreFolder::Entry StoreFolder::entry(const QString& absolute) const {
    struct stat status;
    if (::lstat(QFile::encodeName(absolute).constData(), &status) != 0) {
        const int code = errno;
        return {code == ENOENT || code == ENOTDIR ? Kind::Missing : Kind::Unusable, QString(),
                systemError(code)};
    }
    const QString real = resolvedPath(absolute);
    if (real.isEmpty())
        return {Kind::Unusable, real, QStringLiteral("its links lead round in a loop")};
    if (!contains(real))
        return {Kind::Outside, real, QStringLiteral("it leads out of the store")};
    if (::stat(QFile::encodeName(real).constData(), &status) != 0) {
        const int code = errno;
        return {code == ENOENT ? Kind::Missing : Kind::Unusable, real, systemError(code)};
    }
    if (S_ISDIR(status.st_mode))
        return {Kind::Folder, real, QString()};
    if (S_ISREG(status.st_mode))
        return {Kind::File, real, QString()};
    return {Kind::Other, real, QStringLiteral("not a regular file")};
}

bool StoreFolder::entryNames(const QString& folder, QStringList* names, QString* error) {
    names->clear();
    // QDir answers an unreadable folder as an empty one: ask the system itself.
    DIR* handle = ::opendir(QFile::encodeName(folder).constData());
    if (!handle) {
        *error = systemError(errno);
        return false;
    }
    errno = 0;
    while (const dirent* item = ::readdir(handle)) {
        const QString name = QFile::decodeName(item->d_name);
        if (name != "." && name != "..")
            names->append(name);
    }
    const int code = errno;
    ::closedir(handle);
    if (code != 0) {
        *error = systemError(code);
        return false;
    }
    std::sort(names->begin(), names->end());
    return true;
}

StoreFolder::ReadFailure StoreFolder::readFile(const QString& absolute, qint64 maxBytes,
                                               QByteArray* bytes, QString* error) const {
    bytes->clear();
    const Entry found = entry(absolute);
    switch (found.kind) {
    case Kind::File:
        break;
    case Kind::Outside:
        *error = found.error;
        return ReadFailure::Outside;
    case Kind::Folder:
        *error = QStringLiteral("it is a folder");
        return ReadFailure::Unreadable;
    default:
        *error = found.error;
        return ReadFailure::Unreadable;
    }
    // Opened without following a link and without waiting: what lies there now
    // may not be what was looked at a moment ago.
    const int fd = ::open(QFile::encodeName(found.real).constData(),
                          O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *error = systemError(errno);
        return ReadFailure::Unreadable;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        *error = QStringLiteral("not a regular file");
        return ReadFailure::Unreadable;
    }
    const QString tooLarge = QStringLiteral("larger than the limit of %1 bytes").arg(maxBytes);
    if (status.st_size > maxBytes) {
        *error = tooLarge + QStringLiteral(" (%1 bytes)").arg(qint64(status.st_size));
        return ReadFailure::TooLarge;
    }
    // The size may change while reading; the limit holds whatever it becomes.
    bytes->reserve(qsizetype(status.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            *error = systemError(errno);
            bytes->clear();
            return ReadFailure::Unreadable;
        }
        if (got == 0)
            return ReadFailure::None;
        if (bytes->size() + got > maxBytes) {
            *error = tooLarge;
            bytes->clear();
            return ReadFailure::TooLarge;
        }
        bytes->append(chunk, qsizetype(got));
    }
}
