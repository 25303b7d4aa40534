#pragma once

// Files of a test store: their bytes, golden files, copies and snapshots of a
// tree, permissions that bind also for root, writes made to fail, trace lines.

#include <QtTest>
#include <csignal>
#include <sys/resource.h>
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

// A file under the suite's data folder ("<missing>" when there is none).
inline QByteArray readTestData(const QString& name) {
    return readAll(QStringLiteral(TOLV_TEST_DATA) + '/' + name);
}

// Byte-for-byte comparison with a file under the suite's data folder, with the
// first differing line on failure. TOLV_UPDATE_GOLDEN=1 rewrites the file instead.
inline bool matchesGolden(const QByteArray& actual, const QString& name) {
    if (qEnvironmentVariableIntValue("TOLV_UPDATE_GOLDEN")) {
        writeFile(QStringLiteral(TOLV_TEST_DATA) + '/' + name, actual);
        return true;
    }
    const QByteArray expected = readTestData(name);
    if (actual == expected)
        return true;
    const QList<QByteArray> a = actual.split('\n'), e = expected.split('\n');
    auto line = [](const QList<QByteArray>& lines, qsizetype i) {
        return lines.value(i, "<none>").toPercentEncoding(" <>=\"'/,_!-?.:");
    };
    qsizetype i = 0; // a line of its own reading "<none>" must not run past both ends
    while (i < qMax(a.size(), e.size()) - 1 && line(a, i) == line(e, i))
        ++i;
    qWarning("%s differs at line %lld:\n  got:  %s\n  want: %s", qPrintable(name), qlonglong(i + 1),
             line(a, i).constData(), line(e, i).constData());
    return false;
}

inline bool copyTree(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).absolutePath()) || !QFile::copy(source, target))
            return false;
    }
    return true;
}

inline QString sampleStore() {
    return QStringLiteral(TOLV_SOURCE_DIR "/examples/store");
}

// Every entry of a tree with its bytes (links as their target), to show that a
// failure changed nothing; the lock folder is left out.
inline QMap<QString, QByteArray> treeSnapshot(const QString& root) {
    QMap<QString, QByteArray> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString relative = info.filePath().mid(root.size() + 1);
        if (relative != ".locks" && !relative.startsWith(".locks/"))
            entries[relative] = info.isSymLink() ? "link to " + info.symLinkTarget().toUtf8()
                                : info.isDir()   ? QByteArray("folder")
                                                 : readAll(info.filePath());
    }
    return entries;
}

// openUp lets everybody into a tree, so that an unprivileged user can work in it;
// closeUp takes away every permission of a file or folder.
inline void openUp(const QString& root) {
    const auto all = QFileDevice::Permissions(0x7777); // read, write, run for everybody
    QFile::setPermissions(root, all);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        QFile::setPermissions(it.next(), all);
}

inline void closeUp(const QString& path) {
    QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
}

// While alive, the process acts as an unprivileged user, so that file modes
// bind also when the tests run as root.
struct Unprivileged {
    const bool dropped = ::geteuid() == 0 && ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    ~Unprivileged() {
        if (dropped && (::seteuid(0) != 0 || ::setegid(0) != 0))
            qFatal("cannot become root again");
    }
};

// While alive, a folder refuses new files and renames, or a file refuses to be
// replaced: immutable for root, else its folder read-only (blocked(): it worked).
// An empty target is a full disk: writes past a file's first bytes fail (EFBIG).
class WriteBlocker {
public:
    explicit WriteBlocker(const QString& target) : path(target) {
        if (target.isEmpty()) {
            getrlimit(RLIMIT_FSIZE, &savedLimit);
            const rlimit limit{4, savedLimit.rlim_max};
            savedHandler = std::signal(SIGXFSZ, SIG_IGN);
            mode = setrlimit(RLIMIT_FSIZE, &limit) == 0 ? FullDisk : None;
        } else if (geteuid() != 0) {
            path = QFileInfo(target).isDir() ? target : QFileInfo(target).absolutePath();
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
            mode = Permissions;
        } else if (setImmutable(true)) {
            mode = Immutable;
        }
    }
    ~WriteBlocker() {
        if (mode == FullDisk) {
            setrlimit(RLIMIT_FSIZE, &savedLimit);
            std::signal(SIGXFSZ, savedHandler);
        } else if (mode == Permissions) {
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else if (mode == Immutable) {
            setImmutable(false);
        }
    }
    WriteBlocker(const WriteBlocker&) = delete;
    WriteBlocker& operator=(const WriteBlocker&) = delete;

    bool blocked() const { return mode != None; }

private:
    bool setImmutable(bool on) {
        return QProcess::execute("chattr", {on ? "+i" : "-i", "--", path}) == 0;
    }
    enum Mode { None, Permissions, Immutable, FullDisk };
    QString path; // the folder made read-only, or the immutable file or folder
    Mode mode = None;
    rlimit savedLimit = {};
    void (*savedHandler)(int) = SIG_DFL;
};

// Collects the debug trace lines written while the object lives.
class TraceCapture {
public:
    TraceCapture() : previous(qInstallMessageHandler(&TraceCapture::handler)) { current = this; }
    ~TraceCapture() {
        qInstallMessageHandler(previous);
        current = nullptr;
    }
    bool contains(const QString& line) const { return lines.contains(line); }

    QStringList lines;

private:
    static void handler(QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtDebugMsg && current)
            current->lines.append(message);
    }
    static inline TraceCapture* current = nullptr;
    QtMessageHandler previous;
};
