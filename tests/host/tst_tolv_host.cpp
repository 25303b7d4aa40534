// Whole runs of the tolv-host program on copies of the sample store, without a
// display: its command line, screenshot runs that must end although boxes
// appear, and signals that end a run, also while a box waits.
#include "common/files.h"
#include "host/store_host.h"

#include <csignal>
#include <unistd.h>

const QString northOutputs = QStringLiteral("config/alarms/north/outputs");
const QString instancesFile = QStringLiteral("config/instances.xml");

// tolv-host as a child process with no display and its temporary folders in one
// of ours, killed by QProcess if still running at the end. platform: QT_QPA_PLATFORM.
struct HostRun {
    explicit HostRun(const QStringList& arguments, const QString& platform = QString()) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
            environment.remove(name);
        if (!platform.isEmpty())
            environment.insert("QT_QPA_PLATFORM", platform);
        environment.insert("TMPDIR", temporary.path());
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(TOLV_HOST_PATH, arguments);
    }
    bool ends(int msecs = 60000) { return process.waitForFinished(msecs); }
    QString output() { return QString::fromLocal8Bit(process.readAll()); }
    // Processor time used so far, in clock ticks (utime + stime).
    qint64 cpuTicks() const {
        const QByteArray text = readAll(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.value(11).toLongLong() + fields.value(12).toLongLong();
    }
    QTemporaryDir temporary;
    QProcess process;
};

class tst_tolv_host : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> storeDir, scratch;
    QString store;

    // "rm PATH": the store file taken away; "lock PATH": held by the other owner.
    void obstruct(StoreHost& other, const QString& obstacle) {
        const QString path = obstacle.section(' ', 1);
        if (obstacle.startsWith("rm "))
            QVERIFY(QFile::remove(store + '/' + path));
        else if (obstacle.startsWith("lock "))
            other.execute("lock", path);
    }

private slots:
    void init() {
        storeDir = std::make_unique<QTemporaryDir>();
        scratch = std::make_unique<QTemporaryDir>();
        store = storeDir->path();
        QVERIFY(copyTree(sampleStore(), store));
    }

    void runEndsAsAsked_data() {
        QTest::addColumn<bool>("early"); // ends before the toolkit starts: needs no display
        QTest::addColumn<QStringList>("arguments"); // given as "a|b"; STORE, SCRATCH: the folders
        QTest::addColumn<QString>("obstacle");      // see obstruct()
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("boxes"); // the captions of the dialogs dismissed
        const auto row = [](const QString& name, bool early, const QString& arguments, int exitCode,
                            const QString& shown, const QString& obstacle = "",
                            const QStringList& boxes = {}) {
            QTest::newRow(qPrintable(name))
                << early << (arguments.isEmpty() ? QStringList() : arguments.split('|')) << obstacle
                << exitCode << shown << boxes;
        };
        row("--help", true, "--help", 0, "Configuration store folder (required).");
        row("--version", true, "--version", 0, "tolv-host 0.");
        row("no --store", true, "", 1, "--store DIR is required");
        row("no such system", true, "--store|STORE|--system|x", 1, "no alarm system x");
        row("--navigate, no --system", true, "--store|STORE|--navigate|Pumps", 1,
            "--navigate needs --system");
        row("not a store", true, "--store|STORE/config", 1,
            "STORE/config is not a configuration store");
        row("a file", true, "--store|STORE/" + instancesFile, 1, "is a file, not a store folder");
        row("empty owner", true, "--store|STORE|--owner|", 1, "--owner needs a name");
        row("owner in use", false, "--store|STORE|--owner|other", 1, "already used");
        row("no such plug-in", true, "--store|STORE|--plugin|STORE/x.so", 1,
            "--plugin STORE/x.so: no such file");
        // Qt would take --plugin for its own -plugin.
        for (const char* plugin : {"--plugin|", "--plugin="})
            row(QString(plugin).replace('|', ' ') + "PATH", false,
                "--store|STORE|" + QString(plugin) + "STORE/" + instancesFile, 1,
                "Cannot load STORE/" + instancesFile);
        row("unknown argument", false, "--store|STORE|--bogus", 1, "unknown argument --bogus");
        // Screenshot runs end although boxes appear.
        const QString pumps = "|--system|north|--navigate|Pumps";
        for (const QString mode : {"immediate", "queued"}) {
            const auto run = [&](const char* name, const QString& arguments,
                                 const QString& obstacle, const QStringList& boxes) {
                row(mode + ": " + name, false,
                    "--store|STORE|--reply-mode|" + mode + "|--screenshot|SCRATCH/shot.png" +
                        arguments,
                    0, "tolv-host: no display; running on the offscreen platform", obstacle, boxes);
            };
            run("navigate to a missing module", "|--system|north|--navigate|Nothing", "", {"File"});
            run("no system ini", "", "rm config/system/tolv_system.ini", {"Error"});
            run("missing shared file", "", "rm " + instancesFile, {"Error"});
            run("second owner: five refused locks, one box", pumps, "lock config", {"Read only"});
            run("the template manager", pumps + "|--click|manTemp", "", {"Manage Templates"});
            run("--verbose", "|--verbose", "", {});
        }
    }
    void runEndsAsAsked() {
        QFETCH(bool, early);
        QFETCH(QStringList, arguments);
        QFETCH(QString, obstacle);
        QFETCH(int, exitCode);
        QFETCH(QString, shown);
        QFETCH(QStringList, boxes);
        StoreHost other(store, scratch->path(), "other");
        obstruct(other, obstacle);
        arguments.replaceInStrings("STORE", store).replaceInStrings("SCRATCH", scratch->path());
        const auto before = treeSnapshot(store);
        HostRun run(arguments, early ? "xcb" : ""); // xcb without a display would abort
        QVERIFY2(run.ends(), "tolv-host did not end");
        const QString output = run.output();
        QVERIFY2(run.process.exitCode() == exitCode, qPrintable(output));
        QVERIFY2(output.contains(shown.replace("STORE", store)), qPrintable(output));
        QCOMPARE(output.contains("activate."), arguments.contains("--verbose"));
        QStringList dismissed;
        for (const auto& match :
             QRegularExpression("tolv-host: dismissed \"([^\"]*)\"").globalMatch(output))
            dismissed << match.captured(1);
        QCOMPARE(dismissed, boxes);
        QVERIFY(exitCode != 0 || early || QImage(scratch->filePath("shot.png")).width() > 0);
        QCOMPARE(treeSnapshot(store), before);
        QCOMPARE(QDir(store + "/.locks").entryList(QDir::Files).size(),
                 obstacle.startsWith("lock") ? 1 : 0);
    }

    void signalReleasesTheLocks_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("obstacle"); // see obstruct(); any obstacle keeps a box open
        QTest::addColumn<QString>("heldPath"); // what the run holds when the signal comes
        QTest::addColumn<QString>("mode");
        QTest::newRow("SIGTERM") << int(SIGTERM) << "" << northOutputs << "queued";
        QTest::newRow("SIGINT") << int(SIGINT) << "" << northOutputs << "queued";
        // The refused lock's box opens while the other replies are still queued.
        QTest::newRow("SIGTERM, box open")
            << int(SIGTERM) << "lock config/devicetypes.xml" << instancesFile << "queued";
        // Answered at once, the box opens while the entry opens, before the main loop.
        QTest::newRow("SIGTERM, box open at the start")
            << int(SIGTERM) << "rm config/system/tolv_system.ini" << instancesFile << "immediate";
    }
    void signalReleasesTheLocks() {
        QFETCH(int, signal);
        QFETCH(QString, obstacle);
        QFETCH(QString, heldPath);
        QFETCH(QString, mode);
        StoreHost other(store, store, "other");
        obstruct(other, obstacle);
        HostRun run({"--store", store, "--system", "north", "--reply-mode", mode});
        const QString owner = qEnvironmentVariable("USER", "user") + '@' +
                              QSysInfo::machineHostName() + ':' +
                              QString::number(run.process.processId());
        QTRY_COMPARE_WITH_TIMEOUT(other.lockHolder(heldPath), owner, 30000);
        if (!obstacle.isEmpty()) {
            QTest::qWait(2000); // past the start, also on a busy machine
            const qint64 start = run.cpuTicks();
            QTest::qWait(3000); // a loop that polls while the box waits would use all of it
            const qint64 used = run.cpuTicks() - start;
            QVERIFY2(start > 0 && used < ::sysconf(_SC_CLK_TCK) / 2,
                     qPrintable(QString::number(used)));
        }
        QVERIFY(::kill(pid_t(run.process.processId()), signal) == 0);
        QVERIFY(run.ends(30000));
        QCOMPARE(run.process.exitCode(), 128 + signal);
        QCOMPARE(QDir(store + "/.locks").entryList(QDir::Files).size(),
                 obstacle.startsWith("lock") ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(tst_tolv_host)
#include "tst_tolv_host.moc"
