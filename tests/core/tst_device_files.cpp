// Templates in the module file, device description files and the rewrites of the
// two shared files.
#include "common/files.h"
#include "common/shared_file_view.h"
#include "core/device_description.h"
#include "core/device_template.h"
#include "core/shared_files.h"
#include "core/xml_scan.h"

namespace {

// Templates from "[Templates]" lines, each followed by a blank and its instances.
TemplateList templates(const QStringList& lines) {
    TemplateList list;
    for (const QString& line : lines) {
        auto entry = std::make_unique<devTemplate>(line.section(' ', 0, 0));
        entry->instances = instancesFromValue(line.section(' ', 1));
        list.insert(std::move(entry));
    }
    return list;
}

} // namespace

class tst_device_files : public QObject {
    Q_OBJECT

private slots:
    void templatesLineReads_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("read"); // name|baseSlot|offset|prefix
        const char* const rows[][3] = {{"bare name", "Pump", "Pump|0|1|"},
                                       {"quoted prefix", "Pump=5,10,'P_'", "Pump|5|10|P_"},
                                       {"prefix with comma", "Pump=5,10,a,b", "Pump|5|10|a,b"},
                                       {"no closing quote", "Pump=5,10,'a", "Pump|5|10|'a"},
                                       {"empty quotes", "Pump=0,1,''", "Pump|0|1|"},
                                       {"quote inside", "Pump=0,1,'a'b'", "Pump|0|1|a"},
                                       {"second = ends value", "Pump=3,4,'x'=9", "Pump|3|4|x"},
                                       {"letters give 0", "Pump=a,b", "Pump|0|0|"},
                                       {"empty name", "=1,2,'p'", "|1|2|p"}};
        for (const auto& [tag, line, read] : rows)
            QTest::newRow(tag) << line << read;
    }
    void templatesLineReads() {
        QFETCH(QString, line);
        const devTemplate entry(line);
        QTEST(QStringList({entry.name, QString::number(entry.baseSlot),
                           QString::number(entry.offset), entry.prefix})
                  .join('|'),
              "read");
    }

    void templateLinesAreWritten() {
        devTemplate entry("Pump=5,-10,'P_'");
        entry.instances = instancesFromValue(",A,,B,"); // empty names left out
        QCOMPARE(templatesLine(entry) + ' ' + instancesLine(entry), "Pump=5,-10,'P_' Pump=A,B,");
        QCOMPARE(instancesLine(devTemplate("Pump")), "Pump=,");
        QCOMPARE(instancesFromValue(","), QStringList());
    }

    // Written as the golden file, and read back: names with markup and with
    // characters inside and outside windows-1252, in the file's and the params' names.
    void deviceDescriptionMatchesGoldenAndReadsBack() {
        devTemplate entry("pump");
        const QString markup = "_S\u00fcd & <\"x\">", wide = "\u20ac\u2013\t\u03a9\U0001F600";
        entry.params = {{"_RUN", 1},  {"_TRIP", 4096}, {"_ZERO", 0}, {"_HIGH", 4097},
                        {"_NEG", -3}, {markup, 12},    {wide, 7}};
        const QString typeId = "north_Boiler & <\"h\u00e4use\">_pump\u20ac\u03a9";
        const QByteArray bytes =
            deviceDescriptionBytes(typeId, templateDescriptionParams(entry, 4096));
        QVERIFY(matchesGolden(bytes, "devdesc_pump.xml"));
        const DevDescReadResult read = readDeviceDescription(bytes, typeId);
        QCOMPARE(read.params,
                 (QMap<QString, int>{{"_RUN", 1}, {"_TRIP", 4096}, {markup, 12}, {wide, 7}}));
    }

    void readerReportsWhatItRead_data() {
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("read");       // failure, detail, params
        // An 8-bit file without a declaration, as older writers stored them.
        QTest::newRow("usable params") << readTestData("devdesc_bad_params.xml")
                                       << QString::fromUtf8("0  K\u00fchlung=2 neg=-2 twice=9");
        QTest::newRow("no file") << QByteArray() << "1 No such file or directory ";
        QTest::newRow("not xml") << QByteArray("<device_description name=\"T\">") << "2  ";
        QTest::newRow("wrong tag") << QByteArray("<devicetypes name=\"T\"/>") << "3 devicetypes ";
        QTest::newRow("wrong name") << QByteArray("<device_description name=\"t\"/>") << "4 t ";
        QTest::newRow("no name") << QByteArray("<device_description/>") << "4  ";
    }
    void readerReportsWhatItRead() {
        QFETCH(QByteArray, content);
        QTemporaryDir dir;
        if (!content.isNull())
            writeFile(dir.filePath("T.xml"), content);
        const DevDescReadResult read =
            loadDeviceDescription(dir.filePath("T.xml"), "S_M_S\u00fc\u20ac");
        QStringList params;
        for (auto it = read.params.begin(); it != read.params.end(); ++it)
            params << it.key() + '=' + QString::number(it.value());
        QTEST(QString::number(read.failure) + ' ' + read.detail + ' ' + params.join(' '), "read");
    }

    // Shapes a hostile store or a careless hand gives a shared file, rewritten for
    // module M (template t, instances I1, I2; renamed from "former" if set): the
    // result parses, keeps all that is not M's as a second reader sees it and holds
    // M's entries once (a second save changes nothing); or, when the file does not
    // parse, it is left alone and the fault's line and column are told.
    void hostileShapesKeepForeignContentAndOwnEntriesOnce_data() {
        QTest::addColumn<QByteArray>("content"); // data/shapes/<row>.xml
        QTest::addColumn<QString>("module");
        QTest::addColumn<QString>("former");
        QTest::addColumn<QString>("error");       // "line:column", or empty
        QTest::addColumn<QByteArray>("expected"); // data/shapes/<row>.result.xml or <missing>
        auto row = [](const char* name, const QString& module = "M", const QString& former = {},
                      const QString& error = {}) {
            const QString path = QStringLiteral(TOLV_TEST_DATA "/shapes/") + name;
            QTest::newRow(name) << readAll(path + ".xml") << module << former << error
                                << readAll(path + ".result.xml");
        };
        for (const char* name :
             {"new", "standard", "two on a line", "comment and CDATA quoting the entry",
              "processing instruction", "nested element", "start tag over lines",
              "tab and single quotes", "references in the id", "attribute order",
              "entry with content", "entry twice", "other element name",
              "document type with a subset", "instances", "empty root", "end tag after an element",
              "CR line ends", "start and end tag"})
            row(name);
        for (const char* name : {"UTF-8 declared", "windows-1252 name", "ISO-8859-1 declared"})
            row(name, "D\u00e4mpfer");
        row("byte order mark", "\u20ac");
        row("name outside windows-1252", "\u03a9");
        for (const char* name : {"rename", "rename onto stale entries", "instances renamed"})
            row(name, "M", "X");
        for (const auto& [name, error] : {std::pair{"not well-formed", "3:15"},
                                          {"unclosed element", "4:1"},
                                          {"entity not declared", "3:12"},
                                          {"UTF-8 declared, 8-bit bytes", "3:12"},
                                          {"encoding not supported", "1:1"},
                                          {"other root", "1:1"},
                                          {"text after the root", "2:1"},
                                          {"entity declared", "1:14"}})
            row(name, "M", {}, error);
        QByteArray huge = "<instances>\r\n";
        for (int i = 0; i < 100000; ++i)
            huge += "\t<instance id=\"o" + QByteArray::number(i) + "\" type=\"S_m" +
                    QByteArray::number(i % 500) +
                    "\" ref=\"device=1,offset=" + QByteArray::number(i) + "\"/>\r\n" +
                    (i == 50000 ? "\t<instance id=\"S_M\" type=\"S_M\" composite=\"no\" "
                                  "ref=\"device=3,offset=0\"/>\r\n"
                                : "");
        QTest::newRow("huge") << huge + "</instances>\r\n"
                              << "M" << QString() << QString() << QByteArray("<missing>");
    }
    void hostileShapesKeepForeignContentAndOwnEntriesOnce() {
        QFETCH(QByteArray, content);
        const bool instances = content.contains("<instances");
        QFETCH(QString, module);
        QFETCH(QString, former);
        QFETCH(QString, error);
        QFETCH(QByteArray, expected);
        const TemplateList own = templates({"t I1,I2"});
        const QString id = "S_" + module;
        const QString formerId = former.isEmpty() ? QString() : "S_" + former;
        auto rewrite = [&](const QByteArray& bytes, const QString& from) {
            return instances ? rewriteSharedFile(bytes, instancesFile,
                                                 instanceEntries(id, "3", own, from))
                             : rewriteSharedFile(bytes, deviceTypesFile,
                                                 deviceTypeEntries(id, own, from));
        };
        const SharedRewrite result = rewrite(content, formerId);
        QVERIFY2(result.error.isError() != error.isEmpty(), qPrintable(result.error.message));
        if (!error.isEmpty()) {
            QCOMPARE(QString("%1:%2").arg(result.error.line).arg(result.error.column), error);
            QVERIFY(!result.changed && result.content == content && !result.errorInResult);
            return;
        }
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
        if (expected != "<missing>")
            QCOMPARE(result.content, expected);
        QCOMPARE(rewrite(result.content, QString()).content, result.content);
    }

    // The scanner's own verdicts: names, encodings and where an error is placed.
    void scannerReadsWhatReadersAccept_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("result"); // the root's child elements and ids, or line:column
        const QByteArray utf8 = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        auto row = [](const char* tag, const QByteArray& bytes, const QString& result) {
            QTest::newRow(tag) << bytes << result;
        };
        row("names with z, digits, - and .", "<z><z-9.a id='x'/><_b/></z>", "z-9.a=x _b=");
        row("a declaration", "<?xml version=\"1.0\"?><r><a id=\"1\"/></r>", "a=1");
        row("four-byte character", utf8 + "<r><a id=\"\xF0\x9F\x98\x80\"/></r>",
            QString::fromUtf8("a=\xF0\x9F\x98\x80"));
        row("comment not closed", "<r>\n<!-- x </r>", "2:5");
        row("end tag without a name", "<r><a></></r>", "1:9");
        row("comment not closed after the root", "<r/>\n<!-- x", "2:5");
        row("file cut off in a reference", "<r>\n<a/>&amp", "2:9");
        row("column counts characters", utf8 + "<r a=\"\xC3\xA4\xC3\xA4\"><</r>", "2:12");
    }
    void scannerReadsWhatReadersAccept() {
        QFETCH(QByteArray, bytes);
        XmlDocument document;
        XmlScanError error;
        QStringList children;
        const bool read = scanXmlDocument(bytes, document, error, [&](const XmlChild& child) {
            if (child.kind != XmlChild::Element)
                return;
            QString id;
            for (const XmlAttributeSpan& a : *child.attributes)
                if (a.name == "id")
                    id = xmlAttributeValue(a.value, document.encoding);
            children << QString::fromLatin1(child.name) + '=' + id;
        });
        QCOMPARE(read, !error.isError());
        QTEST(read ? children.join(' ') : QString("%1:%2").arg(error.line).arg(error.column),
              "result");
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
        const TemplateList list = templates({QString("t=%1,%2 A,B,C").arg(baseSlot).arg(offset)});
        QList<qint64> actual;
        for (const InstanceEntry& instance : templateInstances("S_M", *list.find("t")))
            actual.append(instance.offset);
        QCOMPARE(actual, offsets);
        // The line holds the whole value.
        QVERIFY(modifiedInstanceLines("S_M", "3", "S_M_t", list)
                    .endsWith(",offset=" + QString::number(offsets.last()) + "\"/>\n"));
    }
};

QTEST_GUILESS_MAIN(tst_device_files)
#include "tst_device_files.moc"
