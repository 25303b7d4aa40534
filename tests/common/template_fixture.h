#pragma once

// The template suites' editors: one on module "Pumps" of system "north" in a working copy, and
// a session through the store host ("Pumps": template "pump" on P1..P8, free rows PS_*).

#include "common/fixture.h"
#include "templates/manage_temp.h"
#include "templates/template_tables.h"

#include <QInputDialog>
#include <QPushButton>

using Params = QMap<QString, int>;

const QString outputs = "config/alarms/north/outputs";
const QString devTypes = "config/devicetypes.xml";
const QString instances = "config/instances.xml";

inline QString descPath(const QString& typeId) {
    return "config/devicetypes/" + typeId + ".xml";
}

// Gives the manager's parameter row its slot text, as an edit in place does.
inline void setParameterSlot(manage_temp& manager, const QString& parameter, const QString& slot) {
    ParameterTable& table = *manager.parameterTable();
    for (int row = 0; row < table.rowCount(); ++row)
        if (table.rows()[size_t(row)].parameter == parameter)
            table.setData(table.index(row, ParameterTable::ColSlot), slot);
}

// Templates written "line parameter:slot,... instance,...; ...", such as
// "T=0,10,'X' A:1,B:2 X,Y", where line is a "[Templates]" line or a bare name.
inline void addTemplates(TemplateList& list, const QString& written) {
    for (const QString& entry : written.split(';', Qt::SkipEmptyParts)) {
        const QStringList fields = entry.trimmed().split(' ');
        auto made = std::make_unique<devTemplate>(fields[0]);
        for (const QString& param : fields.value(1).split(',', Qt::SkipEmptyParts))
            made->params.insert(param.section(':', 0, 0), param.section(':', 1).toInt());
        made->instances = fields.value(2).split(',', Qt::SkipEmptyParts);
        list.insert(std::move(made));
    }
}

// rows: "name" or "name:slot" is a free row, "name:slot:template:instance" a template row. The
// lock of the module's own description is held; a second module "Fans" is there to switch to.
struct TemplateEditor {
    explicit TemplateEditor(const QString& rows = "P1_RUN P1_TRIP P2_RUN PS")
        : editor(root.path(), "alm_tolv_output", ""), probe(editor) {
        QDir(root.path()).mkpath(outputs);
        QDir(root.path()).mkpath("config/devicetypes");
        probe.selectSystem("north");
        for (const char* name : {"Pumps", "Fans"})
            probe.modules().push_back(std::make_unique<cOutputFile>(name, "alm_tolv_output",
                                                                    outputs + '/' + name + ".cfg"));
        probe.setCurrentModule(probe.modules().front().get());
        probe.loadingModule() = false; // as after selecting the module
        grant(descPath("north_Pumps"));
        setRows(rows);
    }
    void setRows(const QString& table) {
        const QStringList entries = table.split(' ', Qt::SkipEmptyParts);
        QVector<ProcessDefinition> definitions;
        probe.processNames().clear();
        for (const QString& entry : entries)
            definitions.append({probe.processNames().emplace_back(entry.section(':', 0, 0)), "G"});
        probe.processEditor()->setProcesses(definitions);
        probe.processEditor()->editRows([&](int, ProcessRow& row) {
            const QString entry = entries[probe.processNames().indexOf(row.name)];
            const QStringList fields = (entry + ":::").split(':');
            row.slot = fields[1];
            row.devType = fields[2];
            row.instance = fields[3];
            row.free = row.devType.isEmpty();
        });
    }
    void addTemplates(const QString& written) { ::addTemplates(probe.templates(), written); }
    // "template/instance/slot" of a row, with " free" for a free row.
    QString row(const QString& name) const {
        const ProcessRow item = processNamed(*probe.processEditor(), name);
        return item.devType + '/' + item.instance + '/' + item.slot + (item.free ? " free" : "");
    }
    void grant(const QString& path) { probe.reply(HostReply::Ok, "lock", path); }
    bool exists(const QString& path) const { return QFile::exists(root.filePath(path)); }
    QByteArray read(const QString& path) const { return readAll(root.filePath(path)); }
    void write(const QString& file, const QByteArray& data) {
        writeFile(root.filePath(file), data);
    }
    cOutputFile& module(int index = 0) { return *probe.modules()[size_t(index)]; }
    // Saves the templates as the module writer does: their lines, each ended by a blank.
    QString saveTemplates(bool duplicate = false) {
        QString templateLines, instanceLines;
        editor.saveTemplates(probe.currentModule(), duplicate, templateLines, instanceLines);
        return QString(templateLines + instanceLines).replace('\n', ' ');
    }

    QTemporaryDir root;
    alm_tolv_output editor;
    EditorProbe probe;
};

inline ModalScript::Answer managerAnswer(const std::function<void(manage_temp&)>& edit,
                                         bool ok = true) {
    return [edit, ok](QDialog& dialog) {
        auto& manager = dynamic_cast<manage_temp&>(dialog);
        edit(manager);
        (ok ? manager.buttonOk : manager.buttonCancel)->click();
        return manager.result();
    };
}

// Answers the manager's "New Template" input with a name (a null name: Cancel).
inline ModalScript::Answer newTemplateName(const QString& name) {
    return [name](QDialog& dialog) {
        auto& input = dynamic_cast<QInputDialog&>(dialog);
        input.setTextValue(name);
        name.isNull() ? input.reject() : input.accept();
        return input.result();
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

// A session through the store host, showing the north module of al_out_0001.cfg, on a copy of
// the sample store (unless a store is given) changed first by prepare: the module file of Pumps
// replaced by a ".cfg" file from the data folder, other paths taken away.
struct Hosted {
    explicit Hosted(const QString& prepare = {}, const QString& at = {},
                    const QString& owner = "tester")
        : path(at.isEmpty() ? store.path() : at), initial(copy(prepare, at)),
          host(path, work.path(), owner), editor(work.path(), "alm_tolv_output", ""),
          probe(editor) {
        host.attach(&editor);
        editor.activate(true);
        probe.selectSystem("north");
        settle();
        for (QTreeWidgetItem* row : probe.fileList()->findItems("al_out_0001.cfg", {}, 1))
            probe.fileList()->setCurrentItem(row);
        settle();
    }
    QMap<QString, QByteArray> copy(const QString& prepare, const QString& at) {
        if (at.isEmpty())
            copyTree(sampleStore(), path);
        for (const QString& name : prepare.split(' ', Qt::SkipEmptyParts))
            if (name.endsWith(".cfg"))
                writeFile(path + '/' + outputs + "/al_out_0001.cfg", readTestData(name));
            else
                QFile::remove(path + '/' + name);
        return treeSnapshot(path);
    }
    void settle() { host.flushReplies(); }
    void renameTo(const QString& name) {
        QTreeWidgetItem* row = probe.fileList()->currentItem();
        row->setText(0, name); // as the in-place edit leaves it
        editor.renameModule(row, 0, name);
    }
    // The template manager: a new template named newName, edit works in it, then OK (or Cancel).
    void manage(
        const QString& newName = {}, bool ok = true,
        const std::function<void(manage_temp&)>& edit = [](manage_temp&) {}) {
        modal.answer(managerAnswer(edit, ok));
        if (!newName.isEmpty())
            modal.answer(newTemplateName(newName));
        editor.manageTemplate();
        settle();
    }
    static QMap<QString, QByteArray> under(const QTemporaryDir& dir, const QString& path) {
        auto tree = treeSnapshot(dir.path());
        tree.removeIf([&](const auto& entry) { return !entry.key().startsWith(path); });
        return tree;
    }
    // Every store file added, changed (with its bytes) or removed since the start, and the
    // paths whose locks are held.
    QByteArray changes() const {
        const auto now = treeSnapshot(path);
        QByteArray text;
        for (auto entry = now.cbegin(); entry != now.cend(); ++entry)
            if (initial.value(entry.key()) != entry.value() || !initial.contains(entry.key()))
                text += (initial.contains(entry.key()) ? "changed " : "added ") +
                        entry.key().toUtf8() + "\n" + entry.value() + "\n";
        for (auto entry = initial.cbegin(); entry != initial.cend(); ++entry)
            if (!now.contains(entry.key()))
                text += "removed " + entry.key().toUtf8() + "\n";
        QStringList locks;
        const QDir folder(path + '/' + StoreHost::lockFolder);
        for (const QString& name : folder.entryList(QDir::Files))
            locks.append(QString(readAll(folder.filePath(name))).section('\n', 0, 0));
        locks.sort();
        return text + "locks held:\n" + locks.join('\n').toUtf8() + "\n";
    }

    QTemporaryDir store, work;
    const QString path;
    const QMap<QString, QByteArray> initial;
    ModalScript modal; // every box is answered, and seen
    StoreHost host;
    alm_tolv_output editor;
    EditorProbe probe;
};
