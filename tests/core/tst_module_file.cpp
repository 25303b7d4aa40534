// The module file's reader and writer and the process definitions' reader, over bytes.
#include "common/files.h"
#include "core/module_file.h"
#include "core/process_definitions.h"

namespace {

// Everything the reader found, as one text.
QString summary(const ModuleFileContent& c) {
    QStringList processes;
    for (auto it = c.processes.begin(); it != c.processes.end(); ++it)
        processes << it.key() + '=' + it.value();
    processes.sort();
    QStringList instances;
    for (auto it = c.instances.begin(); it != c.instances.end(); ++it)
        instances << it.key() + '=' + it.value();
    return QString("name %1|db %2|driver %3|process %4|templates %5|instances %6")
        .arg(c.name ? *c.name : "-")
        .arg(c.dbModule ? (*c.dbModule ? "yes" : "no") : "-")
        .arg(c.driver ? QString::number(*c.driver) : "-")
        .arg(processes.join(','), c.templateLines.join(','), instances.join(','));
}

} // namespace

class tst_module_file : public QObject {
    Q_OBJECT

private slots:
    void writesTheFifteenLineExample() {
        ModuleFileData data;
        data.name = "Boiler house";
        data.configTool = "alm_tolv_output";
        data.systemName = "north";
        data.driver = "12";
        data.withTemplates = true;
        data.templateText = "pump=0,10,'P1'\n";
        data.instanceText = "pump=P1,P2,\n";
        // Rows without a valid slot are left out.
        data.processes = {{"B1_FLAME", ""}, {"P1_RUN", "1"},     {"P1_TRIP", "2"}, {"P2_AUTO", "0"},
                          {"P2_RUN", "11"}, {"P2_FAIL", "4097"}, {"P3_RUN", "x"}};
        QVERIFY(matchesGolden(formatModuleFile(data), "boiler_house.cfg"));
    }

    void readsWhatTheFileSays_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString nothing = "name -|db -|driver -|process |templates |instances ";
        QTest::newRow("the example") << readTestData("boiler_house.cfg")
                                     << "name Boiler house|db no|driver 12|process "
                                        "P1_RUN=1,P1_TRIP=2,P2_RUN=11|templates "
                                        "pump=0,10,'P1'|instances pump=P1,P2,";
        QTest::newRow("later line wins, LF ends")
            << QByteArray("[Process]\nP=1\nP=2\n[TOLV_CONFIG]\nDriver=1\nDriver=2\n")
            << "name -|db -|driver 2|process P=2|templates |instances ";
        QTest::newRow("the name as the module list reads it")
            << QByteArray("[system]\n name = 'a=b' \nName=c\n[System]\nName=d\n")
            << "name a=b|db -|driver -|process |templates |instances ";
        QTest::newRow("split at every =") << QByteArray("[Process]\r\nP=3=4\r\n=5\r\nQ==6\r\n")
                                          << "name -|db -|driver -|process 5=,P=3,Q=6|templates "
                                             "|instances ";
        QTest::newRow("headers match exactly")
            << QByteArray("[system]\nModule=opdb\n[ System ]\nA=b\n[TOLV_CONFIG]x\nDriver=4\n")
            << nothing;
        QTest::newRow("db module, blanks stripped")
            << QByteArray("  [System] \r\n\tModule=alm_tolv_opdb \r\n[TOLV_CONFIG]\nDriver=x\n")
            << "name -|db yes|driver 0|process |templates |instances ";
        QTest::newRow("template lines as they stand")
            << QByteArray("[Templates]\na=1,2,'x=y'\n\n[Instances]\na=P1,\n[Other]\nb=2\n"
                          "[Templates] \nc\n")
            << "name -|db -|driver -|process |templates a=1,2,'x=y',,c|instances a=P1,";
        QTest::newRow("lines before any section") << QByteArray("Name=x\nP=1\n") << nothing;
        // Written by other editors: the mark skipped, CR alone ends a line.
        for (const auto& [tag, end] : {std::pair{"mark, CR", "\r"}, {"mark, LF", "\n"}})
            QTest::newRow(tag) << "\xEF\xBB\xBF[TOLV_CONFIG]" + QByteArray(end) + "Driver=9" + end
                               << "name -|db -|driver 9|process |templates |instances ";
    }
    void readsWhatTheFileSays() {
        QFETCH(QByteArray, bytes);
        QTEST(summary(parseModuleFile(bytes)), "expected");
        QCOMPARE(moduleTemplateLines(bytes), parseModuleFile(bytes).templateLines);
    }

    void recordsTheLineOfEachEntry() {
        const ModuleFileContent content =
            parseModuleFile("[System]\r\nName=a\r\n[TOLV_CONFIG]\r\nDriver=1\r\n[Templates]\r\n"
                            "t=0,1,''\r\n\r\n[Instances]\r\nt=X,\r\n[Process]\r\nP=1\r\nQ=2\r\n"
                            "P=3\n[System]\nName=b");
        const ModuleFileLines& lines = content.lines;
        QCOMPARE(lines.name, 2); // as the profile lookup finds it
        QCOMPARE(lines.driver, 4);
        QCOMPARE(lines.templates, QVector<int>({6, 7}));
        QCOMPARE(lines.instances, (QHash<QString, int>{{"t", 9}}));
        QCOMPARE(lines.processes, (QHash<QString, int>{{"P", 13}, {"Q", 12}}));
        QCOMPARE(parseModuleFile("[System]\nModule=x\n").lines.name, 0);
    }

    void readsTheProcessDefinitions_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // name:group:line, in file order
        QTest::newRow("headers")
            << QByteArray("Group=early\r\n[A]\r\nGroup=G1\r\n\r\n[]\r\n  [B]  \nDescription=x\n[A]")
            << "A:G1:2 B::6 A::8";
        QTest::newRow("groups") << QByteArray("[P]\r\nGroup=a=b\r\n[Q]\n Group=g \t\nGroup =no\n"
                                              "group=no\nGroups=no\n[R]\nGroup=x\nGroup")
                                << "P:a:1 Q:g:3 R::8"; // "Group" alone empties it
        // Written by other editors: the mark skipped, CR alone ends a line.
        QTest::newRow("mark, CR") << QByteArray("\xef\xbb\xbf[A]\rGroup=G\r[B]\r\n[C]")
                                  << "A:G:1 B::3 C::4";
        QTest::newRow("8-bit names") << QByteArray("[\x80 P\xa0]\r\nGroup=\x9d g \t\n")
                                     << QString::fromUtf16(u"\u20ac P\u00a0:\u009d g:1");
    }
    void readsTheProcessDefinitions() {
        QFETCH(QByteArray, text);
        QStringList parts;
        for (const ProcessDefinition& p : parseProcessDefinitions(text))
            parts.append(p.name + ':' + p.group + ':' + QString::number(p.line));
        QTEST(parts.join(' '), "expected");
    }
};

QTEST_GUILESS_MAIN(tst_module_file)
#include "tst_module_file.moc"
