// tolv-check as a program: the exact text and JSON output on a store with one
// case of every finding, clean stores, hostile stores, and the exit codes.
#include "common/store_copy.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int code = -1;
    QString out;
    QString err;
};

Run runCheck(const QStringList& arguments, const QString& folder = TOLV_TEST_DATA) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TOLV_CHECK_PROGRAM, arguments);
    Run run;
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString expected(const QString& name) {
    QFile file(QStringLiteral(TOLV_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Changes the entry at path of the store in root: "fifo", "zero" (a link to
// /dev/zero), "sparse" (a 3 GB hole), "out"/"in" (moved out of the store or to
// another place in it, a link left behind), "self" (a link to itself), "file",
// "mkdir".
bool makeHostile(const QString& root, const QString& how, const QString& path) {
    const QString at = root + "/store/" + path;
    const QString name = QFileInfo(at).fileName();
    const QString away = root + (how == "out" ? "/outside_" : "/store/config/moved_") + name;
    const QByteArray target = QFile::encodeName(how == "zero"   ? "/dev/zero"
                                                : how == "self" ? name
                                                                : away);
    if (how == "sparse")
        return QFile(at).resize(qint64(3) << 30);
    if (how == "mkdir")
        return QDir().mkpath(at);
    if (how == "out" || how == "in")
        return QDir().rename(at, away) && ::symlink(target, QFile::encodeName(at)) == 0;
    QDir(at).removeRecursively();
    QFile::remove(at);
    if (how == "file")
        return QFile(at).open(QIODevice::WriteOnly);
    if (how == "fifo")
        return ::mkfifo(QFile::encodeName(at), 0644) == 0;
    return ::symlink(target, QFile::encodeName(at)) == 0;
}

} // namespace

class tst_check : public QObject {
    Q_OBJECT

private slots:
    void brokenStore_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("golden");
        QTest::newRow("text") << "text"
                              << "broken.txt";
        QTest::newRow("json") << "json"
                              << "broken.json";
    }

    void brokenStore() {
        QFETCH(QString, format);
        QFETCH(QString, golden);
        const Run run = runCheck({"--store", "broken", "--format", format});
        QCOMPARE(run.out.split('\n'), expected(golden).split('\n'));
        QCOMPARE(run.err, QString());
        QCOMPARE(run.code, 1);
    }

    void cleanStore_data() {
        QTest::addColumn<QString>("store");
        QTest::addColumn<QString>("summary");
        QTest::newRow("test store") << TOLV_TEST_DATA "/clean"
                                    << "0 errors, 0 warnings in 1 system, 1 module\n";
        QTest::newRow("sample store")
            << sampleStore() << "0 errors, 0 warnings in 2 systems, 3 modules\n";
    }

    void cleanStore() {
        QFETCH(QString, store);
        const Run run = runCheck({"--store", store, "--werror"});
        QTEST(run.out, "summary");
        QCOMPARE(run.code, 0);
    }

    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments"); // WARNED: a store with warnings only
        QTest::addColumn<int>("code");
        QTest::newRow("warnings") << QStringList{"--store", "WARNED"} << 0;
        QTest::newRow("warnings as errors") << QStringList{"--store", "WARNED", "--werror"} << 1;
        QTest::newRow("no such store") << QStringList{"--store", "nowhere"} << 2;
        QTest::newRow("not a store") << QStringList{"--store", "broken/config"} << 2;
        QTest::newRow("no such system") << QStringList{"--store", "clean", "--system", "x"} << 2;
        QTest::newRow("unknown format") << QStringList{"--store", "clean", "--format", "xml"} << 2;
        QTest::newRow("no store given") << QStringList{"--werror"} << 2;
    }

    void exitCode() {
        QFETCH(QStringList, arguments);
        QTemporaryDir warned; // the clean store with a process defined twice
        QVERIFY(copyTree(TOLV_TEST_DATA "/clean", warned.path()));
        QFile definitions(warned.filePath("config/alarms/plant/proc_def.cfg"));
        QVERIFY(definitions.open(QIODevice::Append) && definitions.write("[X1]\r\n") > 0);
        definitions.close();
        arguments.replaceInStrings("WARNED", warned.path());
        const Run run = runCheck(arguments);
        QTEST(run.code, "code");
        QCOMPARE(run.err.isEmpty(), run.code != 2); // the reason goes to the error output
    }

    // A store may hold anything: nothing blocks the checker, leads it out of the
    // store or makes it claim more than it read.
    void hostileStore_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("finding"); // the only one; none: the store is clean
        const QString north = "config/alarms/north/";
        const QString loop = "cannot read the folder: its links lead round in a loop [unreadable]";
        QTest::newRow("fifo ini") << "fifo"
                                  << "config/system/tolv_system.ini"
                                  << "error: cannot read: not a regular file [unreadable]";
        QTest::newRow("fifo shared") << "fifo"
                                     << "config/instances.xml"
                                     << "error: cannot read: not a regular file [unreadable]";
        QTest::newRow("device") << "zero" << north + "proc_def.cfg"
                                << "error: not read: it leads out of the store [outside-store]";
        QTest::newRow("sparse") << "sparse" << north + "outputs/al_out_0001.cfg"
                                << "error: not read: larger than the limit of 268435456 bytes "
                                   "(3221225472 bytes) [file-size]";
        QTest::newRow("module out") << "out" << north + "outputs/al_out_0002.cfg"
                                    << "error: not read: it leads out of the store [outside-store]";
        QTest::newRow("system out") << "out"
                                    << "config/alarms/south"
                                    << "error: not read: it leads out of the store [outside-store]";
        QTest::newRow("outputs loop") << "self" << north + "outputs"
                                      << "error: " + loop;
        QTest::newRow("system loop") << "self"
                                     << "config/alarms/south"
                                     << "error: " + loop;
        QTest::newRow("outputs file") << "file" << north + "outputs"
                                      << "error: not a folder [unreadable]";
        QTest::newRow("line break") << "mkdir"
                                    << "config/alarms/x\ny.cfg:1: error: z"
                                    << "error: cannot read: No such file or directory [unreadable]";
        QTest::newRow("link inside") << "in" << north + "outputs/al_out_0001.cfg" << QString();
    }

    void hostileStore() {
        QFETCH(QString, how);
        QFETCH(QString, path);
        QFETCH(QString, finding);
        QTemporaryDir root;
        QVERIFY(copyTree(sampleStore(), root.filePath("store")));
        QVERIFY(makeHostile(root.path(), how, path));
        const Run run = runCheck({"--store", "store"}, root.path());
        const QString shown =
            "store/" + QString(path).replace('\n', "\\n") + (how == "mkdir" ? "/proc_def.cfg" : "");
        const QStringList lines = run.out.split('\n').mid(0, run.out.count('\n') - 1);
        QCOMPARE(lines, finding.isEmpty() ? QStringList() : QStringList(shown + ":0: " + finding));
        QCOMPARE(run.code, finding.isEmpty() ? 0 : 1);
    }

    void systemOptionLimitsTheCheck() {
        const Run run = runCheck({"--store", "broken", "--system", "west"});
        QVERIFY2(!run.out.contains("east"), qPrintable(run.out));
        QVERIFY(run.out.contains("broken/config/alarms/west/proc_def.cfg:0: error:"));
        QVERIFY(run.out.endsWith(" in 1 system, 1 module\n"));
    }
};

QTEST_GUILESS_MAIN(tst_check)
#include "tst_check.moc"
