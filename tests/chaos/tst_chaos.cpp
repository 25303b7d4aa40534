// The editor against a host that answers at random, while a user acts at random.
//
// The store is real (a copy of the sample store behind the store host); the
// chaos host sits between the editor and the store host and perturbs how the
// store host's replies arrive: in the call or later, twice, out of order, with
// Done before the files, with paths in other letter case, for the other system,
// with unknown operations and results, and with failures that the store host
// really suffers (a refused lock takes no lock). It never claims a lock the
// store does not hold. Upload replies keep their order: the protocol carries no
// request numbers, so a late answer to one upload could not be told from the
// answer to the next.
//
// After every step the invariants below are checked, each by its name. A
// sanitizer build stops the run at the first report (no sanitizer report).
//
// TOLV_CHAOS_STEPS and TOLV_CHAOS_SEED choose a longer run or another seed.
#include "common/fixture.h"
#include "core/module_file.h"
#include "core/slot_rules.h"
#include "host/store_host.h"
#include "plugin/host_protocol.h"

#include <QApplication>
#include <QClipboard>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <map>
#include <random>
#include <set>

#include <sys/stat.h>

namespace {

const QString owner = QStringLiteral("chaos");
const QStringList systems = {"north", "south"};

QString outputsOf(const QString& system) {
    return "config/alarms/" + system + "/outputs";
}

// Size, time and identity of every entry below a folder, some subfolders left
// out: enough to see that something wrote there.
QMap<QString, QString> statTree(const QString& root, const QStringList& leaveOut) {
    QMap<QString, QString> entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = path.mid(root.size() + 1);
        bool skipped = false;
        for (const QString& out : leaveOut)
            skipped = skipped || relative == out || relative.startsWith(out + '/');
        if (skipped)
            continue;
        struct stat st {};
        ::lstat(QFile::encodeName(path).constData(), &st);
        entries[relative] = QStringLiteral("%1 %2 %3.%4")
                                .arg(st.st_ino)
                                .arg(st.st_size)
                                .arg(st.st_mtim.tv_sec)
                                .arg(st.st_mtim.tv_nsec);
    }
    return entries;
}

QString describe(const HostReply& r) {
    return QStringLiteral("%1 %2 %3").arg(r.operation).arg(r.result).arg(r.file);
}

} // namespace

// Receives the store host's replies, so that the chaos host can pass them on
// as it likes.
class HostSide : public config_plugin_base {
    Q_OBJECT
public:
    HostSide() : config_plugin_base(QString(), QString(), QString()) {}
    void reply(const HostReply& r) override { replies.push_back(r); }
    std::vector<HostReply> replies;
signals:
    void command(QString word, QString path);
};

class ChaosHost : public QObject {
    Q_OBJECT
public:
    ChaosHost(const QString& store, const QString& work, quint32 seed)
        : inner(store, work, owner), rng(seed) {
        inner.attach(&side);
    }

    void attach(alm_tolv_output* e) {
        editor = e;
        connect(e, &alm_tolv_output::command, this, &ChaosHost::execute);
    }
    void detach() {
        if (editor)
            disconnect(editor, nullptr, this, nullptr);
        editor = nullptr;
        later.clear();
    }

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
    // Replies the store host gave that the editor has not seen yet.
    int waiting() const { return int(later.size()); }

    StoreHost inner;
    QStringList events; // the last things that happened, for a failure message
    // Store files the working copy got from the store (download replies as the
    // store host gave them).
    std::set<QString> received;
    // Called before the store host may write the store, and after.
    std::function<void()> beforeStoreWrite;
    std::function<void(const QString& path)> afterStoreWrite;
    int replies = 0;
    int perturbed = 0;

    void note(const QString& line) {
        events.append(line);
        if (events.size() > 60)
            events.removeFirst();
    }

public slots:
    void execute(const QString& word, const QString& path) {
        note("command " + word + " " + path);
        const bool upload = word == HostCommand::uploadFile || word == HostCommand::syncDirUpload;
        if (upload) {
            // Uploads are answered in order (see the top of this file).
            std::deque<HostReply> keep;
            for (const HostReply& r : later)
                (r.operation == HostOperation::upload ? pending : keep).push_back(r);
            later = keep;
            flushPendingUploads();
        }
        QString target = path;
        // A host that names a device description in other letter case locks
        // it under that name.
        if (word == HostCommand::lock && chance(5)) {
            target = swapCase(path);
            ++perturbed;
        }
        // Real failures of the store host: nothing is done for the operation.
        static const std::map<QString, QStringList> operations = {
            {HostCommand::dir, {HostOperation::dir}},
            {HostCommand::downloadFile, {HostOperation::download}},
            {HostCommand::checkoutFile, {HostOperation::lock, HostOperation::download}},
            {HostCommand::checkoutDir, {HostOperation::lock, HostOperation::download}},
            {HostCommand::syncDirDownload, {HostOperation::download}},
            {HostCommand::lock, {HostOperation::lock}},
            {HostCommand::uploadFile, {HostOperation::upload}},
            {HostCommand::syncDirUpload, {HostOperation::upload}}};
        const auto ops = operations.find(word);
        if (ops != operations.end() && chance(10)) {
            const QString op = ops->second[pick(int(ops->second.size()))];
            inner.failOperation(op, QString(), "chaos: " + op + " refused");
            note("  fails " + op);
            ++perturbed;
        }
        if (upload && beforeStoreWrite)
            beforeStoreWrite();
        side.replies.clear();
        inner.execute(word, target);
        inner.clearFailures();
        if (upload && afterStoreWrite)
            afterStoreWrite(target);

        std::vector<HostReply> batch = side.replies;
        side.replies.clear();
        for (const HostReply& r : batch)
            if (r.operation == HostOperation::download &&
                (r.result == HostReply::Ok || r.result == HostReply::ReadOnly))
                received.insert(r.file);
        perturb(batch);
        const bool now = chance(50);
        for (const HostReply& r : batch) {
            if (now || (upload && r.operation == HostOperation::upload && later.empty()))
                deliver(r);
            else if (upload && r.operation == HostOperation::upload)
                pending.push_back(r);
            else
                later.push_back(r);
        }
        if (!pending.empty() && chance(50))
            flushPendingUploads();
    }

    // Upload replies that wait keep their order among themselves.
    void flushPendingUploads() {
        while (!pending.empty()) {
            const HostReply r = pending.front();
            pending.pop_front();
            deliver(r);
        }
    }

private:
    void deliver(const HostReply& r) {
        if (!editor)
            return;
        ++replies;
        note("  reply " + describe(r));
        editor->reply(r);
    }

    static QString swapCase(const QString& path) {
        QString swapped = path;
        for (QChar& c : swapped)
            c = c.isUpper() ? c.toLower() : c.toUpper();
        return swapped;
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
        if (chance(10) && sample.operation != HostOperation::upload) { // twice
            batch.push_back(sample);
            ++perturbed;
        }
        if (chance(8)) { // an operation nobody knows
            HostReply odd = sample;
            odd.operation = QStringList{"frobnicate", "", "DOWNLOAD", "unlock"}[pick(4)];
            odd.result = pick(6) - 1;
            batch.push_back(odd);
            ++perturbed;
        }
        if (chance(8) && sample.operation == HostOperation::download) { // a result nobody knows
            HostReply odd = sample;
            odd.result = QList<int>{-1, 4, 99}[pick(3)];
            batch.push_back(odd);
            ++perturbed;
        }
        if (chance(8) && sample.operation == HostOperation::download) { // another letter case
            HostReply odd = sample;
            odd.file = swapCase(sample.file);
            batch.push_back(odd);
            ++perturbed;
        }
        if (chance(8) && sample.operation == HostOperation::download) { // the other system
            HostReply odd = sample;
            odd.file = sample.file.contains("/north/")
                           ? QString(sample.file).replace("/north/", "/south/")
                           : QString(sample.file).replace("/south/", "/north/");
            batch.push_back(odd);
            ++perturbed;
        }
    }

    HostSide side;
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
    QString store;
    QString work;
    std::unique_ptr<ChaosHost> host;
    std::unique_ptr<alm_tolv_output> editor;
    std::unique_ptr<EditorProbe> probe;
    std::mt19937 user;
    QMap<QString, QString> outsideBefore;
    QMap<QString, QString> storeKnown;
    QString violation;
    static constexpr int sessionsPerStore = 20;
    int sessions = 0;
    int storeResets = 0;
    int dialogs = 0;
    int replies = 0;
    int perturbed = 0;
    std::map<QString, int> actionCounts;

    int pick(int n) { return n <= 0 ? 0 : int(user() % unsigned(n)); }
    bool chance(int percent) { return int(user() % 100) < percent; }

    void fail(const QString& invariant, const QString& detail) {
        if (violation.isEmpty())
            violation = invariant + ": " + detail + "\nlast events:\n  " +
                        (host ? host->events.join("\n  ") : QString());
    }

    // Each session is a new host with a new working copy, as after a restart.
    // Every sessionsPerStore sessions the store starts again from the sample
    // store: it grows with every module made, and the checks after each step
    // look at all of it, so a long run would otherwise slow down step by step.
    void openSession() {
        if (host) {
            replies += host->replies;
            perturbed += host->perturbed;
        }
        host.reset();
        if (sessions > 0 && sessions % sessionsPerStore == 0) {
            QDir(store).removeRecursively();
            if (!copyTree(sampleStore(), store))
                fail("the sample store can be copied", store);
            storeKnown = statTree(store, {".locks"});
            ++storeResets;
        }
        QDir(work).removeRecursively();
        QDir().mkpath(work);
        host = std::make_unique<ChaosHost>(store, work, quint32(user()));
        host->beforeStoreWrite = [this] { checkStoreUnchangedOutsideUploads(); };
        host->afterStoreWrite = [this](const QString& path) {
            checkUploadChangedOnlyLockedFiles(path);
        };
        editor = std::make_unique<alm_tolv_output>(work, "alm_tolv_output", "");
        probe = std::make_unique<EditorProbe>(*editor);
        host->attach(editor.get());
        ++sessions;
        editor->activate(true);
    }

    // Closes the editor the way a host does: replies still on their way arrive,
    // then the close unlocks what the editor holds.
    void closeSession() {
        host->deliverAll();
        host->flushPendingUploads();
        host->deliverAll();
        editor->close();
        host->detach();
        probe.reset();
        editor.reset();
        checkLocksReleasedAtClose();
    }

    QStringList believedLocks() const {
        QStringList held = probe->lockedDirs();
        if (probe->devTypesLocked())
            held.append("config/devicetypes.xml");
        if (probe->instancesLocked())
            held.append("config/instances.xml");
        held += probe->lockedDevDescFiles();
        return held;
    }

    // Invariant "every lock the editor believes it holds is held in the store".
    void checkBelievedLocksAreHeld() {
        for (const QString& path : believedLocks())
            if (host->inner.lockHolder(path) != owner)
                fail("every lock the editor believes it holds is held in the store",
                     path + " is held by '" + host->inner.lockHolder(path) + "'");
    }

    // Invariant "every lock it holds is released at close".
    void checkLocksReleasedAtClose() {
        QDir locks(store + "/.locks");
        for (const QString& name : locks.entryList(QDir::Files)) {
            const QByteArray text = readAll(locks.filePath(name));
            if (text.contains("\nowner=" + owner.toUtf8() + "\n"))
                fail("every lock it holds is released at close",
                     QString::fromUtf8(text.split('\n').value(0)));
        }
    }

    // Invariant "nothing written outside the working copy".
    void checkNothingWrittenOutside() {
        const auto now = statTree(sandbox.path(), {"work", "store"});
        if (now != outsideBefore)
            fail("nothing written outside the working copy", QStringList(now.keys()).join(", "));
    }

    // Invariant "no file in the store changed by an editor that does not hold
    // its lock": the store changes only while the store host uploads, and only
    // where this owner holds the lock.
    // The store paths changed, added or gone since the last known state.
    template <typename Tree>
    QStringList changedSinceKnown(const Tree& now, const QString& goneMark) const {
        QStringList changed;
        for (auto it = now.cbegin(); it != now.cend(); ++it)
            if (storeKnown.value(it.key()) != it.value())
                changed << it.key();
        for (auto it = storeKnown.cbegin(); it != storeKnown.cend(); ++it)
            if (!now.contains(it.key()))
                changed << it.key() + goneMark;
        return changed;
    }
    void checkStoreUnchangedOutsideUploads() {
        const auto now = statTree(store, {".locks"});
        if (now != storeKnown)
            fail("no file in the store changed by an editor that does not hold its lock",
                 "changed outside an upload: " + changedSinceKnown(now, " (gone)").join(", "));
    }
    void checkUploadChangedOnlyLockedFiles(const QString& uploaded) {
        const auto now = statTree(store, {".locks"});
        for (const QString& path : changedSinceKnown(now, QString())) {
            bool held = false;
            for (QString p = path; !held && !p.isEmpty(); p = p.section('/', 0, -2))
                held = host->inner.lockHolder(p) == owner;
            if (!held && QFileInfo(store + '/' + path).isFile())
                fail("no file in the store changed by an editor that does not hold its lock",
                     "upload of " + uploaded + " changed " + path);
        }
        storeKnown = now;
    }

    // Invariant "isDirty true whenever an edit has not reached the store".
    void checkDirtyWhileEditsAreNotInTheStore() {
        if (editor->isDirty())
            return;
        for (const auto& module : probe->modules())
            if (module->modified)
                fail("isDirty true whenever an edit has not reached the store",
                     module->fileName + " is modified");
        // What the working copy holds and the store does not.
        for (const QString& system : systems) {
            const QString dir = outputsOf(system);
            QStringList names = QDir(work + '/' + dir).entryList(QDir::Files);
            for (const QString& name : QDir(store + '/' + dir).entryList(QDir::Files))
                if (!names.contains(name) && host->received.count(dir + '/' + name))
                    fail("isDirty true whenever an edit has not reached the store",
                         dir + '/' + name + " was removed from the working copy only");
            for (const QString& name : names) {
                const QString path = dir + '/' + name;
                if (!QFileInfo::exists(store + '/' + path) ||
                    readAll(work + '/' + path) != readAll(store + '/' + path))
                    fail("isDirty true whenever an edit has not reached the store",
                         path + " differs between the working copy and the store");
            }
        }
        // What the current module shows and its file does not hold.
        const cOutputFile* module = probe->currentModule();
        if (!module || module->modified)
            return;
        const ModuleFileContent file = parseModuleFile(readAll(work + '/' + module->fileName));
        const int limit = probe->maxSlot();
        for (const ProcessRow& row : allProcesses(*probe->processEditor())) {
            const QString shown = row.slot;
            const QString stored = file.processes.value(row.name);
            // An entry the editor refused with its warning waits for the user to
            // correct it: it is no change yet.
            if (!shown.isEmpty() && shown != "0" && !isValidSlotText(shown, limit) &&
                shown != stored)
                continue;
            const QString shownSlot = isValidSlotText(shown, limit) ? shown : QString();
            const QString storedSlot = isValidSlotText(stored, limit) ? stored : QString();
            if (shownSlot != storedSlot)
                fail("isDirty true whenever an edit has not reached the store",
                     row.name + " shows slot '" + shown + "', " + module->fileName + " holds '" +
                         stored + "'");
        }
        // Blanks at the ends of a name cannot be stored: lines are read trimmed
        // (a copy of a module without a name is "Copy 1 of ").
        if (file.name && *file.name != module->name.trimmed())
            fail("isDirty true whenever an edit has not reached the store",
                 "module named '" + module->name + "', its file says '" + *file.name + "'");
    }

    void checkInvariants() {
        checkNothingWrittenOutside();
        checkStoreUnchangedOutsideUploads();
        checkBelievedLocksAreHeld();
        checkDirtyWhileEditsAreNotInTheStore();
    }

    QTreeWidgetItem* randomRow(QTreeWidget* list) {
        const int n = list->topLevelItemCount();
        return n == 0 ? nullptr : list->topLevelItem(pick(n));
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

    // One thing a user may do; only what is enabled is done.
    void act() {
        dialog* editorPane = probe->processEditor();
        const bool mayEdit = editorPane->isEnabled();
        const int choice = pick(100);
        QString done;
        if (choice < 6) {
            const QString system = chance(90) ? systems[pick(2)] : QStringLiteral("east");
            probe->selectSystem(system);
            done = "select system " + system;
        } else if (choice < 20) {
            if (QTreeWidgetItem* row = randomRow(probe->fileList())) {
                done = "select module " + row->text(0);
                probe->fileList()->setCurrentItem(row);
            }
        } else if (choice < 42) {
            if (const ProcessRow row = randomProcess();
                mayEdit && !row.name.isEmpty() && row.free) {
                const QString slot = randomSlot();
                done = "edit slot " + row.name + "=" + slot;
                editorPane->enterSlot(editorPane->rowOf(row.name), slot);
            }
        } else if (choice < 48) {
            if (mayEdit) {
                QString text;
                for (int i = 0, n = 1 + pick(4); i < n; ++i)
                    if (const ProcessRow row = randomProcess(); !row.name.isEmpty())
                        text += row.name + '\t' +
                                (chance(80) ? row.group : QStringLiteral("other")) + '\t' +
                                randomSlot() + "\r\n";
                QApplication::clipboard()->setText(text);
                done = "paste " + QString::number(text.count('\n')) + " rows";
                editorPane->pasteData();
            }
        } else if (choice < 51) {
            if (mayEdit) {
                done = "infodriver number";
                editorPane->infodriverNumber->setValue(pick(1000));
            }
        } else if (choice < 55) {
            if (mayEdit) {
                done = "auto number";
                editorPane->autoNumber();
            }
        } else if (choice < 59) {
            done = "clear selected slots";
            if (mayEdit) {
                selectProcesses(*editorPane, {randomProcess().name});
                editorPane->clearSelectedSlots();
            }
        } else if (choice < 63) {
            if (QAction* action = probe->action("new"); action->isEnabled()) {
                done = "new";
                action->trigger();
            }
        } else if (choice < 67) {
            if (QAction* action = probe->action("duplicate"); action->isEnabled()) {
                done = "duplicate";
                action->trigger();
            }
        } else if (choice < 71) {
            if (QTreeWidgetItem* row = probe->fileList()->currentItem();
                row && probe->action("rename")->isEnabled()) {
                const QString name = randomName();
                done = "rename " + row->text(0) + " to " + name;
                editor->renameModule(row, 0, name);
            }
        } else if (choice < 74) {
            if (QAction* action = probe->action("delete"); action->isEnabled()) {
                done = "delete";
                action->trigger();
            }
        } else if (choice < 84) {
            done = "apply";
            editor->apply();
        } else if (choice < 88) {
            const bool on = chance(70);
            done = on ? "activate" : "deactivate";
            editor->activate(on);
        } else if (choice < 91) {
            const QString target =
                (randomRow(probe->fileList()) ? randomRow(probe->fileList())->text(0)
                                              : QStringLiteral("NoSuchModule")) +
                ";" +
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
            if (mayEdit) {
                done = "manage templates";
                editorPane->manTemp->click();
            }
        } else {
            done = "wait";
            host->deliverSome(1 + pick(4));
        }
        if (!done.isEmpty()) {
            host->note("user: " + done);
            const QString kind = done.section(' ', 0, 0);
            ++actionCounts[kind == "select" || kind == "clear" || kind == "manage"
                               ? done.section(' ', 0, 1)
                               : kind];
        }
        // Replies that waited arrive between the user's actions.
        if (host && chance(40))
            host->deliverSome(1 + pick(3));
    }

private slots:
    void initTestCase() {
        store = sandbox.filePath("store");
        work = sandbox.filePath("work");
        QVERIFY(copyTree(sampleStore(), store));
        QVERIFY(QDir().mkpath(work));
        QVERIFY(QDir().mkpath(sandbox.filePath("outside")));
        QFile sentinel(sandbox.filePath("outside/keep.txt"));
        QVERIFY(sentinel.open(QIODevice::WriteOnly) && sentinel.write("keep\n") == 5);
    }

    void randomRepliesAndActionsKeepTheInvariants() {
        const int steps = qEnvironmentVariableIsSet("TOLV_CHAOS_STEPS")
                              ? qEnvironmentVariableIntValue("TOLV_CHAOS_STEPS")
                              : 2000;
        const quint32 seed = qEnvironmentVariableIsSet("TOLV_CHAOS_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TOLV_CHAOS_SEED"))
                                 : 20261206u;
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
                return box.result();
            }
            if (chance(50)) {
                box.accept();
                return int(QDialog::Accepted);
            }
            box.reject();
            return int(QDialog::Rejected);
        });

        QElapsedTimer timer;
        timer.start();
        openSession();
        int step = 0;
        for (; step < steps && violation.isEmpty(); ++step) {
            act();
            checkInvariants();
        }
        if (violation.isEmpty())
            closeSession();
        replies += host->replies;
        perturbed += host->perturbed;
        setModalHandler({});
        if (!violation.isEmpty())
            qWarning("%s", qPrintable(violation));
        QVERIFY2(
            violation.isEmpty(),
            qPrintable(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(step).arg(violation)));
        QStringList counts;
        for (const auto& [action, count] : actionCounts)
            counts << QStringLiteral("%1 %2").arg(action).arg(count);
        qInfo("chaos: seed %u, %d steps, %d sessions, %d stores, %d replies (%d perturbed), "
              "%d dialogs, %lld ms",
              seed, step, sessions, storeResets + 1, replies, perturbed, dialogs, timer.elapsed());
        qInfo("chaos actions: %s", qPrintable(counts.join(", ")));
        host.reset();
    }
};

QTEST_MAIN(tst_chaos)
#include "tst_chaos.moc"
