// The module file: its reader and writer over bytes, and the names it admits.
#include "core/module_file.h"
#include "core/process_definitions.h"
#include "core/text_codec.h"

#include <QFile>
#include <QTest>

namespace {

QByteArray readData(const QString& name) {
    QFile file(QStringLiteral(TOLV_TEST_DATA "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Compares line by line first, so that a failure names the first differing line.
void compareBytes(const QByteArray& actual, const QByteArray& expected) {
    const QList<QByteArray> a = actual.split('\n');
    const QList<QByteArray> e = expected.split('\n');
    for (int i = 0; i < std::min(a.size(), e.size()); ++i)
        QVERIFY2(a[i] == e[i], qPrintable(QString("line %1: '%2' instead of '%3'")
                                              .arg(i + 1)
                                              .arg(QString::fromLatin1(a[i].toPercentEncoding()))
                                              .arg(QString::fromLatin1(e[i].toPercentEncoding()))));
    QCOMPARE(actual, expected);
}

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

ModuleFileData boilerHouse() {
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
    return data;
}

} // namespace

class tst_module_file : public QObject {
    Q_OBJECT

private slots:
    void writesTheFifteenLineExample() {
        compareBytes(formatModuleFile(boilerHouse()), readData("boiler_house.cfg"));
    }

    void writesTheLayoutOfEachModule_data() {
        QTest::addColumn<bool>("db");
        QTest::addColumn<QString>("templates"); // empty: the module has none
        QTest::addColumn<QString>("instances");
        QTest::addColumn<QString>("slot");    // of process P
        QTest::addColumn<QByteArray>("tail"); // the file after "Driver=3"
        QTest::newRow("no templates, no slot") << false << ""
                                               << ""
                                               << "" << QByteArray("[Process]\r\n");
        QTest::newRow("db module, leading zeros kept")
            << true << ""
            << ""
            << "007" << QByteArray("[Process]\r\nP=007\r\n");
        QTest::newRow("blanks and sign kept") << false << ""
                                              << ""
                                              << " +5 " << QByteArray("[Process]\r\nP= +5 \r\n");
        QTest::newRow("template without instances")
            << false << "t=1,2,''\n"
            << "t=,\n"
            << "1"
            << QByteArray("[Templates]\r\nt=1,2,''\r\n[Instances]\r\nt=,\r\n[Process]\r\nP=1\r\n");
    }
    void writesTheLayoutOfEachModule() {
        QFETCH(bool, db);
        QFETCH(QString, templates);
        QFETCH(QString, instances);
        QFETCH(QString, slot);
        QFETCH(QByteArray, tail);
        ModuleFileData data;
        data.name = "M";
        data.configTool = "tool";
        data.systemName = "s";
        data.dbModule = db;
        data.driver = "3";
        data.withTemplates = !templates.isEmpty();
        data.templateText = templates;
        data.instanceText = instances;
        data.processes = {{"P", slot}};
        const QByteArray head = QByteArray("[System]\r\nName=M\r\nConfigTool=tool\r\nModule=") +
                                (db ? "alm_tolv_opdb" : "alm_tolv_op") +
                                "\r\nAlmSystem=s\r\n[TOLV_CONFIG]\r\nDriver=3\r\n";
        compareBytes(formatModuleFile(data), head + tail);
    }

    void readsWhatTheFileSays_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString nothing = "name -|db -|driver -|process |templates |instances ";
        QTest::newRow("the example") << readData("boiler_house.cfg")
                                     << "name Boiler house|db no|driver 12|process "
                                        "P1_RUN=1,P1_TRIP=2,P2_RUN=11|templates "
                                        "pump=0,10,'P1'|instances pump=P1,P2,";
        QTest::newRow("later line wins, LF ends")
            << QByteArray("[Process]\nP=1\nP=2\n[System]\nName=a\nName=b\n")
            << "name b|db -|driver -|process P=2|templates |instances ";
        QTest::newRow("split at every =") << QByteArray("[Process]\r\nP=3=4\r\n=5\r\nQ==6\r\n")
                                          << "name -|db -|driver -|process 5=,P=3,Q=6|templates "
                                             "|instances ";
        QTest::newRow("headers match exactly")
            << QByteArray("[system]\nName=a\n[ System ]\nName=b\n[TOLV_CONFIG]x\nDriver=4\n")
            << nothing;
        QTest::newRow("db module, blanks stripped")
            << QByteArray("  [System] \r\n\tModule=alm_tolv_opdb \r\n[TOLV_CONFIG]\nDriver=x\n")
            << "name -|db yes|driver 0|process |templates |instances ";
        QTest::newRow("other module value")
            << QByteArray("[System]\nModule=alm_tolv_op\n")
            << "name -|db no|driver -|process |templates |instances ";
        QTest::newRow("template lines as they stand")
            << QByteArray("[Templates]\na=1,2,'x=y'\n\n[Instances]\na=P1,\n[Other]\nb=2\n")
            << "name -|db -|driver -|process |templates a=1,2,'x=y',|instances a=P1,";
        QTest::newRow("lines before any section") << QByteArray("Name=x\nP=1\n") << nothing;
    }
    void readsWhatTheFileSays() {
        QFETCH(QByteArray, bytes);
        QTEST(summary(parseModuleFile(bytes)), "expected");
    }

    void everyByteSurvivesInANameAndAProcess() {
        // All byte values but the line end and "=", which the format cannot carry;
        // 0xA0 (no-break space) at the ends is no blank to strip.
        QByteArray bytes = "\xa0";
        for (int i = 0; i < 256; ++i)
            if (i != '\n' && i != '\r' && i != '=')
                bytes += char(i);
        bytes += '\xa0';
        const QString text = fromEightBit(bytes);
        QCOMPARE(parseProcessDefinitions("[" + bytes + "]\r\n").value(0).name, text);

        ModuleFileData data;
        data.name = text;
        data.driver = "1";
        data.processes = {{text, "9"}};
        const QByteArray file = formatModuleFile(data);
        QVERIFY(file.contains("Name=" + bytes + "\r\n"));
        QVERIFY(file.contains("\r\n" + bytes + "=9\r\n"));
        const ModuleFileContent read = parseModuleFile(file);
        QCOMPARE(read.name.value_or(QString()), text);
        QCOMPARE(read.processes.value(text), QString("9"));
        QCOMPARE(formatModuleFile(data), file);
    }

    void namesFitForAPath_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("safe");
        QTest::newRow("plain") << "Boiler house" << true;
        QTest::newRow("empty") << "" << true;
        QTest::newRow("8-bit") << QString::fromUtf8("Pumpe – Süd €") << true;
        QTest::newRow("dots only") << ".." << true; // a file name prefix comes first
        QTest::newRow("slash") << "../../etc" << false;
        QTest::newRow("backslash") << "a\\b" << false;
        QTest::newRow("tab") << "a\tb" << false;
        QTest::newRow("delete") << "a\x7f" << false;
        QTest::newRow("C1 control") << QString(QChar(0x81)) << false;
    }
    void namesFitForAPath() {
        QFETCH(QString, name);
        QTEST(isPathSafeName(name), "safe");
    }

    void moduleFileNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("module");
        QTest::newRow("four digits") << "al_out_0001.cfg" << true;
        QTest::newRow("any character before cfg") << "al_out_0001xcfg" << true;
        QTest::newRow("five digits") << "al_out_10000.cfg" << false;
        QTest::newRow("suffix") << "al_out_0001.cfg.bak" << false;
        QTest::newRow("letter case") << "AL_OUT_0001.cfg" << false;
    }
    void moduleFileNames() {
        QFETCH(QString, name);
        QTEST(isModuleFileName(name), "module");
    }
};

QTEST_GUILESS_MAIN(tst_module_file)
#include "tst_module_file.moc"
