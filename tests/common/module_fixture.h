#pragma once

// The editor as the suites of the module list drive it: on system "north" of a
// working copy in a temporary folder, its outputs folder checked out and every
// lock granted as a host would leave them; or on a copy of the sample store
// through the store host.

#include "common/editor_probe.h"
#include "common/process_rows.h"
#include "common/store_copy.h"
#include "common/test_support.h"
#include "common/write_blocker.h"
#include "host/store_host.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>
#include <optional>

class ModuleFixture {
protected:
    const QString outputs = QStringLiteral("config/alarms/north/outputs");
    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<alm_tolv_output> editor;
    std::unique_ptr<EditorProbe> probe;

    void write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(root->filePath(path)).path());
        QFile file(root->filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    // As another tool writes it, after everything the editor read.
    void writeLater(const QString& path, const QByteArray& bytes) {
        write(path, bytes);
        QFile file(root->filePath(path));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    }
    QByteArray read(const QString& path) {
        QFile file(root->filePath(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // An editor on system "north", its folder checked out and locked, as the host
    // would leave it.
    void open(const QByteArray& processes = "[P1]\n[P2]\n[P3]\nGroup=G\n[P4]\n") {
        write("config/alarms/north/proc_def.cfg", processes);
        editor = std::make_unique<alm_tolv_output>(root->path(), "tolv", "");
        probe = std::make_unique<EditorProbe>(*editor);
        // The host grants the lock of every device description asked for, so that
        // a save may write the module's own.
        QObject::connect(editor.get(), &alm_tolv_output::command, editor.get(),
                         [this](const QString& word, const QString& file) {
                             if (word == "lock" && file.startsWith("config/devicetypes/"))
                                 probe->reply(HostReply::Ok, "lock", file);
                         });
        probe->selectSystem("north");
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        probe->reply(HostReply::Done, "download", outputs);
        for (const char* locked : {"config/devicetypes.xml", "config/instances.xml"})
            probe->reply(HostReply::Ok, "lock", locked);
        probe->reply(HostReply::Ok, "lock", outputs);
        editor->updateFileList();
    }
    QStringList rows() const {
        QStringList names;
        for (int i = 0; i < probe->fileList()->topLevelItemCount(); ++i)
            names << probe->fileList()->topLevelItem(i)->text(0) + '|' +
                         probe->fileList()->topLevelItem(i)->text(1);
        return names;
    }
    void select(const QString& name) {
        const auto found = probe->fileList()->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        probe->fileList()->setCurrentItem(found.first());
        QCOMPARE(probe->currentModule()->name, name);
    }
    QString shownSlot(const QString& name) { return slotOf(*probe->processEditor(), name); }
    QString current() const { return probe->currentModule() ? probe->currentModule()->name : "-"; }
    // The text of the one box the operation shows while the outputs folder refuses
    // files (a count when it shows another number); none when this file system
    // cannot refuse them.
    std::optional<QString> whileRefused(const std::function<void()>& operation) {
        ModalScript modal;
        WriteBlocker blocker(root->filePath(outputs));
        if (!blocker.blocked())
            return std::nullopt;
        operation();
        return modal.seen.size() == 1 ? modal.seen[0].text
                                      : QString("%1 boxes").arg(modal.seen.size());
    }
};

// The editor on a copy of the sample store through the store host, with the
// south module Conveyors selected.
struct HostedEditor {
    // prepare changes the store before the editor first sees it.
    explicit HostedEditor(const QString& work,
                          const std::function<void(const QString&)>& prepare = {})
        : host((copyTree(sampleStore(), store.path()), prepare ? prepare(store.path()) : void(),
                store.path()),
               work, "tester"),
          plugin(work, "alm_tolv_output", ""), view(plugin) {
        host.attach(&plugin);
        plugin.activate(true);
        view.selectSystem("south");
        view.fileList()->setCurrentItem(view.fileList()->topLevelItem(0));
    }
    QByteArray stored(const QString& name) const {
        QFile file(store.filePath("config/alarms/south/outputs/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    ModalScript modal; // a failed upload warns in a box
    QTemporaryDir store;
    StoreHost host;
    alm_tolv_output plugin;
    EditorProbe view;
};
