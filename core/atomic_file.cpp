#include "core/atomic_file.h"

#include "core/store_paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError(int code) {
    return QString::fromLocal8Bit(std::strerror(code));
}

// Opens a new file under a temporary name beside path; -1 with errno when none
// can be made.
int createTemporary(const QString& path, QByteArray* name) {
    const QFileInfo info(path);
    struct stat old = {};
    // A replaced file keeps its mode; a new one gets the usual mode of new files.
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &old) == 0
                            ? mode_t(old.st_mode & 07777)
                            : mode_t(0666);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString suffix =
            QString::number(QRandomGenerator::global()->generate() % 0x1000000, 36);
        *name = QFile::encodeName(info.absolutePath() + '/' +
                                  StorePaths::temporaryName(info.fileName(), suffix));
        const int fd = ::open(name->constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Writes every byte unbuffered, so that each failure is seen here and not in a
// later flush.
bool writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        done += n;
    }
    return true;
}

} // namespace

QString writeTemporaryFile(const QString& path, const QByteArray& bytes, QString* error,
                           FileSync sync) {
    QByteArray name;
    const int fd = createTemporary(path, &name);
    if (fd < 0) {
        if (error)
            *error = systemError(errno);
        return QString();
    }
    const bool written = writeAll(fd, bytes) && (sync == FileSync::Unsynced || ::fsync(fd) == 0);
    const int writeError = errno;
    const bool closed = ::close(fd) == 0;
    if (written && closed)
        return QFile::decodeName(name);
    if (error)
        *error = systemError(written ? errno : writeError);
    ::unlink(name.constData());
    return QString();
}

bool replaceFileAtomically(const QString& path, const QByteArray& bytes, QString* error,
                           FileSync sync) {
    const QString temporary = writeTemporaryFile(path, bytes, error, sync);
    if (temporary.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(temporary);
    if (::rename(name.constData(), QFile::encodeName(path).constData()) != 0) {
        if (error)
            *error = systemError(errno);
        ::unlink(name.constData());
        return false;
    }
    return true;
}
