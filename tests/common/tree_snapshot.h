#pragma once

// The contents of a store tree, to show that a failure changed nothing.

#include <QByteArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QString>

// Every entry of a tree with its bytes (links as their target); the lock folder
// is left out.
inline QMap<QString, QByteArray> treeSnapshot(const QString& root) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        if (relative == ".locks" || relative.startsWith(".locks/"))
            continue;
        const QFileInfo info(path);
        QFile file(path);
        entries[relative] = info.isSymLink() ? "link to " + info.symLinkTarget().toUtf8()
                            : info.isDir()   ? QByteArray("folder")
                            : file.open(QIODevice::ReadOnly) ? file.readAll()
                                                             : QByteArray("<unreadable>");
    }
    return entries;
}
