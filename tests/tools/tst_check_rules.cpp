// The rules of the store checker over plain values: slots within a module, the
// checks across modules, the entries of the shared files.
#include "tools/check/cross_checks.h"
#include "tools/check/findings.h"
#include "tools/check/module_checks.h"
#include "tools/check/shared_checks.h"

#include <QTest>

namespace {

// "path:line: check" per finding, in report order.
QStringList brief(const Findings& findings) {
    QStringList lines;
    for (const Finding& finding : findings.sorted())
        lines << finding.path + ':' + QString::number(finding.line) + ": " + finding.check;
    return lines;
}

// "system/Name@driver slot:line ..." (driver -1: none).
ModuleSlots module(const QString& text) {
    const QStringList parts = text.split(' ', Qt::SkipEmptyParts);
    ModuleSlots result;
    const QString head = parts.first();
    result.system = head.section('/', 0, 0);
    result.name = head.section('/', 1).section('@', 0, 0);
    result.driver = head.section('@', 1).toInt();
    result.storePath = result.system + '_' + result.name + ".cfg";
    result.nameLine = 2;
    for (const QString& use : parts.mid(1))
        result.slotUses.append({use.section(':', 0, 0).toInt(), use.section(':', 1).toInt(), "P"});
    return result;
}

} // namespace

class tst_check_rules : public QObject {
    Q_OBJECT

private slots:
    void acrossModules_data() {
        QTest::addColumn<QStringList>("modules");
        QTest::addColumn<QStringList>("findings");
        QTest::newRow("one driver, other slots")
            << QStringList{"n/A@12 1:10 2:11", "n/B@12 3:10"} << QStringList{};
        QTest::newRow("one slot on one driver, across systems")
            << QStringList{"n/A@12 1:10 2:11", "s/B@12 7:10 2:11"}
            << QStringList{"s_B.cfg:11: slot-overlap"};
        QTest::newRow("other drivers, no driver")
            << QStringList{"n/A@12 1:10", "n/B@13 1:10", "n/C@-1 1:10"} << QStringList{};
        QTest::newRow("a third module is reported once, a slot twice in one module not at all")
            << QStringList{"n/A@5 4:10 4:11", "n/B@5 4:20", "n/C@5 4:30 4:31"}
            << QStringList{"n_B.cfg:20: slot-overlap", "n_C.cfg:30: slot-overlap"};
        QTest::newRow("one name in one system, not across systems")
            << QStringList{"n/A@1", "s/A@2", "n/A@3"}
            << QStringList{"n_A.cfg:2: duplicate-module-name"};
    }

    void acrossModules() {
        QFETCH(QStringList, modules);
        QVector<ModuleSlots> values;
        for (const QString& text : modules)
            values.append(module(text));
        Findings findings;
        checkAcrossModules(values, findings);
        QTEST(brief(findings), "findings");
    }

    void moduleSlots_data() {
        QTest::addColumn<QStringList>("entries"); // process=slot, lines from 10
        QTest::addColumn<QStringList>("claimed"); // template rows
        QTest::addColumn<QStringList>("findings");
        QTest::newRow("valid, and empty or letters or out of range")
            << QStringList{"A=1", "B=", "C=x1", "D=0", "E=4097", "F= 4096 "} << QStringList{}
            << QStringList{"m.cfg:11: slot-not-number", "m.cfg:12: slot-not-number",
                           "m.cfg:13: slot-range", "m.cfg:14: slot-range"};
        QTest::newRow("duplicates at the later lines, read as numbers")
            << QStringList{"A=7", "B=007", "C=7"} << QStringList{}
            << QStringList{"m.cfg:11: duplicate-slot", "m.cfg:12: duplicate-slot"};
        QTest::newRow("template and manual row share a slot, two template rows too")
            << QStringList{"T1=3", "M=3", "T2=5", "T3=5"} << QStringList{"T1", "T2", "T3"}
            << QStringList{"m.cfg:11: template-collision", "m.cfg:13: duplicate-slot"};
        QTest::newRow("undefined process: reported, takes no slot")
            << QStringList{"A=2", "X=2", "Y=zz"} << QStringList{}
            << QStringList{"m.cfg:11: unknown-process", "m.cfg:12: slot-not-number",
                           "m.cfg:12: unknown-process"};
    }

    void moduleSlots() {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, claimed);
        const QHash<QString, int> processes{{"A", 1}, {"B", 2}, {"C", 3},  {"D", 4},  {"E", 5},
                                            {"F", 6}, {"M", 7}, {"T1", 8}, {"T2", 9}, {"T3", 9}};
        SlotCheckInput input{"m.cfg", 4096, "north", &processes, {}};
        for (const QString& name : claimed)
            input.claims.insert(name, {"pump", "P1"});
        QVector<ProcessEntry> values;
        for (const QString& entry : entries)
            values.append(
                {entry.section('=', 0, 0), entry.section('=', 1), 10 + int(values.size())});
        Findings findings;
        ModuleSlots used;
        checkModuleSlots(input, values, findings, used);
        QTEST(brief(findings), "findings");
    }

    // Read as the editor reads them before an edit: module n_A needs type n_A and
    // instance n_A; n_Old is system n's and no module's.
    void sharedFile_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("findings");
        const QString types = "config/devicetypes.xml", instances = "config/instances.xml";
        QTest::newRow("start tags over lines, quotes, tab, reference")
            << types
            << QByteArray("<devicetypes>\n<type\n id='n_Old' family='alarms'/>\n<type\t"
                          "family=\"alarms\"\r\n  id=\"n_&#65;\"/>\n</devicetypes>")
            << QStringList{"config/devicetypes.xml:2: unused-device-type"};
        QTest::newRow("a comment or CDATA is no entry")
            << types
            << QByteArray(
                   "<devicetypes><!-- <type id=\"n_A\"/> --><x><![CDATA[<type id=\"n_A\"/>]]>"
                   "</x><y><type id=\"n_A\"/></y></devicetypes>")
            << QStringList{"m.cfg:2: missing-entry"};
        QTest::newRow("instances by their type, CR line ends")
            << instances
            << QByteArray(
                   "<instances>\r<instance type=\"n_A\" id=\"n_A\"/>\r<instance type='n_Old' "
                   "id='n_Old_1'/><instance type='fire' id='f'/>\r</instances>")
            << QStringList{"config/instances.xml:3: unused-instance"};
        QTest::newRow("broken in the root: what was read is judged, nothing is missing")
            << types << QByteArray("<devicetypes>\n<type id=\"n_Old\" family=\"alarms\"/>\n<a&b/>")
            << QStringList{"config/devicetypes.xml:2: unused-device-type",
                           "config/devicetypes.xml:3: xml"};
        QTest::newRow("another root") << instances << QByteArray("<devicetypes/>")
                                      << QStringList{"config/instances.xml:1: xml"};
    }

    void sharedFile() {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        const SharedEntries entries{
            {"n", "m"}, {"n"}, {}, {{"n_A", "type", "m.cfg", 2}}, {{"n_A", "base", "m.cfg", 2}}};
        Findings findings;
        checkSharedFile(file, content, entries, findings);
        QTEST(brief(findings), "findings");
    }
};

QTEST_GUILESS_MAIN(tst_check_rules)
#include "tst_check_rules.moc"
