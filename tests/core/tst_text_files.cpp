// The 8-bit text mapping and the atomic replacement of files.
#include "common/files.h"
#include "core/atomic_file.h"
#include "core/text_codec.h"

class tst_text_files : public QObject {
    Q_OBJECT

private slots:
    void everyByteSurvivesReadAndWrite() {
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QCOMPARE(toEightBit(fromEightBit(all)), all);
        // Windows characters read as themselves; others cannot be written.
        QCOMPARE(fromEightBit(QByteArray("\x80 \x96 \xfc")), QString::fromUtf8("€ – ü"));
        QCOMPARE(toEightBit(QString::fromUtf8("€–ü")), QByteArray("\x80\x96\xfc"));
        QCOMPARE(toEightBit(QString::fromUtf8("Ω")), QByteArray("?"));
    }

    void replacementIsWholeOrNone() {
        QTemporaryDir dir;
        const QString path = dir.filePath("module.cfg");
        QVERIFY(replaceFileAtomically(path, "old content, longer"));
        QVERIFY(replaceFileAtomically(path, "stored"));
        QCOMPARE(readAll(path), QByteArray("stored"));
        QString error;
        {
            WriteBlocker blocker(dir.path());
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a write here");
            QVERIFY(!replaceFileAtomically(path, QByteArray(100, 'x'), &error));
        }
        QVERIFY(!error.isEmpty());
        QCOMPARE(readAll(path), QByteArray("stored"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"module.cfg"});
    }
};

QTEST_GUILESS_MAIN(tst_text_files)
#include "tst_text_files.moc"
