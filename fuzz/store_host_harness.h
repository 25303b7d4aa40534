#pragma once

// A store host on a scratch store for the fuzz targets: a sandbox folder with
// the store, the working copy and a folder outside both, and a stand-in widget
// that collects the host's replies.

#include "host/store_host.h"
#include "plugin/config_plugin_base.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>
#include <vector>

class ReplyCollector : public config_plugin_base {
    Q_OBJECT
public:
    ReplyCollector() : config_plugin_base(QString(), QString(), QString()) {}
    void reply(const HostReply& r) override { replies.push_back(r); }
    std::vector<HostReply> replies;
signals:
    void command(QString word, QString path);
};

// One process-wide application and sandbox; each input gets fresh folders.
struct StoreHostSandbox {
    StoreHostSandbox() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz";
        static char* argv[] = {name, nullptr};
        app = std::make_unique<QApplication>(argc, argv);
        if (!root.isValid())
            std::abort();
        store = root.filePath("store");
        work = root.filePath("work");
        outside = root.filePath("outside");
    }
    // Empties the three folders and puts one file outside.
    void reset() {
        for (const QString& dir : {store, work, outside}) {
            QDir(dir).removeRecursively();
            QDir().mkpath(dir);
        }
        QFile secret(outside + "/secret");
        if (!secret.open(QIODevice::WriteOnly) || secret.write("secret\n") != 7)
            std::abort();
    }
    bool outsideUntouched() const {
        const QStringList entries =
            QDir(outside).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QFile secret(outside + "/secret");
        if (qEnvironmentVariableIsSet("TOLV_FUZZ_VERBOSE"))
            qWarning("outside: %s", qPrintable(entries.join(", ")));
        return entries == QStringList("secret") && secret.open(QIODevice::ReadOnly) &&
               secret.readAll() == "secret\n";
    }

    std::unique_ptr<QApplication> app;
    QTemporaryDir root;
    QString store;
    QString work;
    QString outside;
};
