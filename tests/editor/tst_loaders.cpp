// The loader that asks the host for a shared document's file.
#include "editor/loaders.h"
#include "plugin/plugin_interfaces.h"

#include <QTest>

class tst_loaders : public QObject {
    Q_OBJECT
private slots:
    void asksForTheFileUntilLoaded() {
        struct : FileLoad {
            using FileLoad::FileLoad;
            bool load(const QString&) override { return false; }
        } loader{"config/system/tolv_system.ini"};
        QVERIFY(loader.isFile("CONFIG/System/Tolv_System.INI") &&
                !loader.isFile("system/tolv_system.ini"));
        struct : ISendCommand {
            void sendCommand(const QString& w, const QString& f) override { sent << w + ' ' + f; }
            QStringList sent;
        } host;
        loader.requestDownload(&host);
        loader.requestDownload(&host); // asks again while not loaded
        loader.setLoaded(true);
        loader.requestDownload(&host);
        QCOMPARE(host.sent, QStringList(2, "downloadFile config/system/tolv_system.ini"));
    }
};

QTEST_GUILESS_MAIN(tst_loaders)
#include "tst_loaders.moc"
