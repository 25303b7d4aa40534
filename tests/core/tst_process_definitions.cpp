// The process definitions reader: one process per section, in file order.
#include "core/process_definitions.h"

#include <QTest>

class tst_process_definitions : public QObject {
    Q_OBJECT

private slots:
    void headerLines() {
        const QByteArray text = "Group=early\r\n"
                                "[A]\r\n"
                                "Group=G1\r\n"
                                "\r\n"
                                "[]\r\n"
                                "  [B]  \n"
                                "Description=x\n"
                                "[A]";
        const QVector<ProcessDefinition> processes = parseProcessDefinitions(text);
        QCOMPARE(processes.size(), 3);
        QCOMPARE(processes[0].name, QString("A"));
        QCOMPARE(processes[0].group, QString("G1"));
        QCOMPARE(processes[0].line, 2);
        QCOMPARE(processes[1].name, QString("B"));
        QCOMPARE(processes[1].line, 6);
        QCOMPARE(processes[2].name, QString("A"));
        QCOMPARE(processes[2].line, 8);
    }

    void groupsAndEightBitNames() {
        const QByteArray text = "[\x80 P\xa0]\r\n"
                                "Group=a=b\r\n"
                                "[Q]\n"
                                " Group=\x9d g \t\n"
                                "Group =no\n"
                                "group=no\n"
                                "Groups=no\n"
                                "[R]\n"
                                "Group=x\n"
                                "Group";
        const QVector<ProcessDefinition> processes = parseProcessDefinitions(text);
        QCOMPARE(processes.size(), 3);
        QCOMPARE(processes[0].name, QString::fromUtf16(u"\u20ac P\u00a0"));
        QCOMPARE(processes[0].group, QString("a"));
        QCOMPARE(processes[1].group, QString::fromUtf16(u"\u009d g"));
        QCOMPARE(processes[2].group, QString()); // "Group" alone empties it
    }
};

QTEST_GUILESS_MAIN(tst_process_definitions)
#include "tst_process_definitions.moc"
