// The store host's path check on arbitrary paths: the first byte chooses the
// command, the rest is the store path (UTF-8). A path the check lets through
// is relative, clean and stays in the store's folder; whatever the command, the
// host answers with the operation the plug-in waits for, never with success for
// a path that leads out of the store (the store holds a link to a folder
// outside), and nothing outside the store and the working copy changes.
#include "fuzz/store_host_harness.h"

#include "plugin/host_protocol.h"

#include <QFileInfo>

#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    static StoreHostSandbox sandbox;
    if (size < 1)
        return 0;
    static const QString commands[] = {HostCommand::downloadFile, HostCommand::checkoutFile,
                                       HostCommand::checkoutDir,  HostCommand::syncDirDownload,
                                       HostCommand::lock,         HostCommand::unlock,
                                       HostCommand::uploadFile,   HostCommand::syncDirUpload};
    const QString word = commands[data[0] % 8];
    const QString path =
        QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    if (StoreHost::isSafeStorePath(path)) {
        if (path.startsWith('/') || QDir::cleanPath(path) != path || path.startsWith("../") ||
            path == ".." || path.contains("/../") || path.endsWith("/.."))
            std::abort();
        const QString joined = QDir::cleanPath(sandbox.store + '/' + path);
        if (!joined.startsWith(sandbox.store + '/'))
            std::abort();
    }

    sandbox.reset();
    QDir().mkpath(sandbox.store + "/config/alarms/north/outputs");
    QFile module(sandbox.store + "/config/alarms/north/outputs/al_out_0001.cfg");
    if (!module.open(QIODevice::WriteOnly) || module.write("[System]\r\n") != 10)
        std::abort();
    module.close();
    if (::symlink(QFile::encodeName(sandbox.outside).constData(),
                  QFile::encodeName(sandbox.store + "/config/out").constData()) != 0)
        std::abort();
    // A working copy that holds a file wherever the path points, for the uploads.
    const QString local = sandbox.work + '/' + path;
    if (StoreHost::isSafeStorePath(path) && QDir::cleanPath(local).startsWith(sandbox.work + '/')) {
        QDir().mkpath(QFileInfo(local).path());
        QFile copy(local);
        if (copy.open(QIODevice::WriteOnly))
            copy.write("changed\n");
    }

    StoreHost host(sandbox.store, sandbox.work, "fuzz");
    static ReplyCollector widget;
    widget.replies.clear();
    host.attach(&widget);
    host.execute(HostCommand::lock, path); // so that an upload may write
    host.execute(word, path);
    for (const HostReply& r : widget.replies) {
        if (r.operation != HostOperation::lock && r.operation != HostOperation::download &&
            r.operation != HostOperation::upload)
            std::abort();
        const bool success = r.result != HostReply::Fail;
        const QString real = QFileInfo(sandbox.store + '/' + r.file).canonicalFilePath();
        if (success && !real.isEmpty() && !real.startsWith(sandbox.store + '/') &&
            real != sandbox.store)
            std::abort();
    }
    if (word != HostCommand::unlock && widget.replies.size() < 2)
        std::abort(); // the lock's reply and at least one for the command
    if (!sandbox.outsideUntouched())
        std::abort();
    host.detach();
    host.shutdown();
    return 0;
}
