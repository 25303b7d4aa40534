// A rename and Apply cut off before each change of the store (the session
// ends there, as a killed one would), then a second session that edits and
// applies: nothing may be lost and the store is whole again.
#include "common/template_fixture.h"

#include <QtWidgets>

namespace {

// One session on the store: the module of al_out_0001.cfg renamed (first) or a slot edited
// (second), then Apply and close.
void session(const QString& store, bool rename) {
    Hosted s({}, store, rename ? "first" : "second");
    if (!s.probe.currentModule())
        return;
    if (rename) {
        s.renameTo("Pumps2");
    } else {
        setSlot(*s.probe.processEditor(), "PS_UPS_FAULT", "103");
        s.editor.markDirty();
    }
    qputenv("TOLV_CUT_ARMED", "1");
    s.editor.apply();
    QCloseEvent close;
    QCoreApplication::sendEvent(&s.editor, &close);
}

} // namespace

class tst_cut_apply : public QObject {
    Q_OBJECT
    ScopedSettings settings;

private slots:
    void applyCutOffAnywhereLosesNothing() {
        bool cut = true;
        for (int point = 1; cut; ++point) {
            QTemporaryDir store, first;
            QVERIFY(copyTree(sampleStore(), store.path()));
            QProcess run;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("LD_PRELOAD", TOLV_CUT_LIBRARY);
            // AddressSanitizer wants its runtime loaded first; here the cut library must be.
            environment.insert("ASAN_OPTIONS",
                               environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
            environment.insert("TOLV_CUT_STORE", store.path());
            environment.insert("TOLV_CUT_AT", QString::number(point));
            environment.insert("TMPDIR", first.path()); // its working copy, removed here
            run.setProcessEnvironment(environment);
            run.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(run.waitForFinished(30000));
            cut = run.exitCode() == 77;
            QVERIFY2(cut || run.exitCode() == 0, qPrintable(run.readAllStandardError().right(500)));

            session(store.path(), false);
            const QByteArray module = readAll(store.filePath(outputs + "/al_out_0001.cfg"));
            const QString at = QString("cut before change %1: ").arg(point);
            QVERIFY2(module.contains("PS_UPS_FAULT=103\r\n"), qPrintable(at + module));
            QVERIFY2(module.contains("[Templates]\r\npump=0,10,'P1'\r\n[Instances]\r\npump=P1,P2,"
                                     "P3,P4,P5,P6,P7,P8,\r\n"),
                     qPrintable(at + module));
            QProcess check;
            check.start(TOLV_CHECK_PROGRAM, {"--store", store.path()});
            QVERIFY(check.waitForFinished(30000));
            QVERIFY2(check.exitCode() == 0, qPrintable(at + check.readAllStandardOutput()));
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("TOLV_CUT_STORE")) { // the session that is cut off
        ScopedSettings settings;
        session(qEnvironmentVariable("TOLV_CUT_STORE"), true);
        return 0;
    }
    tst_cut_apply test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cut_apply.moc"
