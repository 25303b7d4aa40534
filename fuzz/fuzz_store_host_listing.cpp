// The store host's directory listing on folders with arbitrary names: the input
// is a list of entries separated by NUL bytes, each a flag byte and a name
// (flag 0 a folder, 1 a file, 2 a link to a folder outside the store, 3 a link
// to a folder inside it). The "dir" reply must list exactly the folders that
// can be named in a listing and stay inside the store, each once, each one that
// exists under that name; a checkout of the same folder downloads only files
// of the store and writes nothing outside the working copy. Hidden folders
// are the store's own and not listed.
#include "fuzz/store_host_harness.h"

#include "plugin/host_protocol.h"

#include <QFileInfo>
#include <QSet>

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static StoreHostSandbox sandbox;
    sandbox.reset();
    const QString alarms = "config/alarms";
    const QString folder = sandbox.store + '/' + alarms;
    QDir().mkpath(folder + "/inside");

    // The folders made, by the name the listing would carry.
    QSet<QString> expected;
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    for (const QByteArray& entry : input.split('\0')) {
        if (entry.size() < 2 || entry.size() > 200)
            continue;
        const char flag = entry[0] & 3;
        const QByteArray name = entry.mid(1);
        if (name.contains('/') || name == "." || name == "..")
            continue;
        const QByteArray path = QFile::encodeName(folder) + '/' + name;
        bool made = false;
        switch (flag) {
        case 0:
            made = ::mkdir(path.constData(), 0755) == 0;
            break;
        case 1: {
            QFile file(QFile::decodeName(path));
            if (QFile::encodeName(file.fileName()) == path && file.open(QIODevice::WriteOnly))
                file.write("[System]\r\n");
            break;
        }
        case 2:
            ::symlink(QFile::encodeName(sandbox.outside).constData(), path.constData());
            break;
        case 3:
            made = ::symlink("inside", path.constData()) == 0;
            break;
        }
        const QString decoded = QFile::decodeName(name);
        // Hidden folders (the lock folder's kind) are the store's own.
        if (made && StoreHost::isListableName(decoded) && !decoded.startsWith('.') &&
            QFile::encodeName(decoded) == name)
            expected.insert(decoded);
    }
    if (QFileInfo(folder + "/inside").isDir())
        expected.insert("inside");

    StoreHost host(sandbox.store, sandbox.work, "fuzz");
    static ReplyCollector widget;
    widget.replies.clear();
    host.attach(&widget);
    host.execute(HostCommand::dir, alarms);
    if (widget.replies.size() != 1 || widget.replies[0].operation != HostOperation::dir)
        std::abort();
    const HostReply listing = widget.replies[0];
    if (listing.result != HostReply::Ok)
        std::abort();
    const QStringList names = listing.text.isEmpty() ? QStringList() : listing.text.split('\n');
    const QSet<QString> listed(names.begin(), names.end());
    if (listed.size() != names.size()) // each once
        std::abort();
    for (const QString& name : names)
        if (!StoreHost::isListableName(name) || !QFileInfo(folder + '/' + name).isDir())
            std::abort();
    // Every folder that can be named is listed; nothing leading outside is.
    if (!expected.subtract(listed).isEmpty())
        std::abort();
    for (const QString& name : names)
        if (!QFileInfo(folder + '/' + name).canonicalFilePath().startsWith(sandbox.store + '/'))
            std::abort();

    // The files of the same folder, checked out into the working copy.
    widget.replies.clear();
    host.execute(HostCommand::checkoutDir, alarms);
    for (const HostReply& r : widget.replies)
        if (!StoreHost::isSafeStorePath(r.file))
            std::abort();
    if (!sandbox.outsideUntouched())
        std::abort();
    host.detach();
    return 0;
}
