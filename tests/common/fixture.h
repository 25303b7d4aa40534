#pragma once

// The editor as the suites drive it: private settings, scripted dialogs, a white-box
// probe of the editor, its commands and rows, an editor on a working copy, and locks
// of other hosts.

#include "common/files.h"
#include "editor/alm_tolv_output.h"
#include "host/store_host.h"
#include "platform/modal_ui.h"
#include "proclist/dialog.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QSpinBox>
#include <QTreeView>
#include <QTreeWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

struct ScopedSettings { // the settings store in a temporary folder while alive
    ScopedSettings() {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir.path());
    }
    QTemporaryDir dir;
};

struct SeenDialog { // what a modal dialog showed
    QString caption, text;
    QStringList buttons;
};

// Answers the plug-in's modal dialogs in order. Each answer gets the real
// dialog; by default message boxes are answered with their first button.
struct ModalScript {
    using Answer = std::function<int(QDialog&)>;

    ModalScript() {
        setModalHandler([this](QDialog& dialog) { return handle(dialog); });
    }
    ~ModalScript() { setModalHandler({}); }

    void clickButton(const QString& text) {
        answers.push_back([text](QDialog& dialog) {
            for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
                if (button->text() == text)
                    button->click();
            return dialog.result();
        });
    }
    void answer(Answer a) { answers.push_back(std::move(a)); }

    QList<SeenDialog> seen;
    std::deque<Answer> answers;

    int handle(QDialog& dialog) {
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        seen.append({dialog.windowTitle(), box ? box->text() : QString(), {}});
        for (QAbstractButton* button : box ? box->buttons() : QList<QAbstractButton*>())
            seen.last().buttons.append(button->text());
        if (!answers.empty()) {
            Answer next = std::move(answers.front());
            answers.pop_front();
            return next(dialog);
        }
        if (box && !box->buttons().isEmpty())
            box->buttons().first()->click();
        return dialog.result();
    }
};

class EditorProbe {
public:
    explicit EditorProbe(alm_tolv_output& editor) : e(editor) {}

    QStringList& lockedDirs() { return e.lockedDirs; }
    QStringList& checkedOutDirs() { return e.checkedOutDirs; }
    QStringList& lockedDevDescFiles() { return e.lockedDevDescFiles; }
    QStringList& processNames() { return e.processNames; }
    bool& loadingModule() { return e.loadingModule; }
    bool devTypesLocked() const { return e.devTypesLocked; }
    bool instancesLocked() const { return e.instancesLocked; }
    bool devDescLocked() const { return e.devDescLocked; }
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
        e.reply(HostReply{result, operation, file, text});
    }
    alm_tolv_output& e;
};

// The commands an editor sends, as "word path" lines.
struct CommandLog {
    explicit CommandLog(alm_tolv_output& editor) {
        QObject::connect(&editor, &alm_tolv_output::command, &context,
                         [this](const QString& word, const QString& file) {
                             lines.append(file.isEmpty() ? word : word + " " + file);
                         });
    }
    QStringList take() { return std::exchange(lines, {}); }
    QStringList lines;
    QObject context; // gone first: no line comes after the log
};

// The process list's row named name (a default row when there is none).
inline ProcessRow processNamed(const dialog& editor, const QString& name) {
    return editor.processRow(editor.rowOf(name));
}

inline QVector<ProcessRow> allProcesses(const dialog& editor) {
    QVector<ProcessRow> rows;
    for (int row = 0; row < editor.rowCount(); ++row)
        rows.append(editor.processRow(row));
    return rows;
}

inline QString slotOf(const dialog& editor, const QString& name) {
    return processNamed(editor, name).slot;
}

// Changes the row named name as the other parts of the editor do.
template <typename Change> void editProcess(dialog& editor, const QString& name, Change change) {
    const int target = editor.rowOf(name);
    editor.editRows([&](int row, ProcessRow& values) {
        if (row == target)
            change(values);
    });
}

inline void setSlot(dialog& editor, const QString& name, const QString& slot) {
    editProcess(editor, name, [&](ProcessRow& row) { row.slot = slot; });
}

// Claims the row for a template, as applying templates does.
inline void makeTemplateRow(dialog& editor, const QString& name) {
    editProcess(editor, name, [](ProcessRow& row) {
        row.devType = "pump";
        row.free = false;
    });
}

inline QString processColumn(const dialog& editor, int column) {
    const QAbstractItemModel* model = editor.procList->model();
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        texts.append(model->index(row, column).data().toString());
    return texts.join(',');
}

inline QModelIndex cellOf(const dialog& editor, const QString& name, int column = ColProcess) {
    return editor.procList->model()->index(editor.rowOf(name), column);
}

// Makes the first name the current row and selects the named rows (through the
// selection model, as a click would, so not-selectable rows stay out).
inline void selectProcesses(dialog& editor, const QStringList& names) {
    QItemSelectionModel* selection = editor.procList->selectionModel();
    selection->clearSelection();
    for (const QString& name : names) {
        if (name == names.first())
            selection->setCurrentIndex(cellOf(editor, name), QItemSelectionModel::NoUpdate);
        if (editor.processRow(editor.rowOf(name)).free)
            selection->select(cellOf(editor, name),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

inline QString selectedProcesses(const dialog& editor) {
    QStringList names;
    for (int row = 0; row < editor.rowCount(); ++row)
        if (editor.procList->selectionModel()->isRowSelected(row, QModelIndex()))
            names.append(editor.processRow(row).name);
    return names.join(',');
}

// Opens the in-place edit of the row's slot; the editor of the cell, or null.
inline QLineEdit* openSlotEdit(dialog& editor, const QString& name) {
    editor.procList->edit(cellOf(editor, name, ColSlot));
    return editor.procList->viewport()->findChild<QLineEdit*>();
}

// The editor on system "north" of a working copy, its outputs folder checked out
// and every lock granted as a host would leave them.
struct ModuleFixture {
    const QString outputs = QStringLiteral("config/alarms/north/outputs");
    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<alm_tolv_output> editor;
    std::unique_ptr<EditorProbe> probe;

    void write(const QString& path, const QByteArray& bytes) {
        writeFile(root->filePath(path), bytes);
    }
    // As another tool writes it, after everything the editor read.
    void writeLater(const QString& path, const QByteArray& bytes) {
        write(path, bytes);
        QFile file(root->filePath(path));
        QVERIFY(file.open(QIODevice::ReadWrite) &&
                file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                 QFileDevice::FileModificationTime));
    }
    QByteArray read(const QString& path) { return readAll(root->filePath(path)); }
    void open(const QByteArray& processes = "[P1]\n[P2]\n[P3]\nGroup=G\n[P4]\n") {
        write("config/alarms/north/proc_def.cfg", processes);
        editor = std::make_unique<alm_tolv_output>(root->path(), "tolv", "");
        probe = std::make_unique<EditorProbe>(*editor);
        // Every device description's lock is granted, so that a save may write it.
        QObject::connect(editor.get(), &alm_tolv_output::command, editor.get(),
                         [this](const QString& word, const QString& file) {
                             if (word == "lock" && file.startsWith("config/devicetypes/"))
                                 probe->reply(HostReply::Ok, "lock", file);
                         });
        probe->selectSystem("north");
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        probe->reply(HostReply::Done, "download", outputs);
        for (const QString& path :
             {QString("config/devicetypes.xml"), QString("config/instances.xml"), outputs})
            probe->reply(HostReply::Ok, "lock", path);
        editor->updateFileList();
    }
    QStringList rows() const {
        QStringList names;
        for (QTreeWidgetItem* row : probe->fileList()->findItems("*", Qt::MatchWildcard))
            names << row->text(0) + '|' + row->text(1);
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
};

// A lock file as another host writes it in a store; older hosts wrote no start time.
inline void forgeLock(const QString& store, const QString& path, const QString& owner,
                      const QString& machine, qint64 pid, const QString& started = {}) {
    const QByteArray name =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex();
    writeFile(store + '/' + StoreHost::lockFolder + '/' + name,
              QStringLiteral("path=%1\nowner=%2\nmachine=%3\npid=%4\n%5")
                  .arg(path, owner, machine)
                  .arg(pid)
                  .arg(started.isEmpty() ? QString() : "started=" + started + '\n')
                  .toUtf8());
}

inline qint64 deadProcessId() {
    QProcess process;
    process.start("true", QStringList());
    const qint64 pid = process.waitForStarted() ? process.processId() : -1;
    process.waitForFinished();
    return pid;
}
