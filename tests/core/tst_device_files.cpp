// Templates in the module file, device description files and the rewrites of the
// two shared files.
#include "common/files.h"
#include "common/shared_file_view.h"
#include "core/device_description.h"
#include "core/device_template.h"
#include "core/shared_files.h"
#include "core/text_codec.h"

#include <QDomDocument>
#include <QDomElement>
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

// Module "M" of system "S" with template "t" of instances I1 and I2.
TemplateList oneTemplate() {
    TemplateList list;
    list.insert(makeTemplate("t", 0, 1, {"I1", "I2"}));
    return list;
}

QByteArray typesFile(const QByteArray& body) {
    return "<?xml version = '1.0' encoding='windows-1252' ?>\r\n<devicetypes>\r\n" + body +
           "</devicetypes>\r\n";
}

QByteArray instancesFileWith(const QByteArray& body) {
    return "<instances>\n" + body + "</instances>\n";
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

    // Shapes a hostile store or a careless hand gives a shared file, each
    // rewritten for module M (template t, instances I1 and I2; in a rename from
    // module "former"): the result parses, everything that is not the module's is
    // still there as a second reader sees it, and each of the module's entries is
    // there once (a second save then changes nothing); or the file does not parse
    // and is left alone, with the line and column of its fault.
    void hostileShapesKeepForeignContentAndOwnEntriesOnce_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("instances"); // which of the two files it is
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("former");
        QTest::addColumn<QString>("error");       // "line:column", or empty
        QTest::addColumn<QByteArray>("expected"); // the result, where the layout matters
        const QByteArray own = "\t<type id=\"S_M\" family=\"alarms\" composite=\"no\"/>\r\n";
        const QByteArray other = "\t<type id=\"o\" family=\"x\" composite=\"no\"/>\r\n";
        const QByteArray base = "<instance id=\"S_M\" type=\"S_M\" composite=\"no\" "
                                "ref=\"device=3,offset=0\"/>";
        auto types = [](const char* name, const QByteArray& content, const QString& module = "M",
                        const QString& former = {}) {
            QTest::newRow(name) << content << false << module << former << QString()
                                << QByteArray();
        };
        auto instances = [](const char* name, const QByteArray& content,
                            const QString& former = {}) {
            QTest::newRow(name) << content << true << "M" << former << QString() << QByteArray();
        };
        auto laidOut = [](const char* name, const QByteArray& content, const QByteArray& expected) {
            QTest::newRow(name) << content << content.contains("<instances") << "M" << QString()
                                << QString() << expected;
        };
        auto broken = [](const char* name, const QByteArray& content, const char* error) {
            QTest::newRow(name) << content << false << "M" << QString() << error << QByteArray();
        };
        types("new", typesFile(other));
        types("standard", typesFile(own + other +
                                    "\t<type id=\"S_M_t\" family=\"alarms\" "
                                    "composite=\"no\"/>\r\n"));
        types("two on a line", typesFile("\t<type id=\"S_M\"/><type id=\"o\"/>\r\n"));
        types("comment and CDATA quoting the entry",
              typesFile("<!-- " + own + " --><![CDATA[" + own + "]]>\r\n" + other));
        types("processing instruction", typesFile("<?tool " + own + "?>\r\n" + other));
        types("nested element", typesFile("\t<group>" + own + "</group>\r\n"));
        types("start tag over lines", typesFile("\t<type\r\n\t  id=\"S_M\"\r\n\tfamily='a'/>\r\n"));
        types("tab and single quotes", typesFile("\t<type\tid = 'S_M' />\r\n" + other));
        types("references in the id", typesFile("\t<type id=\"S&#95;&#x4d;\"/>\r\n" + other));
        types("attribute order", typesFile("\t<type family=\"alarms\" id=\"S_M_t\"/>\r\n"));
        types("entry with content", typesFile("\t<type id=\"S_M\">\r\n\t\t<x/>\r\n\t</type>\r\n"));
        types("entry twice", typesFile(own + other + own));
        types("other element name", typesFile("\t<alias id=\"S_M\"/>\r\n"));
        types("UTF-8 declared",
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<devicetypes>\n"
              "<type id=\"S_D\xc3\xa4mpfer\"/>\n<type id=\"\xc3\xb8\"/>\n</devicetypes>\n",
              "D\u00e4mpfer");
        types("byte order mark",
              "\xEF\xBB\xBF<devicetypes>\n<type id=\"\xe2\x82\xac\"/>\n"
              "</devicetypes>",
              "\u20ac");
        types("windows-1252 name", typesFile("\t<type id=\"S_D\xe4mpfer\"/>\r\n"), "D\u00e4mpfer");
        types("name outside windows-1252", typesFile(other), "\u03a9");
        types("ISO-8859-1 declared",
              "<?xml version='1.0' encoding='ISO-8859-1'?><devicetypes>\n</devicetypes>",
              "D\u00e4mpfer");
        types("document type with a subset",
              "<!DOCTYPE devicetypes [<!ELEMENT type ANY>]>\n<devicetypes>\n" + other +
                  "</devicetypes>\n<!-- end -->\n");
        types("rename",
              typesFile("\t<type id=\"S_X\"/>\r\n" + other + "\t<type id=\"S_X_t\"/>\r\n"), "M",
              "X");
        types("rename onto stale entries",
              typesFile("\t<type id=\"S_X\"/>\r\n" + own + "\t<type id=\"S_X_t\"/>\r\n"), "M", "X");
        instances("instances", instancesFileWith("<instance id=\"o\" type=\"S_M_t\"/>\n<instance "
                                                 "id=\"p\" type=\"S_Mx\"/>\n<instance id=\"q\" "
                                                 "type=\"S_M\"/>\n"));
        instances("instances renamed",
                  instancesFileWith("<instance id=\"S_X\" type=\"S_X\"/>\n"
                                    "<instance id=\"S_X_I1\" type=\"S_X_t\"/>"
                                    "<instance id=\"S_X_k\" type=\"S_X_k\"/>\n"),
                  "X");
        QByteArray huge;
        for (int i = 0; i < 100000; ++i)
            huge += "\t<instance id=\"o" + QByteArray::number(i) + "\" type=\"S_m" +
                    QByteArray::number(i % 500) +
                    "\" ref=\"device=1,offset=" + QByteArray::number(i) + "\"/>\r\n" +
                    (i == 50000 ? "\t" + base + "\r\n" : "");
        instances("huge", "<instances>\r\n" + huge + "</instances>\r\n");
        const QByteArray typeT = "<type id=\"S_M_t\" family=\"alarms\" composite=\"no\"/>";
        const QByteArray typeM = "<type id=\"S_M\" family=\"alarms\" composite=\"no\"/>";
        laidOut("empty root", "<devicetypes/>",
                "<devicetypes>\r\n\t" + typeM + "\r\n\t" + typeT + "\r\n</devicetypes>");
        laidOut("end tag after an element", "<devicetypes>\n  <type id=\"o\"/></devicetypes>\n",
                "<devicetypes>\n  <type id=\"o\"/>\n  " + typeM + "\n  " + typeT +
                    "\n</devicetypes>\n");
        laidOut("CR line ends", "<devicetypes>\r    " + typeM + "\r</devicetypes>\r",
                "<devicetypes>\r    " + typeM + "\r    " + typeT + "\r</devicetypes>\r");
        laidOut("start and end tag", "<instances></instances>",
                "<instances>\r\n\t" + base + "\r\n\t" +
                    "<instance id=\"S_M_I1\" type=\"S_M_t\" composite=\"no\" ref=\"device=3,"
                    "offset=0\"/>\r\n\t<instance id=\"S_M_I2\" type=\"S_M_t\" composite=\"no\" "
                    "ref=\"device=3,offset=1\"/>\r\n</instances>");
        broken("not well-formed", typesFile("\t<type id=\"a\" id=\"b\"/>\r\n"), "3:15");
        broken("unclosed element", typesFile("\t<type id=\"S_M\">\r\n"), "4:1");
        broken("entity not declared", typesFile("\t<type id=\"&nbsp;\"/>\r\n"), "3:12");
        broken("UTF-8 declared, 8-bit bytes",
               "<?xml version='1.0' encoding='utf-8'?>\n<devicetypes>\n<type id=\"D\xe4\"/>\n"
               "</devicetypes>",
               "3:12");
        broken("encoding not supported", "<?xml version='1.0' encoding='UTF-16'?><devicetypes/>",
               "1:1");
        broken("other root", "<types>\n</types>\n", "1:1");
        broken("text after the root", "<devicetypes/>\nx", "2:1");
        broken("entity declared", "<!DOCTYPE d [<!ENTITY e \"S_M\">]><devicetypes/>", "1:14");
    }
    void hostileShapesKeepForeignContentAndOwnEntriesOnce() {
        QFETCH(QByteArray, content);
        QFETCH(bool, instances);
        QFETCH(QString, module);
        QFETCH(QString, former);
        QFETCH(QString, error);
        QFETCH(QByteArray, expected);
        const TemplateList templates = oneTemplate();
        const QString id = "S_" + module;
        const QString formerId = former.isEmpty() ? QString() : "S_" + former;
        auto rewrite = [&](const QByteArray& bytes, const QString& from) {
            return instances ? rewriteSharedFile(bytes, instancesFile,
                                                 instanceEntries(id, "3", templates, from))
                             : rewriteSharedFile(bytes, deviceTypesFile,
                                                 deviceTypeEntries(id, templates, from));
        };
        const SharedRewrite result = rewrite(content, formerId);
        if (!error.isEmpty()) {
            QCOMPARE(QString("%1:%2").arg(result.error.line).arg(result.error.column), error);
            QVERIFY(!result.changed && result.content == content && !result.errorInResult);
            return;
        }
        QVERIFY2(!result.error.isError(), qPrintable(result.error.message));
        const QSet<QString> keys{id, id + "_t", "S_" + former, "S_" + former + "_t"};
        const QString element = instances ? "instance" : "type";
        const QString key = instances ? "type" : "id";
        const SharedFileView before = viewSharedFile(content, element, key, keys);
        const SharedFileView after = viewSharedFile(result.content, element, key, keys);
        QCOMPARE(after.error, QString());
        QCOMPARE(after.foreign, before.foreign);
        const QStringList ids =
            instances ? QStringList{id, id + "_I1", id + "_I2"} : QStringList{id, id + "_t"};
        QCOMPARE(after.ownIds, ids);
        if (!expected.isEmpty())
            QCOMPARE(result.content, expected);
        QCOMPARE(rewrite(result.content, QString()).content, result.content);
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
        QVERIFY(!rewriteSharedFile(bytes, deviceTypesFile,
                                   deviceTypeEntries("north_Boiler house", boilerHouse()))
                     .changed);
    }

    void createdInstancesMatchGolden() {
        QDomDocument document;
        createSharedDocument("instances", "instances.dtd", document);
        for (const InstanceEntry& entry : moduleInstances("north_Boiler house", boilerHouse()))
            appendInstanceElement(document, entry, "12");
        const QByteArray bytes = sharedDocumentBytes(document);
        QVERIFY(matchesGolden(bytes, "instances_created.xml"));
        QVERIFY(!rewriteSharedFile(bytes, instancesFile,
                                   instanceEntries("north_Boiler house", "12", boilerHouse()))
                     .changed);
    }
};

QTEST_GUILESS_MAIN(tst_device_files)
#include "tst_device_files.moc"
