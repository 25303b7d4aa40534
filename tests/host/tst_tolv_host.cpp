// Whole runs of the tolv-host program on copies of the sample store: runs that
// must end although boxes appear, options that Qt would take, signals that end a
// run, and the processor left alone while a box waits.
#include "common/store_copy.h"
#include "common/tree_snapshot.h"
#include "host/store_host.h"

#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <unistd.h>

const QString northOutputs = QStringLiteral("config/alarms/north/outputs");
const QString typesFile = QStringLiteral("config/devicetypes.xml");
const QString instancesFile = QStringLiteral("config/instances.xml");

// tolv-host as a child process, stopped if still running at the end.
struct HostRun {
    explicit HostRun(const QStringList& arguments) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LOGGING_RULES", "*.debug=false");
        process.setProcessEnvironment(environment);
        process.start(TOLV_HOST_PATH, arguments);
    }
    ~HostRun() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    // Whether it ended by itself within the time.
    bool ends(int msecs = 60000) { return process.waitForFinished(msecs); }
    QString errors() { return QString::fromLocal8Bit(process.readAllStandardError()); }
    // Processor time used so far, in clock ticks.
    qint64 cpuTicks() const {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        if (!stat.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // utime, stime
    }
    QProcess process;
};

class tst_tolv_host : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> storeDir;
    QString store;

    QStringList lockFiles() const {
        return QDir(store + '/' + StoreHost::lockFolder).entryList(QDir::Files);
    }

private slots:
    void init() {
        storeDir = std::make_unique<QTemporaryDir>();
        store = storeDir->path();
        QVERIFY(copyTree(sampleStore(), store));
    }

    void screenshotRunEndsWhileBoxesAppear_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("removed");   // a store file taken away first
        QTest::addColumn<QString>("otherLock"); // a store path another owner holds
        for (const QString mode : {"immediate", "queued"}) {
            const auto row = [&mode](const char* name) -> QTestData& {
                return QTest::addRow("%s: %s", qPrintable(mode), name) << mode;
            };
            row("navigate to a missing module")
                << QStringList{"--system", "north", "--navigate", "NoSuchModule"} << ""
                << "";
            row("no system ini") << QStringList() << "config/system/tolv_system.ini"
                                 << "";
            row("missing shared file") << QStringList() << instancesFile << "";
            row("second owner") << QStringList{"--system", "north"} << "" << northOutputs;
        }
    }
    void screenshotRunEndsWhileBoxesAppear() {
        QFETCH(QString, mode);
        QFETCH(QStringList, arguments);
        QFETCH(QString, removed);
        QFETCH(QString, otherLock);
        if (!removed.isEmpty())
            QVERIFY(QFile::remove(store + '/' + removed));
        QTemporaryDir work;
        StoreHost other(store, work.path(), "other");
        if (!otherLock.isEmpty())
            QVERIFY(QMetaObject::invokeMethod(&other, "execute", Q_ARG(QString, "lock"),
                                              Q_ARG(QString, otherLock)));
        const auto before = treeSnapshot(store);
        const QString shot = work.filePath("shot.png");
        HostRun run(QStringList{"--store", store, "--reply-mode", mode, "--screenshot", shot} +
                    arguments);
        QVERIFY2(run.ends(), "tolv-host did not end");
        const QString errors = run.errors();
        QVERIFY2(run.process.exitStatus() == QProcess::NormalExit && run.process.exitCode() == 0,
                 qPrintable(errors));
        QVERIFY2(errors.contains("tolv-host: dismissed"), qPrintable(errors));
        QVERIFY(QImage(shot).width() > 0);
        QCOMPARE(treeSnapshot(store), before);
        QCOMPARE(lockFiles().size(), otherLock.isEmpty() ? 0 : 1);
    }

    void pluginOptionIsNotTakenByQt_data() {
        QTest::addColumn<bool>("joined"); // --plugin=PATH, else --plugin PATH
        QTest::newRow("--plugin PATH") << false;
        QTest::newRow("--plugin=PATH") << true;
    }
    void pluginOptionIsNotTakenByQt() {
        QFETCH(bool, joined);
        const QString notALibrary = store + '/' + instancesFile;
        HostRun run(QStringList{"--store", store} + (joined
                                                         ? QStringList{"--plugin=" + notALibrary}
                                                         : QStringList{"--plugin", notALibrary}));
        QVERIFY(run.ends());
        QCOMPARE(run.process.exitCode(), 1);
        QVERIFY(run.errors().contains("tolv-host: Cannot load " + notALibrary));
    }

    void ownerWithoutNameIsRefused_data() {
        QTest::addColumn<QString>("owner");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "  ";
    }
    void ownerWithoutNameIsRefused() {
        QFETCH(QString, owner);
        HostRun run({"--store", store, "--owner", owner});
        QVERIFY(run.ends());
        QCOMPARE(run.process.exitCode(), 1);
        QVERIFY(run.errors().contains("--owner needs a name"));
        QCOMPARE(lockFiles(), QStringList());
    }

    void defaultOwnerNamesTheProcess() {
        StoreHost probe(store, store, "probe");
        HostRun run({"--store", store, "--system", "north"});
        QTRY_VERIFY_WITH_TIMEOUT(!probe.lockHolder(northOutputs).isEmpty(), 30000);
        QCOMPARE(probe.lockHolder(northOutputs),
                 QStringLiteral("%1@%2:%3")
                     .arg(qEnvironmentVariable("USER", "user"), QSysInfo::machineHostName())
                     .arg(run.process.processId()));
    }

    void signalReleasesTheLocks_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("otherLock"); // held by another owner: a box stays open
        QTest::addColumn<QString>("heldPath");  // what the run holds when the signal comes
        QTest::addColumn<QString>("mode");
        QTest::newRow("SIGTERM") << int(SIGTERM) << "" << northOutputs << "queued";
        QTest::newRow("SIGINT") << int(SIGINT) << "" << northOutputs << "queued";
        QTest::newRow("SIGTERM, box open")
            << int(SIGTERM) << typesFile << instancesFile << "queued";
        // Answered at once, the box opens while the entry opens, before the main loop.
        QTest::newRow("SIGTERM, box open at the start")
            << int(SIGTERM) << instancesFile << typesFile << "immediate";
    }
    void signalReleasesTheLocks() {
        QFETCH(int, signal);
        QFETCH(QString, otherLock);
        QFETCH(QString, heldPath);
        QFETCH(QString, mode);
        StoreHost other(store, store, "other");
        if (!otherLock.isEmpty())
            QVERIFY(QMetaObject::invokeMethod(&other, "execute", Q_ARG(QString, "lock"),
                                              Q_ARG(QString, otherLock)));
        HostRun run(
            {"--store", store, "--owner", "runner", "--system", "north", "--reply-mode", mode});
        QTRY_COMPARE_WITH_TIMEOUT(other.lockHolder(heldPath), QString("runner"), 30000);
        QVERIFY(::kill(pid_t(run.process.processId()), signal) == 0);
        QVERIFY(run.ends(30000));
        QCOMPARE(run.process.exitCode(), 128 + signal);
        QCOMPARE(lockFiles().size(), otherLock.isEmpty() ? 0 : 1);
    }

    void boxWithQueuedRepliesLeavesProcessorIdle() {
        // The refused lock's box opens while the other replies are still queued.
        StoreHost other(store, store, "other");
        QVERIFY(QMetaObject::invokeMethod(&other, "execute", Q_ARG(QString, "lock"),
                                          Q_ARG(QString, typesFile)));
        HostRun run(
            {"--store", store, "--owner", "runner", "--system", "north", "--reply-mode", "queued"});
        QTRY_COMPARE_WITH_TIMEOUT(other.lockHolder(instancesFile), QString("runner"), 30000);
        QTest::qWait(2000); // past the start, also on a busy machine
        const qint64 start = run.cpuTicks();
        QTest::qWait(3000); // a polling loop would use all of it
        const qint64 used = run.cpuTicks() - start;
        QVERIFY(start >= 0);
        QVERIFY2(used < ::sysconf(_SC_CLK_TCK) / 2, qPrintable(QString::number(used)));
    }
};

QTEST_GUILESS_MAIN(tst_tolv_host)
#include "tst_tolv_host.moc"
