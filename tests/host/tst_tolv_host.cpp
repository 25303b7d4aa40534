// Whole runs of the tolv-host program on copies of the sample store, without a display: its
// command line, screenshot runs that end although boxes appear, and signals that end a run.
#include "common/files.h"
#include "host/store_host.h"

#include <csignal>
#include <unistd.h>

const QString northOutputs = QStringLiteral("config/alarms/north/outputs");
const QString instancesFile = QStringLiteral("config/instances.xml");

class tst_tolv_host : public QObject {
    Q_OBJECT

private slots:
    void runEndsAsAsked_data() {
        QTest::addColumn<bool>("early"); // ends before the toolkit starts: needs no display
        QTest::addColumn<QStringList>("arguments"); // given as "a|b"; STORE, SCRATCH: the folders
        QTest::addColumn<QString>("obstacle"); // "rm PATH": taken away; "lock PATH": held by other
        QTest::addColumn<int>("signal");       // sent once the run holds its locks
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QStringList>("boxes"); // the captions of the dialogs dismissed
        const auto row = [](const QString& name, bool early, const QString& arguments, int exitCode,
                            const QString& shown, const QString& obstacle = "",
                            const QStringList& boxes = {}, int signal = 0) {
            QTest::newRow(qPrintable(name))
                << early << (arguments.isEmpty() ? QStringList() : arguments.split('|')) << obstacle
                << signal << exitCode << shown << boxes;
        };
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
        // A signal ends a run and releases its locks, also while a box waits: a refused
        // lock's box opens while the other replies are still queued; answered at once, a
        // box opens while the entry opens, before the main loop.
        const QString runner = "--store|STORE|--owner|runner|--system|north|--reply-mode|";
        for (const int signal : {SIGTERM, SIGINT})
            row(strsignal(signal), false, runner + "queued", 128 + signal, "", "", {}, signal);
        row("Terminated, box open", false, runner + "queued", 128 + SIGTERM, "",
            "lock config/devicetypes.xml", {}, SIGTERM);
        row("Terminated, box open at the start", false, runner + "immediate", 128 + SIGTERM, "",
            "rm config/system/tolv_system.ini", {}, SIGTERM);
    }
    void runEndsAsAsked() {
        QFETCH(bool, early);
        QFETCH(QStringList, arguments);
        QFETCH(QString, obstacle);
        QFETCH(int, signal);
        QFETCH(QString, shown);
        QTemporaryDir storeDir, scratch, temporary;
        const QString store = storeDir.path();
        QVERIFY(copyTree(sampleStore(), store));
        StoreHost other(store, scratch.path(), "other");
        if (obstacle.startsWith("rm "))
            QVERIFY(QFile::remove(store + '/' + obstacle.mid(3)));
        else if (obstacle.startsWith("lock "))
            other.execute("lock", obstacle.mid(5));
        arguments.replaceInStrings("STORE", store).replaceInStrings("SCRATCH", scratch.path());
        const auto before = treeSnapshot(store);
        // No display, and the run's temporary folders in one of ours.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES"})
            environment.remove(name);
        if (early)
            environment.insert("QT_QPA_PLATFORM", "xcb"); // without a display it would abort
        environment.insert("TMPDIR", temporary.path());
        QProcess run; // killed at the end if it still runs
        run.setProcessEnvironment(environment);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.start(TOLV_HOST_PATH, arguments);
        if (signal) {
            QTRY_COMPARE_WITH_TIMEOUT(
                other.lockHolder(obstacle.isEmpty() ? northOutputs : instancesFile),
                QString("runner"), 30000);
            const auto cpuTicks = [&run] { // processor time used so far (utime + stime)
                const QByteArray stat = readAll(QString("/proc/%1/stat").arg(run.processId()));
                const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
                return fields.value(11).toLongLong() + fields.value(12).toLongLong();
            };
            if (!obstacle.isEmpty()) { // a box is open: the run waits without polling
                QTest::qWait(2000);    // past the start, also on a busy machine
                const qint64 start = cpuTicks();
                QTest::qWait(3000);
                QVERIFY(start > 0 && cpuTicks() - start < ::sysconf(_SC_CLK_TCK) / 2);
            }
            QVERIFY(::kill(pid_t(run.processId()), signal) == 0);
        }
        QVERIFY2(run.waitForFinished(60000), "tolv-host did not end");
        const QString output = QString::fromLocal8Bit(run.readAll());
        QVERIFY2(output.contains(shown.replace("STORE", store)), qPrintable(output));
        QTEST(run.exitCode(), "exitCode");
        QCOMPARE(output.contains("activate."), arguments.contains("--verbose"));
        QStringList dismissed;
        for (const auto& match :
             QRegularExpression("tolv-host: dismissed \"([^\"]*)\"").globalMatch(output))
            dismissed << match.captured(1);
        QTEST(dismissed, "boxes");
        QVERIFY(run.exitCode() != 0 || early || QImage(scratch.filePath("shot.png")).width() > 0);
        QCOMPARE(treeSnapshot(store), before);
        QCOMPARE(QDir(store + "/.locks").entryList(QDir::Files).size(),
                 obstacle.startsWith("lock") ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(tst_tolv_host)
#include "tst_tolv_host.moc"
