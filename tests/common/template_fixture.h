#pragma once

// The template suites' editors: a session on a store through the store host,
// showing the north module of al_out_0001.cfg ("Pumps": template "pump" on
// P1..P8, free rows PS_*), on a copy of the sample store whose changes are
// shown as text for a golden file; and templates made from a module file line.

#include "common/fixture.h"
#include "core/device_template.h"
#include "templates/manage_temp.h"
#include "templates/template_tables.h"

#include <QDir>
#include <QInputDialog>
#include <QPushButton>
#include <QTemporaryDir>

using Params = QMap<QString, int>;

// line: a "[Templates]" line ("name=base,offset,'prefix'") or a bare name.
inline std::unique_ptr<devTemplate> makeTemplate(const QString& line, const Params& params,
                                                 const QStringList& instances = {}) {
    auto entry = std::make_unique<devTemplate>(line);
    entry->params = params;
    entry->instances = instances;
    return entry;
}

struct PumpsSession {
    PumpsSession(const QString& store, const QString& work, const QString& owner,
                 bool queued = false)
        : host(store, work, owner), editor(work, "alm_tolv_output", ""), probe(editor) {
        host.setReplyMode(queued ? StoreHost::ReplyMode::Queued : StoreHost::ReplyMode::Immediate);
        host.attach(&editor);
        editor.activate(true);
        settle();
        probe.selectSystem("north");
        settle();
        const auto rows = probe.fileList()->findItems("al_out_0001.cfg", Qt::MatchExactly, 1);
        if (!rows.isEmpty())
            probe.fileList()->setCurrentItem(rows.first());
        settle();
    }
    void settle() { host.flushReplies(); }
    ProcessRow row(const QString& name) const { return processNamed(*probe.processEditor(), name); }
    // Opens the template manager, lets edit work in it and closes it with OK
    // (or Cancel); a new template there is named newName.
    void manage(const std::function<void(manage_temp&)>& edit, bool ok = true,
                const QString& newName = QString()) {
        modal.answer([edit, ok](QDialog& dialog) {
            auto& manager = dynamic_cast<manage_temp&>(dialog);
            edit(manager);
            (ok ? manager.buttonOk : manager.buttonCancel)->click();
            return manager.result();
        });
        if (!newName.isEmpty())
            modal.answer([newName](QDialog& dialog) {
                dynamic_cast<QInputDialog&>(dialog).setTextValue(newName);
                dialog.accept();
                return dialog.result();
            });
        editor.manageTemplate();
        settle();
    }

    ModalScript modal; // every box is answered, and seen
    StoreHost host;
    alm_tolv_output editor;
    EditorProbe probe;
};

struct StoreCopy {
    explicit StoreCopy(const std::function<void(const QString&)>& prepare) {
        copyTree(sampleStore(), store.path());
        if (prepare)
            prepare(store.path());
        initial = treeSnapshot(store.path());
    }
    QTemporaryDir store, work;
    QMap<QString, QByteArray> initial;
};

// prepare changes the store before the editor first sees it.
struct Hosted : StoreCopy, PumpsSession {
    explicit Hosted(bool queued = false, const std::function<void(const QString&)>& prepare = {})
        : StoreCopy(prepare), PumpsSession(store.path(), work.path(), "tester", queued) {}
    QByteArray stored(const QString& path) const { return readAll(store.filePath(path)); }
    // Every store file added, changed (with its bytes) or removed since the start,
    // and the paths whose locks are held.
    QByteArray changes() const {
        const auto now = treeSnapshot(store.path());
        QByteArray text;
        for (auto entry = now.cbegin(); entry != now.cend(); ++entry)
            if (!initial.contains(entry.key()) || initial[entry.key()] != entry.value())
                text += (initial.contains(entry.key()) ? "changed " : "added ") +
                        entry.key().toUtf8() + "\n" + entry.value() + "\n";
        for (auto entry = initial.cbegin(); entry != initial.cend(); ++entry)
            if (!now.contains(entry.key()))
                text += "removed " + entry.key().toUtf8() + "\n";
        QStringList locks;
        const QDir folder(store.filePath(StoreHost::lockFolder));
        for (const QString& name : folder.entryList(QDir::Files))
            locks.append(QString(readAll(folder.filePath(name))).section('\n', 0, 0));
        locks.sort();
        return text + "locks held:\n" + locks.join('\n').toUtf8() + "\n";
    }
};
