#pragma once

// Files of a test store: their bytes, and permissions that bind also for root.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QtTest>

#include <unistd.h>

inline QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Lets everybody into a tree, so that an unprivileged user can work in it.
inline void openUp(const QString& root) {
    const auto all = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup |
                     QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther |
                     QFile::ExeOther;
    QFile::setPermissions(root, all);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), all);
}

// Takes away every permission of a file or folder.
inline void closeUp(const QString& path) {
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
}

// While alive, the process acts as an unprivileged user, so that file modes
// bind also when the tests run as root.
class Unprivileged {
public:
    Unprivileged() {
        if (::geteuid() == 0)
            dropped = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~Unprivileged() {
        if (dropped && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot become root again");
    }
    Unprivileged(const Unprivileged&) = delete;
    Unprivileged& operator=(const Unprivileged&) = delete;

private:
    bool dropped = false;
};
