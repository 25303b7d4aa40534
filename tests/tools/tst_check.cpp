// tolv-check: its rules over values, and the program on test stores (the exact
// output on a store with one case of every finding, clean and hostile stores).
#include "common/files.h"
#include "tools/check/findings.h"
#include "tools/check/shared_checks.h"

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run {
    int code = -1;
    QString out, err;
};

Run runCheck(const QStringList& arguments, const QString& folder = TOLV_TEST_DATA) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(TOLV_CHECK_PROGRAM, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Changes the entry at path of the store in root: "fifo", "zero" (a link to /dev/zero), "sparse"
// (a 3 GB hole), "out"/"in" (moved out of or in the store, a link left), "self", "file", "mkdir".
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

// "path:line check" per finding, in report order.
QString brief(const Findings& findings) {
    QStringList lines;
    for (const Finding& finding : findings.sorted())
        lines << finding.path + ':' + QString::number(finding.line) + ' ' + finding.check;
    return lines.join(", ");
}

} // namespace

class tst_check : public QObject {
    Q_OBJECT

private slots:
    void exitCode_data() {
        QTest::addColumn<QStringList>("arguments"); // warned: clean, a process defined twice
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("output"); // its golden file, or its last line
        const auto row = [](const QString& arguments, int code, const QString& output = {}) {
            QTest::newRow(qPrintable(arguments)) << arguments.split('|') << code << output;
        };
        const QString warned = "0 errors, 1 warning in 1 system, 1 module";
        row("--store|broken", 1, "broken.txt");
        row("--store|broken|--format|json", 1, "broken.json");
        row("--store|clean|--werror", 0, "0 errors, 0 warnings in 1 system, 1 module");
        row("--store|" + sampleStore() + "|--werror", 0,
            "0 errors, 0 warnings in 2 systems, 3 modules");
        row("--store|warned", 0, warned);
        row("--store|warned|--werror", 1, warned);
        row("--store|broken|--system|west", 1, "3 errors, 1 warning in 1 system, 1 module");
        for (const char* unusable : {"--store|nowhere", "--store|broken/config", "--werror",
                                     "--store|clean|--system|x", "--store|clean|--format|xml"})
            row(unusable, 2);
    }

    void exitCode() {
        QFETCH(QStringList, arguments);
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
        const auto row = [](const char* name, const char* how, const QString& path,
                            const QString& error) { QTest::newRow(name) << how << path << error; };
        const QString north = "config/alarms/north/", south = "config/alarms/south";
        const QString loop = "cannot read the folder: its links lead round in a loop [unreadable]";
        const QString fifo = "cannot read: not a regular file [unreadable]";
        const QString outside = "not read: it leads out of the store [outside-store]";
        row("fifo ini", "fifo", "config/system/tolv_system.ini", fifo);
        row("fifo shared", "fifo", "config/instances.xml", fifo);
        row("device", "zero", north + "proc_def.cfg", outside);
        row("sparse", "sparse", north + "outputs/al_out_0001.cfg",
            "not read: larger than the limit of 268435456 bytes (3221225472 bytes) [file-size]");
        row("module out", "out", north + "outputs/al_out_0002.cfg", outside);
        row("system out", "out", south, outside);
        row("outputs loop", "self", north + "outputs", loop);
        row("system loop", "self", south, loop);
        row("outputs file", "file", north + "outputs", "not a folder [unreadable]");
        row("line break", "mkdir", "config/alarms/x\ny.cfg:1: error: z",
            "cannot read: No such file or directory [unreadable]");
        row("link inside", "in", north + "outputs/al_out_0001.cfg", QString());
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
            QString("store/" + path).replace('\n', "\\n") + (how == "mkdir" ? "/proc_def.cfg" : "");
        const QStringList lines = run.out.split('\n').mid(0, run.out.count('\n') - 1);
        QCOMPARE(lines,
                 error.isEmpty() ? QStringList() : QStringList(shown + ":0: error: " + error));
        QCOMPARE(run.code, error.isEmpty() ? 0 : 1);
    }

    // A shared file that breaks inside its root: the entries read before the
    // fault are judged, and none is called missing (the rest was not read).
    // The shapes of entries, the slot rules and the checks across modules are in
    // the broken store.
    void sharedFileBrokenInItsRoot() {
        const SharedEntries entries{{"n"}, {"n"}, {}, {{"n_A", "type", "m.cfg", 2}}, {}};
        Findings findings;
        checkSharedFile("config/devicetypes.xml",
                        "<devicetypes>\n<type id=\"n_Old\" family=\"alarms\"/>\n<a&b/>"
                        "<type id=\"n_A\"/></devicetypes>",
                        entries, findings);
        QCOMPARE(brief(findings), "config/devicetypes.xml:2 unused-device-type, "
                                  "config/devicetypes.xml:3 xml");
    }
};

QTEST_GUILESS_MAIN(tst_check)
#include "tst_check.moc"
