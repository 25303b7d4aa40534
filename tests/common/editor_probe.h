#pragma once

// White-box view of the editor's bookkeeping for the tests.

#include "editor/alm_tolv_output.h"
#include "proclist/dialog.h"

#include <QAction>
#include <QMenu>
#include <QMetaObject>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTreeWidget>

class EditorProbe {
public:
    explicit EditorProbe(alm_tolv_output& editor) : e(editor) {}

    QStringList& lockedDirs() { return e.lockedDirs; }
    QStringList& checkedOutDirs() { return e.checkedOutDirs; }
    QStringList& downloadedFiles() { return e.downloadedFiles; }
    QStringList& lockedDevDescFiles() { return e.lockedDevDescFiles; }
    QStringList& processNames() { return e.processNames; }
    bool& loadingModule() { return e.loadingModule; }
    bool devTypesLocked() const { return e.devTypesLocked; }
    bool instancesLocked() const { return e.instancesLocked; }
    bool devDescLocked() const { return e.devDescLocked; }
    bool devTypesSynced() const { return e.devTypesSynced; }
    bool navigatePending() const { return e.navigatePending; }
    int maxSlot() const { return e.maxSlot; }
    cOutputFile* currentModule() const { return e.currentModule; }
    void setCurrentModule(cOutputFile* module) { e.currentModule = module; }
    std::vector<std::unique_ptr<cOutputFile>>& modules() { return e.modules; }
    QTreeWidget* fileList() const { return e.fileList; }
    TemplateList& templates() { return e.templates; }
    bool dbModule() const { return e.dbModule; }
    dialog* processEditor() const { return e.processEditor; }
    QMenu* popupMenu() const { return e.popupMenu; }
    QAction* action(const char* name) const { return e.findChild<QAction*>(name); }

    void selectSystem(const QString& name) {
        QMetaObject::invokeMethod(&e, "selectSystem", Q_ARG(QString, name));
    }
    void reply(int result, const QString& operation, const QString& file,
               const QString& text = QString()) {
        HostReply r;
        r.result = result;
        r.operation = operation;
        r.file = file;
        r.text = text;
        e.reply(r);
    }

private:
    alm_tolv_output& e;
};

// The commands an editor sends, as "word path" lines.
class CommandLog {
public:
    explicit CommandLog(alm_tolv_output& editor) {
        connection = QObject::connect(&editor, &alm_tolv_output::command,
                                      [this](const QString& word, const QString& file) {
                                          lines.append(file.isEmpty() ? word : word + " " + file);
                                      });
    }
    ~CommandLog() { QObject::disconnect(connection); }
    QStringList take() {
        QStringList taken = lines;
        lines.clear();
        return taken;
    }
    QStringList lines;

private:
    QMetaObject::Connection connection;
};
