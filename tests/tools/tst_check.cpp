// tolv-check: its rules over values, and the program on test stores (the exact
// output on a store with one case of every finding, clean and hostile stores).
#include "common/files.h"
#include "tools/check/cross_checks.h"
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
        const QString one = "0 errors, 0 warnings in 1 system, 1 module";
        const QString warned = "0 errors, 1 warning in 1 system, 1 module";
        QTest::newRow("broken") << QStringList{"--store", "broken"} << 1 << "broken.txt";
        QTest::newRow("broken json")
            << QStringList{"--store", "broken", "--format", "json"} << 1 << "broken.json";
        QTest::newRow("clean") << QStringList{"--store", "clean", "--werror"} << 0 << one;
        QTest::newRow("sample store") << QStringList{"--store", sampleStore(), "--werror"} << 0
                                      << "0 errors, 0 warnings in 2 systems, 3 modules";
        QTest::newRow("warnings") << QStringList{"--store", "warned"} << 0 << warned;
        QTest::newRow("warnings as errors")
            << QStringList{"--store", "warned", "--werror"} << 1 << warned;
        QTest::newRow("one system") << QStringList{"--store", "broken", "--system", "west"} << 1
                                    << "2 errors, 1 warning in 1 system, 1 module";
        for (const char* unusable : {"--store nowhere", "--store broken/config", "--werror",
                                     "--store clean --system x", "--store clean --format xml"})
            QTest::newRow(unusable) << QString(unusable).split(' ') << 2 << QString();
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
        const QString north = "config/alarms/north/", south = "config/alarms/south";
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
        QTest::newRow("system out") << "out" << south << outside;
        QTest::newRow("outputs loop") << "self" << north + "outputs" << loop;
        QTest::newRow("system loop") << "self" << south << loop;
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
            QString("store/" + path).replace('\n', "\\n") + (how == "mkdir" ? "/proc_def.cfg" : "");
        const QStringList lines = run.out.split('\n').mid(0, run.out.count('\n') - 1);
        QCOMPARE(lines,
                 error.isEmpty() ? QStringList() : QStringList(shown + ":0: error: " + error));
        QCOMPARE(run.code, error.isEmpty() ? 0 : 1);
    }

    // Modules as "system/Name@driver slot:line ..." (the name at line 2).
    void acrossModules_data() {
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<QString>("findings");
        QTest::newRow("one name in one system; other slots, other or no driver")
            << QStringList{"n/A@12 1:10", "n/B@12 2:10", "n/C@13 1:10",
                           "n/D@-1 1:10", "s/A@14",      "n/A@15"}
            << "n_A.cfg:2 duplicate-module-name";
        QTest::newRow("one slot of a driver: across systems, a third module once, not in one")
            << QStringList{"n/A@5 4:10 4:11", "s/B@5 4:20", "n/C@5 4:30 4:31"}
            << "n_C.cfg:30 slot-overlap, s_B.cfg:20 slot-overlap";
    }

    void acrossModules() {
        QFETCH(QStringList, modules);
        QVector<ModuleSlots> values;
        for (const QString& text : modules) {
            const QStringList parts = text.split(' ');
            ModuleSlots& module = values.emplace_back();
            module.system = parts[0].section('/', 0, 0);
            module.name = parts[0].section('/', 1).section('@', 0, 0);
            module.driver = parts[0].section('@', 1).toInt();
            module.storePath = module.system + '_' + module.name + ".cfg";
            module.nameLine = 2;
            for (const QString& use : parts.mid(1))
                module.slotUses.append(
                    {use.section(':', 0, 0).toInt(), use.section(':', 1).toInt(), "P"});
        }
        Findings findings;
        checkAcrossModules(values, findings);
        QTEST(brief(findings), "findings");
    }

    // A shared file that breaks inside its root: the entries read before the
    // fault are judged, and none is called missing (the rest was not read).
    // The shapes of entries, and the slot rules, are in the broken store.
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
