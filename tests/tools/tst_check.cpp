// tolv-check as a program: the exact text and JSON output on a store with one
// case of every finding, clean stores, and the exit codes.
#include "common/store_copy.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

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

// Compares line by line, so that a failure names the first line that differs.
bool sameLines(const QString& actual, const QString& wanted) {
    const QStringList a = actual.split('\n');
    const QStringList w = wanted.split('\n');
    for (int i = 0; i < std::max(a.size(), w.size()); ++i) {
        const QString got = a.value(i, "<missing>");
        const QString want = w.value(i, "<missing>");
        if (got != want) {
            qWarning("line %d differs:\n   actual: %s\n expected: %s", i + 1, qPrintable(got),
                     qPrintable(want));
            return false;
        }
    }
    return true;
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
        QVERIFY(sameLines(run.out, expected(golden)));
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

    void outputsFolderThatCannotBeListedIsAnErrorNotAnEmptySystem() {
        QTemporaryDir store;
        QVERIFY(copyTree(sampleStore(), store.path()));
        const QString outputs = store.filePath("config/alarms/north/outputs");
        QVERIFY(QDir(outputs).removeRecursively());
        QFile inTheWay(outputs);
        QVERIFY(inTheWay.open(QIODevice::WriteOnly));
        inTheWay.close();
        const Run run = runCheck({"--store", store.path()});
        QVERIFY2(
            run.out.contains("config/alarms/north/outputs:0: error: not a folder [unreadable]"),
            qPrintable(run.out));
        // Its modules' entries in the shared files are not reported as left over.
        QVERIFY2(!run.out.contains(": warning:"), qPrintable(run.out));
        QCOMPARE(run.code, 1);
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
