#pragma once

// The template suites' editors: one on module "Pumps" of system "north" in a
// working copy of its own, with the process rows it is given; and a session on
// a store through the store host, showing the north module of al_out_0001.cfg
// ("Pumps": template "pump" on P1..P8, free rows PS_*), on a copy of the sample
// store whose changes are shown as text for a golden file.

#include "common/fixture.h"
#include "core/device_template.h"
#include "templates/manage_temp.h"
#include "templates/template_tables.h"

#include <QDir>
#include <QInputDialog>
#include <QPushButton>
#include <QTemporaryDir>

using Params = QMap<QString, int>;

const QString outputs = "config/alarms/north/outputs";
const QString devTypes = "config/devicetypes.xml";
const QString instances = "config/instances.xml";

inline QString descPath(const QString& typeId) {
    return "config/devicetypes/" + typeId + ".xml";
}

// Gives the manager's parameter row its slot text, as an edit in place does.
inline void setParameterSlot(manage_temp& manager, const QString& parameter, const QString& slot) {
    const auto& rows = manager.parameterTable()->rows();
    const auto row = std::find_if(rows.begin(), rows.end(),
                                  [&](const auto& entry) { return entry.parameter == parameter; });
    manager.parameterTable()->setData(
        manager.parameterTable()->index(int(row - rows.begin()), ParameterTable::ColSlot), slot);
}

// line: a "[Templates]" line ("name=base,offset,'prefix'") or a bare name.
inline std::unique_ptr<devTemplate> makeTemplate(const QString& line, const Params& params,
                                                 const QStringList& instances = {}) {
    auto entry = std::make_unique<devTemplate>(line);
    entry->params = params;
    entry->instances = instances;
    return entry;
}

// rows: "name" or "name:slot" is a free row, "name:slot:template:instance" a
// template row. The lock of the module's own description is held; a second
// module "Fans" is there to switch to.
struct TemplateEditor {
    explicit TemplateEditor(const QString& rows = "P1_RUN P1_TRIP P2_RUN PS")
        : editor(root.path(), "alm_tolv_output", ""), probe(editor) {
        QDir(root.path()).mkpath("config/alarms/north/outputs");
        QDir(root.path()).mkpath("config/devicetypes");
        probe.selectSystem("north");
        for (const char* name : {"Pumps", "Fans"})
            probe.modules().push_back(std::make_unique<cOutputFile>(
                name, "alm_tolv_output", QString("config/alarms/north/outputs/") + name + ".cfg"));
        probe.setCurrentModule(probe.modules().front().get());
        probe.loadingModule() = false; // as after selecting the module
        grant("config/devicetypes/north_Pumps.xml");
        setRows(rows);
    }
    void setRows(const QString& table) {
        QVector<ProcessDefinition> definitions;
        QHash<QString, QStringList> entries;
        probe.processNames().clear();
        for (const QString& entry : table.split(' ', Qt::SkipEmptyParts)) {
            const QStringList fields = (entry + ":::").split(':');
            definitions.append({fields[0], "G"});
            probe.processNames().append(fields[0]);
            entries.insert(fields[0], fields);
        }
        probe.processEditor()->setProcesses(definitions);
        probe.processEditor()->editRows([&](int, ProcessRow& row) {
            const QStringList fields = entries.value(row.name);
            row.slot = fields[1];
            row.devType = fields[2];
            row.instance = fields[3];
            row.free = row.devType.isEmpty();
        });
    }
    // Templates given as "line parameter:slot,... instance,...; ...", such as
    // "T=0,10,'X' A:1,B:2 X,Y".
    void addTemplates(const QString& written) {
        for (const QString& entry : written.split(';', Qt::SkipEmptyParts)) {
            const QStringList fields = entry.trimmed().split(' ');
            Params params;
            for (const QString& param : fields.value(1).split(',', Qt::SkipEmptyParts))
                params.insert(param.section(':', 0, 0), param.section(':', 1).toInt());
            probe.templates().insert(
                makeTemplate(fields[0], params, fields.value(2).split(',', Qt::SkipEmptyParts)));
        }
    }
    // "template/instance/slot" of a row, with " free" for a free row.
    QString row(const QString& name) const {
        const dialog& list = *probe.processEditor();
        const ProcessRow item = processNamed(list, name);
        return list.rowOf(name) < 0 ? "no row"
                                    : item.devType + '/' + item.instance + '/' + item.slot +
                                          (item.free ? " free" : "");
    }
    void grant(const QString& path) { probe.reply(HostReply::Ok, "lock", path); }
    QString local(const QString& path) const { return root.filePath(path); }
    bool exists(const QString& path) const { return QFile::exists(local(path)); }
    QByteArray read(const QString& path) const { return readAll(local(path)); }
    void write(const QString& path, const QByteArray& bytes) { writeFile(local(path), bytes); }
    cOutputFile& module(int index = 0) { return *probe.modules()[size_t(index)]; }
    // Saves the templates as the module writer does; the lines come back.
    QPair<QString, QString> saveTemplates(bool duplicate = false) {
        QPair<QString, QString> lines;
        editor.saveTemplates(probe.currentModule(), duplicate, lines.first, lines.second);
        return lines;
    }

    QTemporaryDir root;
    alm_tolv_output editor;
    EditorProbe probe;
};

// Answers the template manager: edit, then OK (or Cancel).
inline ModalScript::Answer managerAnswer(const std::function<void(manage_temp&)>& edit,
                                         bool ok = true) {
    return [edit, ok](QDialog& dialog) {
        auto& manager = dynamic_cast<manage_temp&>(dialog);
        if (edit)
            edit(manager);
        (ok ? manager.buttonOk : manager.buttonCancel)->click();
        return manager.result();
    };
}

// "name=base,offset,'prefix' parameter:slot,... instance,..." of a template.
inline QString describe(const devTemplate* t) {
    if (!t)
        return "none";
    QStringList params;
    for (auto p = t->params.cbegin(); p != t->params.cend(); ++p)
        params.append(p.key() + ':' + QString::number(p.value()));
    return templatesLine(*t) + ' ' + params.join(',') + ' ' + t->instances.join(',');
}

// Answers the manager's "New Template" input with a name (a null name: Cancel);
// any other dialog is answered by nobody.
inline ModalScript::Answer newTemplateName(const QString& name) {
    return [name](QDialog& dialog) {
        auto* input = qobject_cast<QInputDialog*>(&dialog);
        if (!input || input->labelText() != "Enter new template name")
            return -1;
        input->setTextValue(name);
        name.isNull() ? input->reject() : input->accept();
        return input->result();
    };
}

struct PumpsSession {
    PumpsSession(const QString& store, const QString& work, const QString& owner)
        : host(store, work, owner), editor(work, "alm_tolv_output", ""), probe(editor) {
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
    void queued() { host.setReplyMode(StoreHost::ReplyMode::Queued); } // from here on
    void renameTo(const QString& name) {
        QTreeWidgetItem* row = probe.fileList()->currentItem();
        row->setText(0, name); // as the in-place edit leaves it
        editor.renameModule(row, 0, name);
    }
    ProcessRow row(const QString& name) const { return processNamed(*probe.processEditor(), name); }
    // Opens the template manager, lets edit work in it and closes it with OK
    // (or Cancel); a new template there is named newName.
    void manage(const std::function<void(manage_temp&)>& edit, bool ok = true,
                const QString& newName = QString()) {
        modal.answer(managerAnswer(edit, ok));
        if (!newName.isEmpty())
            modal.answer(newTemplateName(newName));
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

// A test table's change of the store before the editor first sees it; the
// store's module file replaced by one from the data folder.
using Prepare = std::function<void(const QString& store)>;
Q_DECLARE_METATYPE(Prepare)
inline Prepare moduleFileFrom(const QString& name) {
    return [=](const QString& store) {
        writeFile(store + '/' + outputs + "/al_out_0001.cfg", readTestData(name));
    };
}

struct Hosted : StoreCopy, PumpsSession {
    explicit Hosted(const Prepare& prepare = {})
        : StoreCopy(prepare), PumpsSession(store.path(), work.path(), "tester") {}
    QByteArray stored(const QString& path) const { return readAll(store.filePath(path)); }
    // The files under a path in the working copy or the store.
    static QMap<QString, QByteArray> under(const QTemporaryDir& dir, const QString& path) {
        auto tree = treeSnapshot(dir.path());
        tree.removeIf([&](const auto& entry) { return !entry.key().startsWith(path); });
        return tree;
    }
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

using Change = std::function<void(Hosted&)>; // a test table's change through the editor
Q_DECLARE_METATYPE(Change)
