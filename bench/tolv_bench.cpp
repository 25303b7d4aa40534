// tolv-bench: times the editor's operations on a synthetic store through the
// real plug-in, as the stand-in host loads and drives it, on the offscreen
// platform; beside each operation its floor (the same bytes read or written and
// split, or std::sort of the same keys) and the peak memory of the run.
//
//   tolv-bench --processes N --store DIR [--repeat R] [--out FILE] [--make-store]
//
// The store is generated into DIR unless DIR already holds one of the same size.
// Each figure is the minimum of R repetitions. With --out, the figures are
// appended to FILE as tab-separated lines for scripts/bench.
#include "bench/floors.h"
#include "bench/store_generator.h"
#include "core/slot_rules.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/store_host.h"
#include "platform/modal_ui.h"
#include "proclist/process_row.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QCommandLineParser>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>

#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const QString pluginName = QStringLiteral("alm_tolv_output");

double nowMs() {
    timespec t{};
    clock_gettime(CLOCK_REALTIME, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

qint64 residentBytes() {
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // KiB on Linux
}

// Collects the figures, prints each as it comes and appends it to the output file.
class Report {
public:
    Report(int processes, const QString& outPath) : processes(processes) {
        if (!outPath.isEmpty()) {
            out.setFileName(outPath);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Append))
                std::fprintf(stderr, "tolv-bench: cannot write %s\n", qPrintable(outPath));
        }
    }

    void add(const QString& id, const QString& label, double value, double floor = -1,
             const QString& unit = QStringLiteral("ms")) {
        if (floor >= 0)
            std::printf("%-60s %10.1f %-5s floor %9.1f  x%.1f\n", qPrintable(label), value,
                        qPrintable(unit), floor, floor > 0 ? value / floor : 0.0);
        else
            std::printf("%-60s %10.1f %s\n", qPrintable(label), value, qPrintable(unit));
        std::fflush(stdout);
        if (out.isOpen()) {
            out.write(QStringLiteral("%1\t%2\t%3\t%4\t%5\t%6\n")
                          .arg(processes)
                          .arg(id, label)
                          .arg(value, 0, 'f', 2)
                          .arg(floor, 0, 'f', 2)
                          .arg(unit)
                          .toUtf8());
            out.flush();
        }
    }

private:
    int processes;
    QFile out;
};

// One run of the tolv-host program: from its start to the moment its screenshot
// file was created (the first paint of the settled window), its whole run, and
// its peak memory.
struct HostRun {
    double firstPaintMs = -1;
    double totalMs = -1;
    double peakMiB = -1;
};

std::optional<HostRun> runHost(const QString& program, const QStringList& arguments,
                               const QString& screenshot, const QString& configHome) {
    QFile::remove(screenshot);
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(program));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : storage)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> environment;
    for (char** e = environ; *e; ++e)
        if (!QByteArray(*e).startsWith("XDG_CONFIG_HOME=") &&
            !QByteArray(*e).startsWith("QT_QPA_PLATFORM="))
            environment.push_back(*e);
    environment.push_back("QT_QPA_PLATFORM=offscreen");
    environment.push_back("XDG_CONFIG_HOME=" + QFile::encodeName(configHome));
    std::vector<char*> envp;
    for (QByteArray& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const double start = nowMs();
    pid_t child = 0;
    const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    rusage usage{};
    if (wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    HostRun run;
    run.totalMs = nowMs() - start;
    run.peakMiB = double(usage.ru_maxrss) / 1024.0;
    struct statx info {};
    if (statx(AT_FDCWD, QFile::encodeName(screenshot).constData(), 0, STATX_BTIME | STATX_MTIME,
              &info) != 0)
        return std::nullopt;
    const statx_timestamp created = (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_mtime;
    run.firstPaintMs = double(created.tv_sec) * 1e3 + double(created.tv_nsec) / 1e6 - start;
    return run;
}

// The plug-in's dialogs answered at once: the auto-number dialog numbers all
// rows from 1; a message box gets the button asked for, or its first one.
struct ModalAnswers {
    QString preferredButton;
    QString inputText; // what an input dialog is given
    // What the template manager is made to do; its result is the dialog's.
    std::function<int(QDialog&)> manager;
    int unexpected = 0;

    int answer(QDialog& dialog) {
        if (dialog.inherits("manage_temp") && manager) {
            return manager(dialog);
        } else if (auto* input = qobject_cast<QInputDialog*>(&dialog)) {
            input->setTextValue(inputText);
            input->accept();
        } else if (dialog.inherits("autoNumberDialog")) {
            dialog.findChild<QRadioButton*>("radioAll")->setChecked(true);
            dialog.findChild<QSpinBox*>("spinBase")->setValue(1);
            dialog.findChild<QSpinBox*>("spinOffset")->setValue(0);
            dialog.findChild<QPushButton*>("buttonOk")->click();
        } else if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            QAbstractButton* chosen = box->buttons().value(0);
            for (QAbstractButton* button : box->buttons())
                if (button->text() == preferredButton)
                    chosen = button;
            if (chosen && chosen->text() != preferredButton) {
                ++unexpected;
                std::fprintf(stderr, "tolv-bench: box \"%s\": %s\n", qPrintable(box->windowTitle()),
                             qPrintable(box->text().left(200)));
            }
            if (chosen)
                chosen->click();
        }
        return dialog.result();
    }
};

class Bench {
public:
    Bench(const QString& store, int processes, int repeat, Report& report)
        : store(store), processes(processes), repeat(repeat), report(report) {}

    // The minimum over the repetitions of work(), each after an untimed prep();
    // the time includes the events the work leaves behind (layout, painting).
    double best(const std::function<void()>& prep, const std::function<void()>& work) {
        double minimum = std::numeric_limits<double>::infinity();
        for (int r = 0; r < repeat; ++r) {
            if (prep)
                prep();
            settle();
            QElapsedTimer timer;
            timer.start();
            work();
            settle();
            minimum = std::min(minimum, double(timer.nsecsElapsed()) / 1e6);
        }
        return minimum;
    }
    double floor(const std::function<void()>& work) { return best({}, work); }

    void hostRuns(const QString& hostProgram, const QString& pluginPath);
    bool session(const QString& pluginPath);

    void settle() {
        if (host)
            host->flushReplies();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

private:
    void processListOperations();
    void moduleOperations();
    void managerOperations();
    void findOperation();
    bool selectModule(const QString& name);
    QString local(const QString& storePath) const { return work.path() + '/' + storePath; }
    QString procDefPath() const {
        return QStringLiteral("config/alarms/%1/proc_def.cfg").arg(BenchStore::systemName);
    }
    void chooseSystem() { hostWindow->chooseSystem(BenchStore::systemName); }
    void sortColumn(int column) { procList->sortByColumn(column, Qt::AscendingOrder); }
    // The slots behind the buttons: the buttons themselves stay disabled until a
    // module with its locks is shown.
    QString cell(int row, int column) const {
        return procList->model()->index(row, column).data().toString();
    }
    void invoke(const char* slot) { QMetaObject::invokeMethod(processEditor, slot); }
    void autoNumberAll() {
        procList->clearSelection();
        invoke("autoNumber");
    }

    QString store;
    int processes;
    int repeat;
    Report& report;
    ModalAnswers modal;
    QTemporaryDir work;
    StoreHost* host = nullptr;
    HostWindow* hostWindow = nullptr;
    QWidget* editor = nullptr;
    QObject* processEditor = nullptr;
    QTreeView* procList = nullptr;
    QTreeWidget* fileList = nullptr;
};

void Bench::hostRuns(const QString& hostProgram, const QString& pluginPath) {
    QTemporaryDir scratch;
    const QString shot = scratch.path() + "/shot.png";
    const QString configHome = scratch.path() + "/config";
    QDir().mkpath(scratch.path() + "/empty/config/alarms");
    const QStringList common = {"--plugin",        pluginPath,     "--owner",
                                "tolv-bench-host", "--screenshot", shot};

    auto bestRun = [&](const QStringList& arguments) {
        std::optional<HostRun> best;
        for (int r = 0; r < repeat; ++r) {
            const std::optional<HostRun> run = runHost(hostProgram, arguments, shot, configHome);
            if (!run)
                return std::optional<HostRun>();
            if (!best || run->firstPaintMs < best->firstPaintMs)
                best = run;
            if (best)
                best->peakMiB = std::max(best->peakMiB, run->peakMiB);
        }
        return best;
    };
    const std::optional<HostRun> empty =
        bestRun(QStringList{"--store", scratch.path() + "/empty"} + common);
    const std::optional<HostRun> loaded =
        bestRun(QStringList{"--store", store, "--system", BenchStore::systemName} + common);
    if (!empty || !loaded) {
        std::fprintf(stderr, "tolv-bench: tolv-host did not run to its screenshot\n");
        return;
    }
    report.add("host_first_paint", "tolv-host start to first paint, system loaded",
               loaded->firstPaintMs, empty->firstPaintMs);
    report.add("host_run", "tolv-host whole run (start, paint, close, exit)", loaded->totalMs,
               empty->totalMs);
    report.add("host_peak_memory", "tolv-host peak memory, system loaded", loaded->peakMiB,
               empty->peakMiB, "MiB");
}

bool Bench::session(const QString& pluginPath) {
    PluginLoader loader(pluginPath);
    if (!loader.load()) {
        std::fprintf(stderr, "tolv-bench: %s\n", qPrintable(loader.errorString()));
        return false;
    }
    setModalHandler([this](QDialog& dialog) { return modal.answer(dialog); });
    StoreHost storeHost(store, work.path(), "tolv-bench");
    storeHost.setReplyMode(StoreHost::ReplyMode::Immediate);
    host = &storeHost;
    HostWindow window(loader, storeHost, {work.path(), pluginName, QString()});
    hostWindow = &window;
    window.resize(1280, 800);
    window.show();
    if (!window.openEntry()) {
        std::fprintf(stderr, "tolv-bench: the plug-in made no editor\n");
        return false;
    }
    settle();
    editor = window.editor();
    procList = editor->findChild<QTreeView*>("procList");
    for (QObject* o = procList; o && !processEditor; o = o->parent())
        if (o->inherits("dialog"))
            processEditor = o;
    if (!procList || !processEditor) {
        std::fprintf(stderr, "tolv-bench: no process list in the editor\n");
        return false;
    }

    // Choosing the system the first time: the process definitions are downloaded
    // and loaded, the outputs folder is checked out and listed.
    const qint64 before = residentBytes();
    QElapsedTimer timer;
    timer.start();
    window.chooseSystem(BenchStore::systemName);
    settle();
    report.add("select_system", "choose the system (download, load, check out outputs)",
               double(timer.nsecsElapsed()) / 1e6);
    if (procList->model()->rowCount() != processes) {
        std::fprintf(stderr, "tolv-bench: %d rows for %d processes\n",
                     procList->model()->rowCount(), processes);
        return false;
    }
    report.add("memory_per_process", "memory per process after the first load",
               double(residentBytes() - before) / processes, -1, "bytes");

    // Loading the process definitions again: the local file is newer.
    const QString definitions = local(procDefPath());
    int touch = 0;
    const double load = best(
        [&] {
            QFile file(definitions);
            if (file.open(QIODevice::ReadWrite))
                file.setFileTime(QDateTime::currentDateTime().addSecs(++touch),
                                 QFileDevice::FileModificationTime);
        },
        [&] { window.chooseSystem(BenchStore::systemName); });
    report.add("load_process_definitions", "load process definitions into the list", load,
               floor([&] { Floor::readAndSplit({definitions}); }));

    fileList = window.findChild<QTreeWidget*>("fileList");
    if (!fileList) {
        std::fprintf(stderr, "tolv-bench: no module list\n");
        return false;
    }
    moduleOperations();
    processListOperations();

    // The window goes without closing: closing would ask about the unsaved changes.
    host = nullptr;
    hostWindow = nullptr;
    setModalHandler({});
    return true;
}

// Selects a module's row in the module list, as a user's click does: the module
// shown before is saved (when modified) and this one is loaded.
bool Bench::selectModule(const QString& name) {
    const QList<QTreeWidgetItem*> rows = fileList->findItems(name, Qt::MatchExactly, 0);
    if (rows.isEmpty())
        return false;
    fileList->setCurrentItem(rows.first());
    return true;
}

void Bench::moduleOperations() {
    const QString outputs = QStringLiteral("config/alarms/%1/outputs/").arg(BenchStore::systemName);
    const QString slotsPath = local(outputs + BenchStore::slotsFile);
    const QString templatesPath = local(outputs + BenchStore::templatesFile);
    if (!selectModule(BenchStore::slotsModule) || !selectModule(BenchStore::templatesModule) ||
        !selectModule("Module0003")) {
        std::fprintf(stderr, "tolv-bench: the module list lacks the bench modules\n");
        return;
    }
    settle();

    // Loading a module of 4,096 slots, and the module of templates, each after
    // another module of 4,096 slots.
    report.add(
        "load_module_slots", "load a module of 4,096 slots",
        best([&] { selectModule("Module0003"); }, [&] { selectModule(BenchStore::slotsModule); }),
        floor([&] { Floor::readAndSplit({slotsPath}); }));
    const QString typeId = BenchStore::systemName + '_' + BenchStore::templatesModule;
    QStringList templateFiles = {templatesPath};
    const QDir devDescDir(local("config/devicetypes"));
    for (const QString& name : devDescDir.entryList({typeId + "_*.xml"}, QDir::Files))
        templateFiles.append(devDescDir.filePath(name));
    report.add("load_module_templates",
               QStringLiteral("load the module of %1 templates (instances of 20 parameters)")
                   .arg(templateFiles.size() - 1),
               best([&] { selectModule("Module0003"); },
                    [&] { selectModule(BenchStore::templatesModule); }),
               floor([&] { Floor::readAndSplit(templateFiles); }));

    // Saving: the module file, the device descriptions and both shared files,
    // marked modified first; the editor saves the module shown when the host
    // deactivates it. The floor writes the same files as the editor left them,
    // the shared files read and split first.
    const QString sharedTypes = local("config/devicetypes.xml");
    const QString sharedInstances = local("config/instances.xml");
    auto saveFloor = [&](const QStringList& written) {
        QList<QByteArray> bytes;
        for (const QString& path : written) {
            QFile file(path);
            bytes.append(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray());
        }
        const double time = floor([&] {
            Floor::readAndSplit({sharedTypes, sharedInstances});
            for (int i = 0; i < written.size(); ++i)
                Floor::writeReplacing(written[i] + ".floor-copy", bytes[i]);
        });
        for (const QString& path : written)
            QFile::remove(path + ".floor-copy");
        return time;
    };
    auto save = [&] {
        return best([&] { QMetaObject::invokeMethod(editor, "markDirty"); },
                    [&] { hostWindow->editor()->activate(false); });
    };
    selectModule(BenchStore::slotsModule);
    const double saveSlots = save();
    report.add(
        "save_module", "save a module of 4,096 slots (module, description, shared)", saveSlots,
        saveFloor(
            {slotsPath,
             devDescDir.filePath(BenchStore::systemName + '_' + BenchStore::slotsModule + ".xml"),
             sharedTypes, sharedInstances}));
    selectModule(BenchStore::templatesModule);
    const double saveTemplates = save();
    report.add("save_module_templates",
               "save the module of templates (module, descriptions, shared)", saveTemplates,
               saveFloor(templateFiles + QStringList{devDescDir.filePath(typeId + ".xml"),
                                                     sharedTypes, sharedInstances}));

    // Applying the templates of the module shown: every instance's rows claimed,
    // then the module marked modified and saved (its files as in the line above).
    report.add("apply_templates", "apply the templates (claims, then the save of the module)",
               best([&] { hostWindow->editor()->activate(false); },
                    [&] { QMetaObject::invokeMethod(editor, "applyTemplates"); }));
    managerOperations();
    selectModule(BenchStore::slotsModule);

    // A rescan of the outputs folder: choosing the system again, with the files
    // as they were, and after every file changed on disk.
    QStringList modulePaths;
    const QDir outputsDir(local(outputs));
    for (const QString& name : outputsDir.entryList(QDir::Files, QDir::Name))
        modulePaths.append(outputsDir.filePath(name));
    const double headsFloor = floor([&] { Floor::readHeads(modulePaths); });
    report.add("rescan_outputs", "rescan the outputs folder, 500 modules unchanged",
               best({}, [&] { chooseSystem(); }),
               floor([&] { Floor::listAndStat(outputsDir.path()); }));
    int touch = 0;
    report.add("rescan_outputs_changed", "rescan the outputs folder, 500 modules changed",
               best(
                   [&] {
                       ++touch;
                       for (const QString& path : modulePaths) {
                           QFile module(path);
                           if (module.open(QIODevice::ReadWrite))
                               module.setFileTime(QDateTime::currentDateTime().addSecs(touch),
                                                  QFileDevice::FileModificationTime);
                       }
                   },
                   [&] { chooseSystem(); }),
               headsFloor);
    selectModule(BenchStore::slotsModule);
}

// The template manager on the module of templates shown: opened, a new template
// with an empty prefix (every process a candidate parameter), all its rows
// numbered and cleared again, and OK, which applies the templates and saves.
void Bench::managerOperations() {
    double open = std::numeric_limits<double>::infinity();
    double newTemplate = open;
    double autoNumber = open;
    double clear = open;
    double ok = open;
    int candidates = 0;
    QElapsedTimer timer;
    auto lap = [&](double& minimum) {
        settle();
        minimum = std::min(minimum, double(timer.nsecsElapsed()) / 1e6);
        timer.start();
    };
    modal.inputText = QStringLiteral("BenchNew");
    modal.manager = [&](QDialog& manager) {
        manager.show();
        lap(open);
        QMetaObject::invokeMethod(&manager, "newTemplate");
        lap(newTemplate);
        auto* rows = manager.findChild<QTreeView*>("listSlots");
        if (rows) {
            candidates = rows->model()->rowCount();
            rows->selectAll();
            QMetaObject::invokeMethod(&manager, "autoNumberSlots");
        }
        lap(autoNumber);
        QMetaObject::invokeMethod(&manager, "clearSlots");
        lap(clear);
        manager.hide();
        manager.setResult(QDialog::Accepted);
        return int(QDialog::Accepted);
    };
    for (int r = 0; r < repeat; ++r) {
        settle();
        timer.start();
        QMetaObject::invokeMethod(editor, "manageTemplate");
        lap(ok);
    }
    modal.manager = {};
    if (candidates != processes)
        std::fprintf(stderr, "tolv-bench: the new template listed %d of %d processes\n", candidates,
                     processes);
    report.add("manager_open", "template manager: open on the module of templates", open);
    report.add("manager_new_template", "template manager: new template, empty prefix", newTemplate);
    report.add("manager_auto_number", "template manager: Select All + Auto Number", autoNumber);
    report.add("manager_clear", "template manager: Clear Slots (all rows selected)", clear);
    report.add("manager_ok", "template manager: OK (apply the templates, save)", ok);
}

// One keystroke in the find field that completes a name whose only match is
// near the end of the list: the search runs over nearly every row.
void Bench::findOperation() {
    auto* find = editor->findChild<QLineEdit*>("findField");
    const int rows = procList->model()->rowCount();
    if (!find || rows < 2)
        return;
    const QString name = cell(rows - 2, ColProcess);
    const QChar last = name.back();
    report.add("find_keystroke", "find: one keystroke, the match near the end",
               best(
                   [&] {
                       procList->setCurrentIndex(procList->model()->index(0, 0));
                       find->setText(name.chopped(1));
                   },
                   [&] {
                       QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(last));
                       QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(last));
                       QApplication::sendEvent(find, &press);
                       QApplication::sendEvent(find, &release);
                   }));
    if (procList->currentIndex().row() != rows - 2)
        std::fprintf(stderr, "tolv-bench: find stopped at row %d, not %d\n",
                     procList->currentIndex().row(), rows - 2);
    find->clear();
}

void Bench::processListOperations() {
    const int rows = procList->model()->rowCount();

    report.add("duplicate_check_empty", "duplicate check, no slots",
               best({}, [&] { invoke("checkForDuplicates"); }));
    report.add("auto_number_all", "auto-number all rows", best({}, [&] { autoNumberAll(); }));

    const struct {
        int column;
        const char* id;
        const char* label;
    } sorts[] = {{ColProcess, "sort_process", "sort by Process"},
                 {ColGroup, "sort_group", "sort by Group"},
                 {ColDevType, "sort_dev_type", "sort by Dev Type"},
                 {ColInstance, "sort_instance", "sort by Instance"},
                 {ColSlot, "sort_slot", "sort by Infodriver Slot"}};
    for (const auto& sort : sorts) {
        const int other = sort.column == ColProcess ? ColGroup : ColProcess;
        const double time = best([&] { sortColumn(other); }, [&] { sortColumn(sort.column); });
        // The same keys in the order the list had before the timed sort (sorted
        // by the other column), copied into a plain vector and sorted there.
        sortColumn(other);
        std::vector<Floor::SortKey> keys;
        std::vector<int> slotKeys;
        keys.reserve(std::size_t(rows));
        slotKeys.reserve(std::size_t(rows));
        for (int i = 0; i < rows; ++i) {
            const int slot = leadingSlotNumber(cell(i, ColSlot));
            keys.push_back({cell(i, sort.column), slot});
            slotKeys.push_back(slot);
        }
        double sortFloor = std::numeric_limits<double>::infinity();
        for (int r = 0; r < repeat; ++r) {
            std::vector<Floor::SortKey> copy = keys;
            std::vector<int> slotKeyCopy = slotKeys;
            QElapsedTimer timer;
            timer.start();
            if (sort.column == ColSlot)
                Floor::sortBySlot(slotKeyCopy);
            else
                Floor::sortByText(copy);
            sortFloor = std::min(sortFloor, double(timer.nsecsElapsed()) / 1e6);
        }
        report.add(sort.id, sort.label, time, sortFloor);
    }
    sortColumn(ColProcess);

    report.add("duplicate_check", "duplicate check, every row with a slot",
               best({}, [&] { invoke("checkForDuplicates"); }));
    report.add("select_all", "select all rows",
               best([&] { procList->clearSelection(); }, [&] { procList->selectAll(); }));
    report.add("copy_all", "copy all rows",
               best([&] { procList->selectAll(); }, [&] { invoke("copyData"); }));
    report.add("clear_selected", "clear selected slots (all rows selected)",
               best(
                   [&] {
                       autoNumberAll();
                       procList->selectAll();
                   },
                   [&] { invoke("clearSlots"); }));
    modal.preferredButton = QStringLiteral("&All");
    report.add("clear_all", "clear all slots (nothing selected, answer All)",
               best(
                   [&] {
                       autoNumberAll();
                       procList->clearSelection();
                   },
                   [&] { invoke("clearSlots"); }));
    modal.preferredButton.clear();

    // Pastes of one module's worth of lines and of a line for every process,
    // each in the process's own group.
    auto pasteOf = [&](int lines) {
        lines = std::min(lines, rows);
        const int stride = std::max(1, rows / std::max(lines, 1));
        QVector<ClipboardRow> pasted;
        pasted.reserve(lines);
        for (int j = 0; j < lines; ++j) {
            const int row = j * stride % rows;
            pasted.append(
                {cell(row, ColProcess), cell(row, ColGroup), QString::number(j % 4096 + 1)});
        }
        const QString clipboard = formatClipboardText(pasted);
        return best(
            [&] {
                procList->clearSelection();
                QApplication::clipboard()->setText(clipboard);
            },
            [&] { invoke("pasteData"); });
    };
    report.add("paste_4096", "paste 4,096 lines", pasteOf(4096));
    report.add("paste_100000", "paste a line for every process", pasteOf(100000));

    findOperation();
}

} // namespace

int main(int argc, char** argv) {
    // The editor's trace lines would fill the output; warnings stay.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QApplication app(argc, argv);
    QApplication::setApplicationName("tolv-bench");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Times the editor's operations on a synthetic store through the real plug-in.");
    parser.addHelpOption();
    const QCommandLineOption processesOption("processes", "Processes in the store.", "N", "100000");
    const QCommandLineOption storeOption("store", "Store folder (generated when needed).", "DIR");
    const QCommandLineOption repeatOption("repeat", "Repetitions of each timing.", "R", "3");
    const QCommandLineOption outOption("out", "Append the figures to FILE (tab-separated).",
                                       "FILE");
    const QCommandLineOption hostOption("host", "The tolv-host program.", "PATH",
                                        QStringLiteral(TOLV_HOST_PATH));
    const QCommandLineOption pluginOption("plugin-library", "The plug-in library.", "PATH",
                                          QStringLiteral(TOLV_PLUGIN_PATH));
    const QCommandLineOption makeStoreOption("make-store", "Only generate the store.");
    const QCommandLineOption noHostOption("no-host", "Leave out the tolv-host runs.");
    parser.addOptions({processesOption, storeOption, repeatOption, outOption, hostOption,
                       pluginOption, makeStoreOption, noHostOption});
    parser.process(app);
    if (!parser.isSet(storeOption)) {
        std::fprintf(stderr, "tolv-bench: --store DIR is required\n");
        return 1;
    }

    // No run touches the user's settings.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());

    BenchStore::StoreShape shape;
    shape.processes = parser.value(processesOption).toInt();
    const QString store = QDir(parser.value(storeOption)).absolutePath();
    if (!BenchStore::isCurrent(store, shape)) {
        QElapsedTimer timer;
        timer.start();
        QString error;
        if (!BenchStore::generate(store, shape, &error)) {
            std::fprintf(stderr, "tolv-bench: %s\n", qPrintable(error));
            return 1;
        }
        std::printf("store of %d processes generated in %.1f s\n", shape.processes,
                    double(timer.elapsed()) / 1e3);
    }
    if (parser.isSet(makeStoreOption))
        return 0;

    std::printf("processes: %d\n", shape.processes);
    Report report(shape.processes, parser.value(outOption));
    Bench bench(store, shape.processes, std::max(1, parser.value(repeatOption).toInt()), report);
    if (!parser.isSet(noHostOption))
        bench.hostRuns(parser.value(hostOption), parser.value(pluginOption));
    if (!bench.session(parser.value(pluginOption)))
        return 1;
    report.add("bench_peak_memory", "tolv-bench peak memory", peakMiB(), -1, "MiB");
    return 0;
}
