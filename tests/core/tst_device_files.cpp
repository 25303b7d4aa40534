// Templates in the module file, device description files and the line rewrites
// of the two shared files.
#include "common/golden.h"
#include "core/device_description.h"
#include "core/device_template.h"
#include "core/shared_files.h"
#include "core/text_codec.h"

#include <QDomDocument>
#include <QDomElement>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

namespace {

std::unique_ptr<devTemplate> makeTemplate(const QString& name, int baseSlot, int offset,
                                          const QStringList& instances) {
    auto entry = std::make_unique<devTemplate>(name);
    entry->baseSlot = baseSlot;
    entry->offset = offset;
    entry->instances = instances;
    return entry;
}

// The templates of module "Boiler house" in system "north" used by the golden files.
TemplateList boilerHouse() {
    TemplateList list;
    list.insert(makeTemplate("pump", 10, 20, {"P1", "P2", "P3"}));
    list.insert(makeTemplate("valve", 0, 1, {}));
    list.insert(makeTemplate("spare", 0, 1, {"S1"}));
    return list;
}

TemplateList renamedModule() {
    TemplateList list;
    list.insert(makeTemplate("t", 0, 1, {"I1", "I2"}));
    return list;
}

QStringList collect(std::function<void(const TraceSink&)> run) {
    QStringList lines;
    run([&](const QString& line) { lines.append(line); });
    return lines;
}

// A save with both shared files locked: the standard form, then the rewrite.
QByteArray saveDeviceTypes(const QByteArray& content, const QString& id,
                           const TemplateList& templates) {
    return rewriteDeviceTypes(renameDeviceTypes(content, id, id, templates), id, templates);
}

} // namespace

class tst_device_files : public QObject {
    Q_OBJECT

private slots:
    void templatesLineReads_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("baseSlot");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("bare name") << "Pump"
                                   << "Pump" << 0 << 1 << "";
        QTest::newRow("quoted prefix") << "Pump=5,10,'P_'"
                                       << "Pump" << 5 << 10 << "P_";
        QTest::newRow("prefix with comma") << "Pump=5,10,a,b"
                                           << "Pump" << 5 << 10 << "a,b";
        QTest::newRow("no closing quote") << "Pump=5,10,'a"
                                          << "Pump" << 5 << 10 << "'a";
        QTest::newRow("empty quotes") << "Pump=0,1,''"
                                      << "Pump" << 0 << 1 << "";
        QTest::newRow("quote inside") << "Pump=0,1,'a'b'"
                                      << "Pump" << 0 << 1 << "a";
        QTest::newRow("second = ends value") << "Pump=3,4,'x'=9"
                                             << "Pump" << 3 << 4 << "x";
        QTest::newRow("letters give 0") << "Pump=a,b"
                                        << "Pump" << 0 << 0 << "";
        QTest::newRow("empty name") << "=1,2,'p'"
                                    << "" << 1 << 2 << "p";
    }
    void templatesLineReads() {
        QFETCH(QString, line);
        const devTemplate entry(line);
        QTEST(entry.name, "name");
        QTEST(entry.baseSlot, "baseSlot");
        QTEST(entry.offset, "offset");
        QTEST(entry.prefix, "prefix");
    }

    void moduleFileLinesRoundTrip_data() {
        QTest::addColumn<int>("baseSlot");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<QStringList>("instances");
        QTest::addColumn<QString>("templatesText");
        QTest::addColumn<QString>("instancesText");
        QTest::newRow("defaults") << 0 << 1 << "" << QStringList() << "Pump=0,1,''"
                                  << "Pump=,";
        QTest::newRow("filled") << 5 << -10 << "P_" << QStringList{"A", "B"} << "Pump=5,-10,'P_'"
                                << "Pump=A,B,";
    }
    void moduleFileLinesRoundTrip() {
        devTemplate entry("Pump");
        QFETCH(int, baseSlot);
        QFETCH(int, offset);
        QFETCH(QString, prefix);
        QFETCH(QStringList, instances);
        entry.baseSlot = baseSlot;
        entry.offset = offset;
        entry.prefix = prefix;
        entry.instances = instances;
        QTEST(templatesLine(entry), "templatesText");
        QTEST(instancesLine(entry), "instancesText");

        const devTemplate back(templatesLine(entry));
        QCOMPARE(back.name, entry.name);
        QCOMPARE(back.baseSlot, entry.baseSlot);
        QCOMPARE(back.offset, entry.offset);
        QCOMPARE(back.prefix, entry.prefix);
        QCOMPARE(instancesFromValue(instancesLine(entry).section('=', 1)), entry.instances);
    }

    void instancesValueDropsEmptyEntries() {
        QCOMPARE(instancesFromValue(",A,,B,"), (QStringList{"A", "B"}));
        QCOMPARE(instancesFromValue(","), QStringList());
    }

    void deviceDescriptionMatchesGolden() {
        devTemplate entry("pump");
        entry.params = {{"_RUN", 1},     {"_TRIP", 4096}, {"_ZERO", 0},
                        {"_HIGH", 4097}, {"_NEG", -3},    {"_S\u00fcd & <\"x\">", 12}};
        QVERIFY(matchesGolden(deviceDescriptionBytes("north_Boiler house_pump",
                                                     templateDescriptionParams(entry, 4096)),
                              "devdesc_pump.xml"));
    }

    void deviceDescriptionRoundTripsNames_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("ampersand") << "a&b";
        QTest::newRow("less") << "a<b";
        QTest::newRow("greater") << "a>b";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("umlaut") << "Pumpe_S\u00fcd";
        QTest::newRow("euro and dash") << "\u20ac\u2013";
        QTest::newRow("outside windows-1252") << "\u03a9\U0001F600";
        QTest::newRow("tab") << "a\tb";
    }
    void deviceDescriptionRoundTripsNames() {
        QFETCH(QString, name);
        const QString typeId = "S_M_" + name;
        const QByteArray bytes = deviceDescriptionBytes(typeId, {{name, "3"}});
        const DevDescReadResult read = readDeviceDescription(bytes, typeId);
        QVERIFY(read.ok());
        QCOMPARE(read.params, (QMap<QString, int>{{name, 3}}));
    }

    void readerIgnoresBadParams() {
        const QByteArray bytes = "<device_description name=\"T\">"
                                 "<param name=\"zero\" slot=\"0\"/>"
                                 "<param name=\"letters\" slot=\"x1\"/>"
                                 "<param name=\"\" slot=\"5\"/>"
                                 "<param name=\"noslot\"/>"
                                 "<group><param name=\"nested\" slot=\"6\"/></group>"
                                 "<parameter name=\"other\" slot=\"7\"/>"
                                 "<param name=\"twice\" slot=\"8\"/>"
                                 "<param name=\"neg\" slot=\"-2\"/>"
                                 "<param name=\"twice\" slot=\"9\">text</param>"
                                 "</device_description>";
        const DevDescReadResult read = readDeviceDescription(bytes, "T");
        QVERIFY(read.ok());
        QCOMPARE(read.params, (QMap<QString, int>{{"twice", 9}, {"neg", -2}}));
    }

    void readerReportsWhyItFailed_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("failure");
        QTest::addColumn<QString>("detail");
        QTest::newRow("not xml") << QByteArray("<device_description name=\"T\">")
                                 << int(DevDescReadResult::NotXml) << "";
        QTest::newRow("wrong tag") << QByteArray("<devicetypes name=\"T\"/>")
                                   << int(DevDescReadResult::WrongTag) << "devicetypes";
        QTest::newRow("wrong name") << QByteArray("<device_description name=\"t\"/>")
                                    << int(DevDescReadResult::WrongName) << "t";
        QTest::newRow("no name") << QByteArray("<device_description/>")
                                 << int(DevDescReadResult::WrongName) << "";
    }
    void readerReportsWhyItFailed() {
        QFETCH(QByteArray, content);
        const DevDescReadResult read = readDeviceDescription(content, "T");
        QTEST(int(read.failure), "failure");
        QTEST(read.detail, "detail");
        QVERIFY(read.params.isEmpty());
    }

    void missingFileReportsTheErrorText() {
        QTemporaryDir dir;
        const DevDescReadResult read = loadDeviceDescription(dir.filePath("none.xml"), "T");
        QCOMPARE(read.failure, DevDescReadResult::CannotOpen);
        QCOMPARE(read.detail, QString("No such file or directory"));
    }

    void readerAcceptsEightBitNames() {
        // As older writers stored them: 8-bit text without a declaration.
        const QByteArray bytes = "<device_description name=\"S_M_S\xfc\x80\">"
                                 "<param name=\"K\xfchlung\" slot=\"2\"/></device_description>";
        const DevDescReadResult read = readDeviceDescription(bytes, "S_M_S\u00fc\u20ac");
        QVERIFY(read.ok());
        QCOMPARE(read.params, (QMap<QString, int>{{"K\u00fchlung", 2}}));
    }

    void attributeValueReads_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("value");
        QTest::newRow("id") << "\t<type id=\"a b\" x=\"1\"/>"
                            << "id" << true << "a b";
        QTest::newRow("second attribute") << "<i id=\"a\" type=\"T\"/>"
                                          << "type" << true << "T";
        QTest::newRow("no blank before") << "<i\tid=\"a\"/>"
                                         << "id" << false << "";
        QTest::newRow("other case") << "<i ID=\"a\"/>"
                                    << "id" << false << "";
        QTest::newRow("no closing quote") << "<i id=\"abc"
                                          << "id" << false << "";
        QTest::newRow("as written") << "<i id=\"a&amp;b\"/>"
                                    << "id" << true << "a&amp;b";
    }
    void attributeValueReads() {
        QFETCH(QString, line);
        QFETCH(QString, attribute);
        bool found = false;
        QTEST(attributeValue(line, attribute, &found), "value");
        QTEST(found, "found");
    }

    void deviceTypesRewriteMatchesGolden() {
        QVERIFY(matchesGolden(rewriteDeviceTypes(readTestData("devicetypes_old.xml"),
                                                 "north_Boiler house", boilerHouse()),
                              "devicetypes_saved.xml"));
    }

    void deviceTypesLeftAlone_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("one line") << QByteArray(
            "<devicetypes><type id=\"x\" family=\"alarms\" composite=\"no\"/></devicetypes>");
        QTest::newRow("no end tag") << QByteArray("<devicetypes>\r\n"
                                                  "\t<type id=\"x\"/>\r\n");
        QTest::newRow("all present") << QByteArray("<devicetypes>\r\n"
                                                   "<type id=\"S_M_pump\"/>\r\n"
                                                   "<type  id=\"S_M\" family=\"other\"/>\n"
                                                   "</devicetypes>");
    }
    void deviceTypesLeftAlone() {
        QFETCH(QByteArray, content);
        TemplateList templates;
        templates.insert(makeTemplate("pump", 0, 1, {}));
        QCOMPARE(rewriteDeviceTypes(content, "S_M", templates), content);
    }

    void secondSaveGivesTheSameDeviceTypes() {
        const TemplateList templates = boilerHouse();
        const QByteArray once =
            saveDeviceTypes(readTestData("devicetypes_old.xml"), "north_Boiler house", templates);
        QVERIFY(matchesGolden(once, "devicetypes_saved_locked.xml"));
        QCOMPARE(saveDeviceTypes(once, "north_Boiler house", templates), once);
    }

    void instancesRewriteMatchesGolden() {
        QVERIFY(matchesGolden(rewriteInstances(readTestData("instances_old.xml"),
                                               "north_Boiler house", "12", boilerHouse()),
                              "instances_saved.xml"));
    }

    void droppedContinuationLinesTraceHanging() {
        const QStringList trace = collect([](const TraceSink& sink) {
            rewriteInstances(readTestData("instances_old.xml"), "north_Boiler house", "12",
                             boilerHouse(), sink);
        });
        const QString check = "alm_tolv_output::writeInstances check line '";
        QVERIFY(trace.contains(check + "\t    ref=\"device=12,offset=0\"/>'. hanging 1"));
        QVERIFY(trace.contains(check +
                               "\t<instance id=\"north_P9\" type=\"north_Boiler house_pump\" "
                               "composite=\"no\" ref=\"device=12,offset=99\"/>'. hanging 0"));
        QVERIFY(trace.contains("alm_tolv_output::writeInstances - template 'north_Boiler "
                               "house' removed. add new base 'north_Boiler house'"));
        QVERIFY(trace.contains(
            "alm_tolv_output::writeInstances - template '' removed. end tag. insert modified "
            "instances."));
    }

    // Elements that the rule "drop up to the first line with />" would cut wrongly.
    void droppedElementsKeepForeignLines_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray base = "\t<instance id=\"S_M\" type=\"S_M\" composite=\"no\" "
                                "ref=\"device=3,offset=0\"/>\r\n";
        QTest::newRow("element with content")
            << QByteArray("<instances>\r\n"
                          "<instance id=\"S_M\" type=\"S_M\" ref=\"device=3,offset=0\">\r\n"
                          "  <note text=\"x\"/>\r\n"
                          "</instance>\r\n"
                          "<instance id=\"o\" type=\"O\"/>\r\n"
                          "</instances>\r\n")
            << "<instances>\r\n" + base + "<instance id=\"o\" type=\"O\"/>\r\n</instances>\r\n";
        QTest::newRow("truncated before the end tag")
            << QByteArray("<instances>\r\n"
                          "<instance id=\"S_M\" type=\"S_M\"\r\n"
                          "</instances>\r\n")
            << "<instances>\r\n" + base + "</instances>\r\n";
        QTest::newRow("comment naming the module's type")
            << QByteArray("<instances>\r\n"
                          "<!-- type=\"S_M\" -->\r\n"
                          "<instance id=\"o\" type=\"O\"/>\r\n"
                          "</instances>\r\n")
            << "<instances>\r\n" + base + "<instance id=\"o\" type=\"O\"/>\r\n</instances>\r\n";
        QTest::newRow("module type on the end tag line")
            << QByteArray("<instances><instance id=\"S_M\" type=\"S_M\"/></instances>")
            << QByteArray("<instances><instance id=\"S_M\" type=\"S_M\"/></instances>");
    }
    void droppedElementsKeepForeignLines() {
        QFETCH(QByteArray, content);
        QTEST(rewriteInstances(content, "S_M", "3", TemplateList()), "expected");
    }

    void escapedNamesAreWrittenAndRecognised_data() {
        QTest::addColumn<QString>("module");
        QTest::newRow("ampersand") << "a&b";
        QTest::newRow("less") << "a<b";
        QTest::newRow("greater") << "a>b";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("umlaut") << "S\u00fcd";
        QTest::newRow("outside windows-1252") << "\u03a9";
    }
    void escapedNamesAreWrittenAndRecognised() {
        QFETCH(QString, module);
        const QString id = "S_" + module;
        TemplateList templates;
        templates.insert(makeTemplate("t" + module, 2, 3, {"i" + module}));
        const QByteArray start = "<devicetypes>\r\n</devicetypes>\r\n";
        const QByteArray types = saveDeviceTypes(start, id, templates);
        QCOMPARE(saveDeviceTypes(types, id, templates), types);
        QDomDocument typesDocument;
        QVERIFY(typesDocument.setContent(fromEightBit(types)));
        QCOMPARE(typesDocument.documentElement().firstChildElement("type").attribute("id"), id);

        const QByteArray instances =
            rewriteInstances("<instances>\r\n</instances>\r\n", id, "4", templates);
        QCOMPARE(rewriteInstances(instances, id, "4", templates), instances);
        QDomDocument instancesDocument;
        QVERIFY(instancesDocument.setContent(fromEightBit(instances)));
        const QDomElement child =
            instancesDocument.documentElement().firstChildElement("instance").nextSiblingElement();
        QCOMPARE(child.attribute("id"), id + "_i" + module);
        QCOMPARE(child.attribute("type"), id + "_t" + module);
    }

    void instanceOffsetsFollowTheTemplate_data() {
        QTest::addColumn<int>("baseSlot");
        QTest::addColumn<int>("offset");
        QTest::addColumn<QList<qint64>>("offsets");
        QTest::newRow("from the base slot") << 10 << 20 << QList<qint64>{10, 30, 50};
        QTest::newRow("beyond int")
            << INT_MAX << INT_MAX << QList<qint64>{INT_MAX, 4294967294, 6442450941};
        QTest::newRow("below int")
            << INT_MIN << INT_MIN << QList<qint64>{INT_MIN, -4294967296, -6442450944};
    }
    void instanceOffsetsFollowTheTemplate() {
        QFETCH(int, baseSlot);
        QFETCH(int, offset);
        QFETCH(QList<qint64>, offsets);
        TemplateList templates;
        templates.insert(makeTemplate("t", baseSlot, offset, {"A", "B", "C"}));
        QList<qint64> actual;
        for (const InstanceEntry& instance : templateInstances("S_M", *templates.find("t")))
            actual.append(instance.offset);
        QCOMPARE(actual, offsets);
        // The line holds the whole value.
        QVERIFY(modifiedInstanceLines("S_M", "3", "S_M_t", templates)
                    .endsWith(",offset=" + QString::number(offsets.last()) + "\"/>\n"));
    }

    void createdDeviceTypesMatchGolden() {
        QDomDocument document;
        createSharedDocument("devicetypes", "devicetypes.dtd", document);
        for (const QString& id : moduleTypeIds("north_Boiler house", boilerHouse()))
            appendTypeElement(document, id);
        const QByteArray bytes = sharedDocumentBytes(document);
        QVERIFY(matchesGolden(bytes, "devicetypes_created.xml"));
        QCOMPARE(rewriteDeviceTypes(bytes, "north_Boiler house", boilerHouse()), bytes);
    }

    void createdInstancesMatchGolden() {
        QDomDocument document;
        createSharedDocument("instances", "instances.dtd", document);
        for (const InstanceEntry& entry : moduleInstances("north_Boiler house", boilerHouse()))
            appendInstanceElement(document, entry, "12");
        const QByteArray bytes = sharedDocumentBytes(document);
        QVERIFY(matchesGolden(bytes, "instances_created.xml"));
        // Every created line is recognised and written again in the rewrite's form.
        QCOMPARE(rewriteInstances(bytes, "north_Boiler house", "12", boilerHouse()),
                 QByteArray(bytes).replace("    <instance", "\t<instance"));
    }

    void renameRewritesDeviceTypes() {
        QVERIFY(matchesGolden(renameDeviceTypes(readTestData("devicetypes_rename_old.xml"), "S_X",
                                                "S_Y", renamedModule()),
                              "devicetypes_renamed.xml"));
    }

    // A line replaced by a one-line element or dropped takes the rest of its
    // element with it.
    void renamedTypesLeaveNoPartOfAnElement_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("newId");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray end = "<type id=\"o\"/>\r\n</devicetypes>\r\n";
        QTest::newRow("own type over two lines")
            << "<devicetypes>\r\n<type id=\"S_M\" family=\"alarms\"\r\n   composite=\"no\"/>\r\n" +
                   end
            << "S_M"
            << "<devicetypes>\r\n\t<type id=\"S_M\" family=\"alarms\" composite=\"no\"/>\r\n" + end;
        QTest::newRow("renamed type with content")
            << "<devicetypes>\r\n<type id=\"S_M\">\r\n  <x a=\"1\"/>\r\n</type>\r\n" + end << "S_N"
            << "<devicetypes>\r\n\t<type id=\"S_N\" family=\"alarms\" composite=\"no\"/>\r\n" + end;
        QTest::newRow("template type over two lines")
            << "<devicetypes>\r\n<type id=\"S_M_t\"\r\n   family=\"alarms\">\r\n</type>\r\n" + end
            << "S_M"
            << "<devicetypes>\r\n" + end;
        QTest::newRow("comment naming the module")
            << "<devicetypes>\r\n<!-- id=\"S_M\" -->\r\n" + end << "S_M"
            << "<devicetypes>\r\n\t<type id=\"S_M\" family=\"alarms\" composite=\"no\"/>\r\n" + end;
        QTest::newRow("truncated before the end tag")
            << QByteArray("<devicetypes>\r\n<type id=\"S_M_t\"\r\n</devicetypes>\r\n") << "S_M"
            << QByteArray("<devicetypes>\r\n</devicetypes>\r\n");
    }
    void renamedTypesLeaveNoPartOfAnElement() {
        QFETCH(QByteArray, content);
        QFETCH(QString, newId);
        QTEST(renameDeviceTypes(content, "S_M", newId, renamedModule()), "expected");
    }

    void renamedInstancesLeaveNoPartOfAnElement_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("newId");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray end = "<instance id=\"o\" type=\"O\"/>\r\n</instances>\r\n";
        const QByteArray base = "\t<instance id=\"S_M\" type=\"S_M\" composite=\"no\" "
                                "ref=\"device=3,offset=0\"/>\r\n";
        QTest::newRow("base element with content")
            << "<instances>\r\n<instance id=\"S_M\" type=\"S_M\" ref=\"device=3,offset=0\">\r\n"
               "  <note text=\"x\"/>\r\n</instance>\r\n" +
                   end
            << "S_M"
            << "<instances>\r\n" + base + end;
        QTest::newRow("renamed base over two lines")
            << "<instances>\r\n<instance id=\"S_M\" type=\"S_M\" ref=\"device=3,offset=0\"\r\n"
               "   composite=\"no\"/>\r\n" +
                   end
            << "S_N"
            << "<instances>\r\n" + QByteArray(base).replace("S_M", "S_N") + end;
        QTest::newRow("child changed in place keeps its lines")
            << "<instances>\r\n<instance id=\"S_I1\" type=\"S_M_t\" ref=\"device=3,offset=0\"\r\n"
               "   composite=\"no\"/>\r\n" +
                   end
            << "S_N"
            << "<instances>\r\n<instance id=\"S_I1\" type=\"S_N_t\" ref=\"device=3,offset=0\"\r\n"
               "   composite=\"no\"/>\r\n" +
                   end;
    }
    void renamedInstancesLeaveNoPartOfAnElement() {
        QFETCH(QByteArray, content);
        QFETCH(QString, newId);
        QTEST(renameInstances(content, "S_M", newId, "3", renamedModule()), "expected");
    }

    // Pumps renamed to Pumps_main, with a template "t", on infodriver 5.
    void renameChangesOnlyTheModulesChildren_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("template instance")
            << QByteArray("<instance id=\"north_Pumps_I1\" type=\"north_Pumps_t\" "
                          "ref=\"device=5,offset=0\"/>")
            << QByteArray("<instance id=\"north_Pumps_I1\" type=\"north_Pumps_main_t\" "
                          "ref=\"device=5,offset=0\"/>");
        const QByteArray other = "<instance id=\"north_Pumps_spare\" type=\"north_Pumps_spare\" "
                                 "ref=\"device=5,offset=0\"/>";
        QTest::newRow("module named after the old one") << other << other;
    }
    void renameChangesOnlyTheModulesChildren() {
        QFETCH(QByteArray, line);
        QFETCH(QByteArray, expected);
        const QByteArray before = "<instances>\r\n" + line + "\r\n</instances>\r\n";
        QCOMPARE(renameInstances(before, "north_Pumps", "north_Pumps_main", "5", renamedModule()),
                 "<instances>\r\n" + expected + "\r\n</instances>\r\n");
    }

    void renameChangesInstanceTypesAndKeepsChildIds() {
        QVERIFY(matchesGolden(renameInstances(readTestData("instances_rename_old.xml"), "S_X",
                                              "S_Y", "7", renamedModule()),
                              "instances_renamed.xml"));
    }

    void hundredThousandLinesInOnePass() {
        // Lines of 500 other modules; the rewrite must not search the template set
        // or the file per line.
        TemplateList templates;
        QStringList instances;
        for (int i = 0; i < 50; ++i)
            instances.append(QString("I%1").arg(i));
        for (int t = 0; t < 200; ++t)
            templates.insert(makeTemplate(QString("t%1").arg(t), t, 1, instances));
        QByteArray content = "<instances>\r\n";
        for (int i = 0; i < 100000; ++i)
            content += QByteArray("\t<instance id=\"o") + QByteArray::number(i) + "\" type=\"S_m" +
                       QByteArray::number(i % 500) +
                       "\" composite=\"no\" ref=\"device=1,offset=" + QByteArray::number(i) +
                       "\"/>\r\n";
        content += "</instances>\r\n";
        QElapsedTimer timer;
        timer.start();
        const QByteArray out = rewriteInstances(content, "S_M", "2", templates);
        QVERIFY2(timer.elapsed() < 10000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(out.startsWith(content.left(content.size() - 14)));
        QCOMPARE(out.count("type=\"S_M_"), 200 * 50);
    }
};

QTEST_GUILESS_MAIN(tst_device_files)
#include "tst_device_files.moc"
