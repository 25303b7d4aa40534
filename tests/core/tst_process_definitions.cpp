// The process definitions reader: one process per section, in file order.
#include "core/process_definitions.h"

#include <QTest>

// "name:group:line" per process, joined by blanks.
static QString summary(const QByteArray& text) {
    QStringList parts;
    for (const ProcessDefinition& p : parseProcessDefinitions(text))
        parts.append(p.name + ':' + p.group + ':' + QString::number(p.line));
    return parts.join(' ');
}

class tst_process_definitions : public QObject {
    Q_OBJECT

private slots:
    void read_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("headers") << QByteArray(
                                        "Group=early\r\n[A]\r\nGroup=G1\r\n\r\n[]\r\n  [B]  \n"
                                        "Description=x\n[A]")
                                 << "A:G1:2 B::6 A::8";
        QTest::newRow("groups") << QByteArray("[P]\r\nGroup=a=b\r\n[Q]\n Group=g \t\nGroup =no\n"
                                              "group=no\nGroups=no\n[R]\nGroup=x\nGroup")
                                << "P:a:1 Q:g:3 R::8"; // "Group" alone empties it
        // Written by other editors: the mark skipped, CR alone ends a line.
        QTest::newRow("mark, CR") << QByteArray("\xef\xbb\xbf[A]\rGroup=G\r[B]\r\n[C]")
                                  << "A:G:1 B::3 C::4";
    }
    void read() {
        QFETCH(QByteArray, text);
        QTEST(summary(text), "expected");
    }

    void eightBitNames() {
        const auto processes = parseProcessDefinitions("[\x80 P\xa0]\r\nGroup=\x9d g \t\n");
        QCOMPARE(processes.value(0).name, QString::fromUtf16(u"\u20ac P\u00a0"));
        QCOMPARE(processes.value(0).group, QString::fromUtf16(u"\u009d g"));
    }
};

QTEST_GUILESS_MAIN(tst_process_definitions)
#include "tst_process_definitions.moc"
