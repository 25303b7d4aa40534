// tolv-check as a program: the exact text and JSON output on a store with one
// case of every finding, clean stores, hostile stores, and the exit codes.
#include "common/files.h"

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

// Changes the entry at path of the store in root: "fifo", "zero" (a link to
// /dev/zero), "sparse" (a 3 GB hole), "out"/"in" (moved out of the store or to
// another place in it, a link left behind), "self" (a link to itself), "file",
// "mkdir".
bool makeHostile(const QString& root, const QString& how, const QString& path) {
    const QString file = root + "/store/" + path;
    const QByteArray at = QFile::encodeName(file);
    const QByteArray away = QFile::encodeName(root + (how == "out" ? "/outside" : "/store/moved"));
    if (how == "sparse" || how == "mkdir")
        return how == "mkdir" ? QDir().mkdir(file) : QFile(file).resize(qint64(3) << 30);
    if (how == "out" || how == "in")
        return ::rename(at, away) == 0 && ::symlink(away, at) == 0;
    QDir(file).removeRecursively();
    QFile::remove(file);
    const QByteArray target =
        how == "zero" ? "/dev/zero" : QFile::encodeName(QFileInfo(file).fileName());
    return how == "fifo"   ? ::mkfifo(at, 0644) == 0
           : how == "file" ? QFile(file).open(QIODevice::WriteOnly)
                           : ::symlink(target, at) == 0;
}

} // namespace

class tst_check : public QObject {
    Q_OBJECT

private slots:
    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments"); // WARNED: a store with one warning
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // its golden file, or its last line
        const QString one = "0 errors, 0 warnings in 1 system, 1 module";
        const QString warned = "0 errors, 1 warning in 1 system, 1 module";
        QTest::newRow("broken") << QStringList{"--store", "broken"} << 1 << "broken.txt";
        QTest::newRow("broken json")
            << QStringList{"--store", "broken", "--format", "json"} << 1 << "broken.json";
        QTest::newRow("clean") << QStringList{"--store", "clean", "--werror"} << 0 << one;
        QTest::newRow("sample store") << QStringList{"--store", sampleStore(), "--werror"} << 0
                                      << "0 errors, 0 warnings in 2 systems, 3 modules";
        QTest::newRow("warnings") << QStringList{"--store", "WARNED"} << 0 << warned;
        QTest::newRow("warnings as errors")
            << QStringList{"--store", "WARNED", "--werror"} << 1 << warned;
        QTest::newRow("one system") << QStringList{"--store", "broken", "--system", "west"} << 1
                                    << "2 errors, 1 warning in 1 system, 1 module";
        QTest::newRow("no such store") << QStringList{"--store", "nowhere"} << 2 << QString();
        QTest::newRow("not a store") << QStringList{"--store", "broken/config"} << 2 << QString();
        QTest::newRow("no such system")
            << QStringList{"--store", "clean", "--system", "x"} << 2 << QString();
        QTest::newRow("unknown format")
            << QStringList{"--store", "clean", "--format", "xml"} << 2 << QString();
        QTest::newRow("no store given") << QStringList{"--werror"} << 2 << QString();
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
        QFETCH(QString, output);
        if (output.startsWith("broken."))
            QVERIFY(matchesGolden(run.out.toUtf8(), output));
        else
            QCOMPARE(run.out.section('\n', -2, -2), output);
        QCOMPARE(run.err.isEmpty(), run.code != 2); // the reason goes to the error output
    }

    // A store may hold anything: nothing blocks the checker, leads it out of the
    // store or makes it claim more than it read.
    void hostileStore_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("error"); // the only finding; none: the store is clean
        const QString north = "config/alarms/north/";
        const QString loop = "cannot read the folder: its links lead round in a loop [unreadable]";
        const QString fifo = "cannot read: not a regular file [unreadable]";
        const QString outside = "not read: it leads out of the store [outside-store]";
        QTest::newRow("fifo ini") << "fifo"
                                  << "config/system/tolv_system.ini" << fifo;
        QTest::newRow("fifo shared") << "fifo"
                                     << "config/instances.xml" << fifo;
        QTest::newRow("device") << "zero" << north + "proc_def.cfg" << outside;
        QTest::newRow("sparse") << "sparse" << north + "outputs/al_out_0001.cfg"
                                << "not read: larger than the limit of 268435456 bytes "
                                   "(3221225472 bytes) [file-size]";
        QTest::newRow("module out") << "out" << north + "outputs/al_out_0002.cfg" << outside;
        QTest::newRow("system out") << "out"
                                    << "config/alarms/south" << outside;
        QTest::newRow("outputs loop") << "self" << north + "outputs" << loop;
        QTest::newRow("system loop") << "self"
                                     << "config/alarms/south" << loop;
        QTest::newRow("outputs file") << "file" << north + "outputs"
                                      << "not a folder [unreadable]";
        QTest::newRow("line break") << "mkdir"
                                    << "config/alarms/x\ny.cfg:1: error: z"
                                    << "cannot read: No such file or directory [unreadable]";
        QTest::newRow("link inside") << "in" << north + "outputs/al_out_0001.cfg" << QString();
    }

    void hostileStore() {
        QFETCH(QString, how);
        QFETCH(QString, path);
        QFETCH(QString, error);
        QTemporaryDir root;
        QVERIFY(copyTree(sampleStore(), root.filePath("store")));
        QVERIFY(makeHostile(root.path(), how, path));
        const Run run = runCheck({"--store", "./store"}, root.path());
        const QString shown =
            "store/" + QString(path).replace('\n', "\\n") + (how == "mkdir" ? "/proc_def.cfg" : "");
        const QStringList lines = run.out.split('\n').mid(0, run.out.count('\n') - 1);
        QCOMPARE(lines,
                 error.isEmpty() ? QStringList() : QStringList(shown + ":0: error: " + error));
        QCOMPARE(run.code, error.isEmpty() ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(tst_check)
#include "tst_check.moc"
