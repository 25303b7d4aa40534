// The editor against a host that answers at random, while a user acts at random.
//
// The store is real: a copy of the sample store behind the store host. The chaos host
// passes on the store host's replies in the call or later, twice, out of order, Done
// before the files, in other letter case, for the other system, with unknown
// operations and results, and with failures the store host really suffers (a refused
// lock takes no lock). Upload replies keep their order: the protocol carries no
// request numbers, so a late answer to one upload could not be told from the next
// one's. After every step the invariants below are checked, each by its name.
// TOLV_CHAOS_STEPS and TOLV_CHAOS_SEED choose a longer run or another seed.
#include "common/fixture.h"
#include "core/module_file.h"
#include "core/slot_rules.h"
#include "plugin/host_protocol.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>

#include <map>
#include <random>
#include <set>

#include <sys/stat.h>

namespace {

const QString owner = QStringLiteral("chaos");
const QStringList systems = {"north", "south"};
const QString unsavedEdit =
    QStringLiteral("isDirty true whenever an edit has not reached the store");
int replies = 0, perturbed = 0; // over the whole run

// Size, time and identity of every entry below a folder, some of its subfolders
// left out: enough to see that something wrote there.
QMap<QString, QString> statTree(const QString& root, const QStringList& leaveOut) {
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next(), relative = path.mid(root.size() + 1);
        if (leaveOut.contains(relative.section('/', 0, 0)))
            continue;
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        entries[relative] = QString::asprintf("%lu %ld %ld.%ld", ulong(st.st_ino), long(st.st_size),
                                              long(st.st_mtim.tv_sec), long(st.st_mtim.tv_nsec));
    }
    return entries;
}

QString swapCase(QString path) {
    for (QChar& c : path)
        c = c.isUpper() ? c.toLower() : c.toUpper();
    return path;
}

} // namespace

// Stands between the editor and the store host: as the store host's widget it
// receives the replies, to pass them on as it likes.
class ChaosHost : public config_plugin_base {
    Q_OBJECT
public:
    ChaosHost(const QString& store, const QString& work, quint32 seed, alm_tolv_output* e)
        : config_plugin_base(QString(), QString(), QString()), inner(store, work, owner), rng(seed),
          editor(e) {
        inner.attach(this);
        connect(e, &alm_tolv_output::command, this, &ChaosHost::execute);
    }
    void reply(const HostReply& r) override { batch.push_back(r); }

    int chance(int percent) { return int(rng() % 100) < percent; }
    int pick(int n) { return n <= 0 ? 0 : int(rng() % unsigned(n)); }

    // Delivers up to n replies that waited, each picked at random.
    void deliverSome(int n) {
        for (int i = 0; i < n && !later.empty(); ++i) {
            const int at = pick(int(later.size()));
            const HostReply r = later[at];
            later.erase(later.begin() + at);
            deliver(r);
        }
    }
    void deliverAll() {
        for (int rounds = 0; rounds < 1000 && !later.empty(); ++rounds)
            deliverSome(int(later.size()));
    }
    // Upload replies that wait keep their order among themselves.
    void flushPendingUploads() {
        while (!pending.empty()) {
            const HostReply r = pending.front();
            pending.pop_front();
            deliver(r);
        }
    }
    void note(const QString& line) {
        events.append(line);
        if (events.size() > 60)
            events.removeFirst();
    }

    StoreHost inner;
    QStringList events;         // the last things that happened, for a failure message
    std::set<QString> received; // store files the working copy got, as the store host said
    // Called before the store host may write the store (with no path), and after.
    std::function<void(const QString& uploaded)> storeWritten;

signals:
    void command(QString word, QString path);

public slots:
    void execute(const QString& word, const QString& path) {
        note("command " + word + " " + path);
        const bool upload = word == HostCommand::uploadFile || word == HostCommand::syncDirUpload;
        if (upload) { // answered in order (see the top of this file)
            std::deque<HostReply> keep;
            for (const HostReply& r : later)
                (r.operation == HostOperation::upload ? pending : keep).push_back(r);
            later = keep;
            flushPendingUploads();
        }
        // A host that names a device description in other letter case locks it under that name.
        const bool swapped = word == HostCommand::lock && chance(5);
        perturbed += swapped;
        const QString target = swapped ? swapCase(path) : path;
        // Real failures of the store host: nothing is done for the operation.
        const QStringList ops = word.startsWith("checkout")       ? QStringList{"lock", "download"}
                                : word == "lock" || word == "dir" ? QStringList{word}
                                : word.contains("ownload")        ? QStringList{"download"}
                                : upload                          ? QStringList{"upload"}
                                                                  : QStringList();
        if (!ops.isEmpty() && chance(10)) {
            const QString op = ops[pick(int(ops.size()))];
            inner.failOperation(op, QString(), "chaos: " + op + " refused");
            note("  fails " + op);
            ++perturbed;
        }
        if (upload)
            storeWritten(QString());
        inner.execute(word, target);
        inner.clearFailures();
        if (upload)
            storeWritten(target);

        std::vector<HostReply> batch = std::exchange(this->batch, {});
        for (const HostReply& r : batch)
            if (r.operation == HostOperation::download &&
                (r.result == HostReply::Ok || r.result == HostReply::ReadOnly))
                received.insert(r.file);
        perturb(batch);
        const bool now = chance(50);
        for (const HostReply& r : batch) {
            const bool uploadReply = upload && r.operation == HostOperation::upload;
            if (now || (uploadReply && later.empty()))
                deliver(r);
            else
                (uploadReply ? pending : later).push_back(r);
        }
        if (!pending.empty() && chance(50))
            flushPendingUploads();
    }

private:
    void deliver(const HostReply& r) {
        if (!editor)
            return;
        ++replies;
        note(QStringLiteral("  reply %1 %2 %3").arg(r.operation).arg(r.result).arg(r.file));
        editor->reply(r);
    }

    void perturb(std::vector<HostReply>& batch) {
        if (batch.empty())
            return;
        if (chance(15)) { // out of order
            std::shuffle(batch.begin(), batch.end(), rng);
            ++perturbed;
        }
        if (chance(15)) { // Done before the files
            std::stable_partition(batch.begin(), batch.end(),
                                  [](const HostReply& r) { return r.result == HostReply::Done; });
            ++perturbed;
        }
        const HostReply sample = batch[pick(int(batch.size()))];
        const bool download = sample.operation == HostOperation::download;
        const auto add = [&](bool when, const std::function<void(HostReply&)>& change) {
            if (!when)
                return;
            HostReply odd = sample;
            change(odd);
            batch.push_back(odd);
            ++perturbed;
        };
        add(chance(10) && sample.operation != HostOperation::upload, [](HostReply&) {}); // twice
        add(chance(8), [&](HostReply& r) { // an operation nobody knows
            r.operation = QStringList{"frobnicate", "", "DOWNLOAD", "unlock"}[pick(4)];
            r.result = pick(6) - 1;
        });
        // A result nobody knows, another letter case, the other system.
        add(chance(8) && download, [&](HostReply& r) {
            r.result = QList<int>{-1, 4, 99}[pick(3)];
        });
        add(chance(8) && download, [](HostReply& r) { r.file = swapCase(r.file); });
        add(chance(8) && download, [](HostReply& r) {
            const bool north = r.file.contains("/north/");
            r.file.replace(north ? "/north/" : "/south/", north ? "/south/" : "/north/");
        });
    }

    std::vector<HostReply> batch; // the store host's replies to the command it executes
    std::mt19937 rng;
    QPointer<alm_tolv_output> editor;
    std::deque<HostReply> later;   // replies held back, delivered in any order
    std::deque<HostReply> pending; // upload replies held back, in order
};

class tst_chaos : public QObject {
    Q_OBJECT
    ScopedSettings settings;

    // In memory where the system offers it: the run writes thousands of files,
    // each replaced with a flush to disk.
    QTemporaryDir sandbox{QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm/tst_chaos-XXXXXX")
                              : QDir::tempPath() + QStringLiteral("/tst_chaos-XXXXXX")};
    QString store = sandbox.filePath("store"), work = sandbox.filePath("work");
    std::unique_ptr<ChaosHost> host;
    std::unique_ptr<alm_tolv_output> editor;
    std::unique_ptr<EditorProbe> probe;
    std::mt19937 user;
    QMap<QString, QString> outsideBefore, storeKnown;
    QString violation;
    static constexpr int sessionsPerStore = 20;
    int sessions = 0, dialogs = 0;
    std::map<QString, int> actionCounts;

    int pick(int n) { return n <= 0 ? 0 : int(user() % unsigned(n)); }
    bool chance(int percent) { return int(user() % 100) < percent; }

    void fail(const QString& invariant, const QString& detail) {
        if (violation.isEmpty())
            violation = invariant + ": " + detail + "\nlast events:\n  " +
                        (host ? host->events.join("\n  ") : QString());
    }

    // Each session is a new host with a new working copy, as after a restart. The
    // store starts again from the sample store every sessionsPerStore sessions: it
    // grows with every module made and each step's checks look at all of it.
    void openSession() {
        host.reset();
        if (sessions > 0 && sessions % sessionsPerStore == 0) {
            QDir(store).removeRecursively();
            if (!copyTree(sampleStore(), store))
                fail("the sample store can be copied", store);
            storeKnown = statTree(store, {".locks"});
        }
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        editor = std::make_unique<alm_tolv_output>(work, "alm_tolv_output", "");
        probe = std::make_unique<EditorProbe>(*editor);
        host = std::make_unique<ChaosHost>(store, work, quint32(user()), editor.get());
        host->storeWritten = [this](const QString& uploaded) { checkStoreChanges(uploaded); };
        ++sessions;
        editor->activate(true);
    }

    // Closes the editor the way a host does: replies still on their way arrive,
    // then the close unlocks what the editor holds. Invariant "every lock it holds
    // is released at close".
    void closeSession() {
        host->deliverAll();
        host->flushPendingUploads();
        host->deliverAll();
        editor->close();
        probe.reset();
        editor.reset();
        QDir locks(store + "/.locks");
        for (const QString& name : locks.entryList(QDir::Files))
            if (const QByteArray text = readAll(locks.filePath(name));
                text.contains("\nowner=" + owner.toUtf8() + "\n"))
                fail("every lock it holds is released at close", text.split('\n').value(0));
    }

    // Invariant "every lock the editor believes it holds is held in the store".
    void checkBelievedLocksAreHeld() {
        const QStringList held =
            probe->lockedDirs() + probe->lockedDevDescFiles() +
            (probe->devTypesLocked() ? QStringList("config/devicetypes.xml") : QStringList()) +
            (probe->instancesLocked() ? QStringList("config/instances.xml") : QStringList());
        for (const QString& path : held)
            if (host->inner.lockHolder(path) != owner)
                fail("every lock the editor believes it holds is held in the store",
                     path + " is held by '" + host->inner.lockHolder(path) + "'");
    }

    // Invariant "no file in the store changed by an editor that does not hold its
    // lock": the store changes only while the store host uploads, and only where
    // this owner holds the lock.
    void checkStoreChanges(const QString& uploaded = QString()) {
        const auto now = statTree(store, {".locks"});
        QMap<QString, QString> all = now;
        all.insert(storeKnown);
        for (auto it = all.cbegin(); it != all.cend(); ++it) {
            const QString& path = it.key();
            bool held = now.value(path) == storeKnown.value(path);
            for (QString p = path; !uploaded.isEmpty() && !held && !p.isEmpty();
                 p = p.section('/', 0, -2))
                held = host->inner.lockHolder(p) == owner;
            if (!held && (uploaded.isEmpty() || QFileInfo(store + '/' + path).isFile()))
                fail("no file in the store changed by an editor that does not hold its lock",
                     (uploaded.isEmpty() ? "changed outside an upload: "
                                         : "upload of " + uploaded + " changed ") +
                         path);
        }
        if (!uploaded.isEmpty())
            storeKnown = now;
    }

    // Invariant "isDirty true whenever an edit has not reached the store".
    void checkDirtyWhileEditsAreNotInTheStore() {
        if (editor->isDirty())
            return;
        for (const auto& module : probe->modules())
            if (module->modified)
                fail(unsavedEdit, module->fileName + " is modified");
        // What the working copy holds and the store does not.
        for (const QString& system : systems) {
            const QString dir = "config/alarms/" + system + "/outputs/";
            const QDir local(work + '/' + dir), stored(store + '/' + dir);
            const QStringList names = local.entryList(QDir::Files);
            for (const QString& name : stored.entryList(QDir::Files))
                if (!names.contains(name) && host->received.count(dir + name))
                    fail(unsavedEdit, dir + name + " was removed from the working copy only");
            for (const QString& name : names)
                if (readAll(local.filePath(name)) != readAll(stored.filePath(name)))
                    fail(unsavedEdit, dir + name + " differs in the working copy and the store");
        }
        // What the current module shows and its file does not hold.
        const cOutputFile* module = probe->currentModule();
        if (!module || module->modified)
            return;
        const ModuleFileContent file = parseModuleFile(readAll(work + '/' + module->fileName));
        const int limit = probe->maxSlot();
        for (const ProcessRow& row : allProcesses(*probe->processEditor())) {
            const QString stored = file.processes.value(row.name);
            const bool valid = isValidSlotText(row.slot, limit);
            // An entry the editor refused with its warning waits for the user to
            // correct it: it is no change yet.
            if (!row.slot.isEmpty() && row.slot != "0" && !valid && row.slot != stored)
                continue;
            if ((valid ? row.slot : QString()) !=
                (isValidSlotText(stored, limit) ? stored : QString()))
                fail(unsavedEdit, row.name + " shows slot '" + row.slot + "', " + module->fileName +
                                      " holds '" + stored + "'");
        }
        // Blanks at the ends of a name cannot be stored: lines are read trimmed
        // (a copy of a module without a name is "Copy 1 of ").
        if (file.name && *file.name != module->name.trimmed())
            fail(unsavedEdit,
                 "module named '" + module->name + "', its file says '" + *file.name + "'");
    }

    QTreeWidgetItem* randomRow() {
        const int n = probe->fileList()->topLevelItemCount();
        return n == 0 ? nullptr : probe->fileList()->topLevelItem(pick(n));
    }
    // A random row of the process list (without a name when it is empty).
    ProcessRow randomProcess() {
        const int n = probe->processEditor()->rowCount();
        return probe->processEditor()->processRow(n == 0 ? -1 : pick(n));
    }
    QString randomSlot() {
        static const QStringList odd = {"", "0", "-1", "4097", "abc", "007", " 12", "4096"};
        return chance(70) ? QString::number(1 + pick(200)) : odd[pick(odd.size())];
    }
    QString randomName() {
        static const QStringList odd = {
            "Pumps",           "Boilers",          "",       "../../outside/evil", "a/b", "..",
            "Copy 1 of Pumps", "name with blanks", "Ünïcode"};
        return chance(50) ? "M" + QString::number(pick(6)) : odd[pick(odd.size())];
    }
    // Triggers the editor's action when it is enabled; what was done.
    QString trigger(const char* name) {
        QAction* action = probe->action(name);
        if (!action->isEnabled())
            return QString();
        action->trigger();
        return name;
    }

    // One thing a user may do; only what is enabled is done.
    void act() {
        dialog* pane = probe->processEditor();
        const bool mayEdit = pane->isEnabled();
        const int choice = pick(100);
        // The process list's own actions, done only while it may be edited.
        const bool edits = (choice >= 42 && choice < 59) || (choice >= 92 && choice < 95);
        QString done;
        if (edits && !mayEdit) {
        } else if (choice < 6) {
            const QString system = chance(90) ? systems[pick(2)] : QStringLiteral("east");
            probe->selectSystem(system);
            done = "select system " + system;
        } else if (choice < 20) {
            if (QTreeWidgetItem* row = randomRow()) {
                done = "select module " + row->text(0);
                probe->fileList()->setCurrentItem(row);
            }
        } else if (choice < 42) {
            if (const ProcessRow row = randomProcess();
                mayEdit && !row.name.isEmpty() && row.free) {
                const QString slot = randomSlot();
                done = "edit slot " + row.name + "=" + slot;
                pane->enterSlot(pane->rowOf(row.name), slot);
            }
        } else if (choice < 48) {
            QString text;
            for (int i = 0, n = 1 + pick(4); i < n; ++i)
                if (const ProcessRow row = randomProcess(); !row.name.isEmpty())
                    text += row.name + '\t' + (chance(80) ? row.group : QStringLiteral("other")) +
                            '\t' + randomSlot() + "\r\n";
            QApplication::clipboard()->setText(text);
            done = "paste " + QString::number(text.count('\n')) + " rows";
            pane->pasteData();
        } else if (choice < 51) {
            done = "infodriver number";
            pane->infodriverNumber->setValue(pick(1000));
        } else if (choice < 55) {
            done = "auto number";
            pane->autoNumber();
        } else if (choice < 59) {
            done = "clear selected";
            selectProcesses(*pane, {randomProcess().name});
            pane->clearSelectedSlots();
        } else if (choice < 63) {
            done = trigger("new");
        } else if (choice < 67) {
            done = trigger("duplicate");
        } else if (choice < 71) {
            if (QTreeWidgetItem* row = probe->fileList()->currentItem();
                row && probe->action("rename")->isEnabled()) {
                const QString name = randomName();
                done = "rename " + row->text(0) + " to " + name;
                editor->renameModule(row, 0, name);
            }
        } else if (choice < 74) {
            done = trigger("delete");
        } else if (choice < 84) {
            done = "apply";
            editor->apply();
        } else if (choice < 88) {
            const bool on = chance(70);
            done = on ? "activate" : "deactivate";
            editor->activate(on);
        } else if (choice < 91) {
            const QString target =
                (randomRow() ? randomRow()->text(0) : QStringLiteral("NoSuchModule")) + ";" +
                (randomProcess().name.isEmpty() ? QStringLiteral("NoSuchProcess")
                                                : randomProcess().name);
            done = "navigate " + target;
            editor->navigate(QString(), target);
        } else if (choice < 92) {
            done = "close";
            host->note("user: close");
            closeSession();
            openSession();
        } else if (choice < 95) {
            done = "manage templates";
            pane->manTemp->click();
        } else {
            done = "wait";
            host->deliverSome(1 + pick(4));
        }
        if (!done.isEmpty()) {
            host->note("user: " + done);
            ++actionCounts[done.startsWith("select") ? done.section(' ', 0, 1)
                                                     : done.section(' ', 0, 0)];
        }
        // Replies that waited arrive between the user's actions.
        if (host && chance(40))
            host->deliverSome(1 + pick(3));
    }

private slots:
    void randomRepliesAndActionsKeepTheInvariants() {
        const int steps = qEnvironmentVariable("TOLV_CHAOS_STEPS", "2000").toInt();
        const quint32 seed = qEnvironmentVariable("TOLV_CHAOS_SEED", "20261206").toUInt();
        QVERIFY(copyTree(sampleStore(), store));
        writeFile(sandbox.filePath("outside/keep.txt"), "keep\n");
        user.seed(seed);
        outsideBefore = statTree(sandbox.path(), {"work", "store"});
        storeKnown = statTree(store, {".locks"});

        // Dialogs: replies arrive while they are open; then a random button.
        setModalHandler([this](QDialog& box) {
            ++dialogs;
            host->note("dialog: " + box.windowTitle());
            host->deliverSome(pick(3));
            if (auto* message = qobject_cast<QMessageBox*>(&box)) {
                const auto buttons = message->buttons();
                if (!buttons.isEmpty())
                    buttons[pick(buttons.size())]->click();
            } else if (chance(50)) {
                box.accept();
            } else {
                box.reject();
            }
            return box.result();
        });

        openSession();
        int step = 0;
        for (; step < steps && violation.isEmpty(); ++step) {
            act();
            if (const auto now = statTree(sandbox.path(), {"work", "store"}); now != outsideBefore)
                fail("nothing written outside the working copy", QStringList(now.keys()).join(","));
            checkStoreChanges();
            checkBelievedLocksAreHeld();
            checkDirtyWhileEditsAreNotInTheStore();
        }
        if (violation.isEmpty())
            closeSession();
        host.reset();
        setModalHandler({});
        QVERIFY2(
            violation.isEmpty(),
            qPrintable(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(step).arg(violation)));
        QString counts;
        for (const auto& [action, count] : actionCounts)
            counts += QStringLiteral(", %1 %2").arg(action).arg(count);
        qInfo("chaos: seed %u, %d steps, %d sessions, %d stores, %d replies (%d perturbed), "
              "%d dialogs; actions%s",
              seed, step, sessions, (sessions - 1) / sessionsPerStore + 1, replies, perturbed,
              dialogs, qPrintable(counts));
    }
};

QTEST_MAIN(tst_chaos)
#include "tst_chaos.moc"
