// The module list and the module file as the editor loads and saves it.
#include "common/editor_probe.h"
#include "common/process_rows.h"
#include "common/store_copy.h"
#include "common/test_support.h"
#include "common/write_blocker.h"
#include "host/store_host.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString outputs = "config/alarms/north/outputs";
const QByteArray pumps = "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\nModule=alm_tolv_opdb\r\n"
                         "[TOLV_CONFIG]\r\nDriver=12\r\n[Process]\r\nP1=1\r\nP2=007\r\nNOPE=3\r\n";
const QByteArray boilers = "[System]\r\nName=Boilers\r\nConfigTool=tolv\r\n[Process]\r\nP3=5\r\n";

QByteArray module(const QString& name, const QByteArray& rest = "[Process]\r\n") {
    return "[System]\r\nName=" + name.toUtf8() + "\r\nConfigTool=tolv\r\n" + rest;
}

} // namespace

// The editor on a copy of the sample store through the store host, with the
// south module Conveyors selected.
struct Hosted {
    explicit Hosted(const QString& work)
        : host((copyTree(sampleStore(), store.path()), store.path()), work, "tester"),
          plugin(work, "alm_tolv_output", ""), view(plugin) {
        host.attach(&plugin);
        plugin.activate(true);
        view.selectSystem("south");
        view.fileList()->setCurrentItem(view.fileList()->topLevelItem(0));
    }
    QByteArray stored(const QString& name) const {
        QFile file(store.filePath("config/alarms/south/outputs/" + name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    ModalScript modal; // a failed upload warns in a box
    QTemporaryDir store;
    StoreHost host;
    alm_tolv_output plugin;
    EditorProbe view;
};

class tst_modules : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<alm_tolv_output> editor;
    std::unique_ptr<EditorProbe> probe;

    void write(const QString& path, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(root->filePath(path)).path());
        QFile file(root->filePath(path));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    QByteArray read(const QString& path) {
        QFile file(root->filePath(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    // An editor on system "north", its folder checked out and locked, as the host
    // would leave it.
    void open(const QByteArray& processes = "[P1]\n[P2]\n[P3]\nGroup=G\n[P4]\n") {
        write("config/alarms/north/proc_def.cfg", processes);
        editor = std::make_unique<alm_tolv_output>(root->path(), "tolv", "");
        probe = std::make_unique<EditorProbe>(*editor);
        // The host grants the lock of every device description asked for, so that
        // a save may write the module's own.
        QObject::connect(editor.get(), &alm_tolv_output::command, editor.get(),
                         [this](const QString& word, const QString& file) {
                             if (word == "lock" && file.startsWith("config/devicetypes/"))
                                 probe->reply(HostReply::Ok, "lock", file);
                         });
        probe->selectSystem("north");
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        probe->reply(HostReply::Done, "download", outputs);
        for (const char* locked : {"config/devicetypes.xml", "config/instances.xml"})
            probe->reply(HostReply::Ok, "lock", locked);
        probe->reply(HostReply::Ok, "lock", outputs);
        editor->updateFileList();
    }
    QStringList rows() const {
        QStringList names;
        for (int i = 0; i < probe->fileList()->topLevelItemCount(); ++i)
            names << probe->fileList()->topLevelItem(i)->text(0) + '|' +
                         probe->fileList()->topLevelItem(i)->text(1);
        return names;
    }
    void select(const QString& name) {
        const auto found = probe->fileList()->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        probe->fileList()->setCurrentItem(found.first());
        QCOMPARE(probe->currentModule()->name, name);
    }
    QString shownSlot(const QString& name) { return slotOf(*probe->processEditor(), name); }
    QString current() const { return probe->currentModule() ? probe->currentModule()->name : "-"; }

private slots:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        write(outputs + "/al_out_0001.cfg", pumps);
        write(outputs + "/al_out_0002.cfg", boilers);
    }
    void cleanup() {
        probe.reset();
        editor.reset();
    }

    void loadingShowsTheSlotsOfTheFile_data() {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<QString>("shown");
        for (const char* kept : {"007", "4096", " 5"})
            QTest::newRow(kept) << kept << kept;
        for (const char* dropped : {"0", "-3", "4097", "abc"})
            QTest::newRow(dropped) << dropped << "";
    }
    void loadingShowsTheSlotsOfTheFile() {
        QFETCH(QString, slot);
        write(outputs + "/al_out_0003.cfg", module("Odd", "[Process]\r\nP4=" + slot.toUtf8()));
        open();
        select("Pumps");
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 12);
        select("Odd");
        QTEST(shownSlot("P4"), "shown");
        QCOMPARE(shownSlot("P1"), QString());
        // Keys the file lacks keep what the previous module set.
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 12);
        QVERIFY(probe->dbModule());
        QCOMPARE(probe->processEditor()->topLabel->text(),
                 QString("<h1>Alarms TOLV Output - Odd</h1>"));
    }

    void filesOfOtherEditorsAreReadAsTheProfileServiceReadsThem_data() {
        QTest::addColumn<QByteArray>("mark");
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("CR") << QByteArray() << QByteArray("\r");
        QTest::newRow("byte order mark, CR LF") << QByteArray("\xEF\xBB\xBF") << QByteArray("\r\n");
        QTest::newRow("byte order mark, LF") << QByteArray("\xEF\xBB\xBF") << QByteArray("\n");
    }
    void filesOfOtherEditorsAreReadAsTheProfileServiceReadsThem() {
        QFETCH(QByteArray, mark);
        QFETCH(QByteArray, end);
        const QByteArrayList lines = {"[System]",      "Name=Odd", "ConfigTool=tolv",
                                      "[TOLV_CONFIG]", "Driver=9", "[Process]",
                                      "P4=4",          ""};
        write(outputs + "/al_out_0003.cfg", mark + lines.join(end));
        open();
        select("Odd");
        QCOMPARE(shownSlot("P4"), QString("4"));
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 9);
    }

    void savingWritesTheRowsShownInTheirOrder() {
        open();
        select("Pumps");
        probe->processEditor()->procList->sortByColumn(0, Qt::DescendingOrder);
        setSlot(*probe->processEditor(), "P3", "+9");
        editor->saveFile(probe->currentModule(), true, false);
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), pumps); // not modified: nothing written
        editor->markDirty();
        editor->saveFile(probe->currentModule(), true, false);
        QCOMPARE(read(outputs + "/al_out_0001.cfg"),
                 QByteArray("[System]\r\nName=Pumps\r\nConfigTool=tolv\r\nModule=alm_tolv_opdb\r\n"
                            "AlmSystem=north\r\n[TOLV_CONFIG]\r\nDriver=12\r\n[Process]\r\n"
                            "P3=+9\r\nP2=007\r\nP1=1\r\n"));
        QVERIFY(!probe->currentModule()->modified);
    }

    void failedWriteKeepsTheModuleModifiedAndTheStoredFile() {
        open();
        select("Pumps");
        setSlot(*probe->processEditor(), "P4", "4");
        editor->markDirty();
        ModalScript modal;
        {
            WriteBlocker blocker(root->filePath(outputs));
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a write here");
            editor->apply();
        }
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Alarm output"));
        QVERIFY2(modal.seen[0].text.startsWith("Failed to open file - "),
                 qPrintable(modal.seen[0].text));
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), pumps);
        // The uploads of that Apply all finish: its changes are still in no file.
        for (const QString& path :
             {outputs, QString("config/devicetypes.xml"), QString("config/instances.xml")})
            probe->reply(HostReply::Done, "upload", path);
        QVERIFY(probe->currentModule()->modified);
        QVERIFY(editor->isDirty());
        editor->apply(); // tries again
        QVERIFY(read(outputs + "/al_out_0001.cfg").endsWith("P4=4\r\n"));
        QVERIFY(!probe->currentModule()->modified);
    }

    void reloadedProcessDefinitionsKeepWhatTheModuleShows() {
        open();
        select("Pumps");
        setSlot(*probe->processEditor(), "P4", "9"); // not saved yet
        editor->markDirty();
        // The definitions arrive again, changed: P2 is gone, P5 is new.
        write("config/alarms/north/proc_def.cfg", "[P1]\n[P3]\nGroup=G\n[P4]\n[P5]\n");
        QFile definitions(root->filePath("config/alarms/north/proc_def.cfg"));
        QVERIFY(definitions.open(QIODevice::ReadWrite));
        QVERIFY(definitions.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                        QFileDevice::FileModificationTime));
        definitions.close();
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        QCOMPARE(shownSlot("P1"), QString("1"));
        QCOMPARE(shownSlot("P4"), QString("9"));
        QCOMPARE(shownSlot("P5"), QString());
        QVERIFY(probe->processEditor()->rowOf("P2") < 0);
    }

    void moduleShownBeforeTheProcessDefinitionsArriveShowsItsSlots() {
        write("config/alarms/north/proc_def.cfg", "[P1]\n[P2]\n");
        editor = std::make_unique<alm_tolv_output>(root->path(), "tolv", "");
        probe = std::make_unique<EditorProbe>(*editor);
        probe->selectSystem("north");
        probe->reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        probe->reply(HostReply::Done, "download", outputs);
        select("Pumps"); // no process rows yet
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        QCOMPARE(shownSlot("P1"), QString("1"));
        QCOMPARE(shownSlot("P2"), QString("007"));
        QVERIFY(!probe->currentModule()->modified);
    }

    void largeModuleLoadsAndSavesInOnePass() {
        QByteArray processes;
        QByteArray slotLines = "[Process]\r\n";
        for (int i = 0; i < 100000; ++i) {
            processes += "[P" + QByteArray::number(i) + "]\r\nGroup=G\r\n";
            if (i % 24 == 0 && i / 24 < 4096)
                slotLines +=
                    "P" + QByteArray::number(i) + '=' + QByteArray::number(i / 24 + 1) + "\r\n";
        }
        write(outputs + "/al_out_0003.cfg", module("Big", slotLines));
        open(processes);
        QElapsedTimer timer;
        timer.start();
        select("Big");
        editor->markDirty();
        editor->apply();
        qInfo("load and save: %lld ms", timer.elapsed());
        QVERIFY(timer.elapsed() < 20000);
        QCOMPARE(shownSlot("P98280"), QString("4096"));
        QCOMPARE(read(outputs + "/al_out_0003.cfg").count("\r\nP"), 4096);
    }

    void newModulesTakeTheLowestFreeNumber_data() {
        QTest::addColumn<QList<int>>("present");
        QTest::addColumn<QString>("expected");
        QTest::newRow("gap") << QList<int>{1, 3} << "al_out_0002.cfg";
        QTest::newRow("after the last") << QList<int>{1, 2} << "al_out_0003.cfg";
        QList<int> full;
        for (int n = 1; n <= 9999; ++n)
            full << n;
        QTest::newRow("five digits") << full << "al_out_10000.cfg";
    }
    void newModulesTakeTheLowestFreeNumber() {
        QFETCH(QList<int>, present);
        QDir(root->filePath(outputs)).removeRecursively();
        QDir().mkpath(root->filePath(outputs));
        for (int n : present)
            QFile(root->filePath(outputs + QString::asprintf("/al_out_%04d.cfg", n)))
                .open(QIODevice::WriteOnly);
        open();
        QString name;
        QString path;
        editor->nextFileName(name, path);
        QTEST(name, "expected");
        QCOMPARE(path, outputs + "/" + name);
    }

    void newModuleIsWrittenEmpty() {
        write("config/devicetypes.xml", "<devicetypes>\r\n</devicetypes>\r\n");
        open();
        select("Pumps");
        auto pump = std::make_unique<devTemplate>();
        pump->name = "pump";
        probe->templates().insert(std::move(pump)); // as if Pumps had a template
        editor->menuNewFile();
        QCOMPARE(current(), QString("al_out_0003.cfg"));
        QVERIFY(probe->currentModule()->modified);
        QCOMPARE(read(outputs + "/al_out_0003.cfg"),
                 QByteArray("[System]\r\nName=al_out_0003.cfg\r\nConfigTool=tolv\r\n"
                            "Module=alm_tolv_op\r\nAlmSystem=north\r\n[TOLV_CONFIG]\r\n"
                            "Driver=0\r\n[Process]\r\n"));
        QVERIFY(probe->templates().isEmpty());
        QCOMPARE(shownSlot("P1"), QString());
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 0);
        QVERIFY(probe->fileList()->findChild<QLineEdit*>()); // naming it at once
        QCOMPARE(read("config/devicetypes.xml"), QByteArray("<devicetypes>\r\n</devicetypes>\r\n"));
    }

    void newModuleThatCannotBeWrittenIsKeptModified() {
        open();
        select("Pumps");
        ModalScript modal;
        {
            WriteBlocker blocker(root->filePath(outputs));
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a write here");
            editor->menuNewFile();
        }
        QCOMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].caption, QString("Alarm output"));
        QVERIFY2(modal.seen[0].text.startsWith("Failed to open file - "),
                 qPrintable(modal.seen[0].text));
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), pumps);
        QVERIFY(!QFileInfo::exists(root->filePath(outputs + "/al_out_0003.cfg")));
        QCOMPARE(current(), QString("al_out_0003.cfg"));
        QVERIFY(probe->currentModule()->modified);
        editor->apply(); // written once the folder takes it
        QVERIFY(read(outputs + "/al_out_0003.cfg").startsWith("[System]\r\nName=al_out_0003.cfg"));
    }

    void duplicatesAreNamedAsCopiesAndShown() {
        open();
        select("Pumps");
        QStringList names;
        for (const char* from : {"Pumps", "Pumps", "Copy 1 of Pumps"}) {
            select(from);
            editor->menuDuplicateFile();
            names << current();
        }
        QCOMPARE(names,
                 QStringList({"Copy 1 of Pumps", "Copy 2 of Pumps", "Copy 1 of Copy 1 of Pumps"}));
        QVERIFY(probe->currentModule()->modified);
        QCOMPARE(shownSlot("P2"), QString("007"));
        QVERIFY(read(outputs + "/al_out_0003.cfg").endsWith("[Process]\r\nP1=1\r\nP2=007\r\n"));
        QCOMPARE(rows().last(), QString("Copy 1 of Copy 1 of Pumps|al_out_0005.cfg"));
    }

    void renameRules_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message"); // empty: accepted
        QTest::newRow("own name") << "Pumps"
                                  << "";
        QTest::newRow("other letter case") << "boilers"
                                           << "";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("another module's") << "Boilers"
                                          << "New name already exists.";
        const QString unfit = "A module name cannot contain \"/\", \"\\\", control characters or "
                              "characters that the configuration files cannot hold.";
        QTest::newRow("slash") << "../../x" << unfit;
        QTest::newRow("outside the files' characters") << "Насос" << unfit;
        QTest::newRow("backslash") << "a\\b" << unfit;
        QTest::newRow("line feed") << "a\nb" << unfit;
    }
    void renameRules() {
        QFETCH(QString, text);
        QFETCH(QString, message);
        open();
        select("Pumps");
        ModalScript modal;
        QTreeWidgetItem* row = probe->fileList()->topLevelItem(0);
        row->setText(0, text); // as the in-place edit leaves it
        editor->renameModule(row, 0, text);
        const QString name = message.isEmpty() ? text : "Pumps";
        QCOMPARE(probe->currentModule()->name, name);
        QCOMPARE(row->text(0), name);
        QCOMPARE(modal.seen.value(0).text, message);
        QCOMPARE(modal.seen.value(0).caption, message.isEmpty() ? "" : "cTOLV Output Editor");
    }

    void renameCommittedByAClickOnAnotherRowRenamesTheEditedModule() {
        open();
        select("Pumps");
        QTreeWidget* list = probe->fileList();
        editor->dockWindows()[0]->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor->dockWindows()[0]));
        editor->menuRename();
        auto* line = list->findChild<QLineEdit*>();
        QVERIFY(line);
        line->setText("Renamed");
        const QRect other = list->visualItemRect(list->topLevelItem(1));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, other.center());
        QTRY_COMPARE(rows(), QStringList({"Renamed|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));
        QTRY_COMPARE(current(), QString("Boilers"));
        QTRY_COMPARE(probe->modules()[0]->name, QString("Renamed"));
        QVERIFY(read(outputs + "/al_out_0001.cfg").startsWith("[System]\r\nName=Renamed\r\n"));
    }

    void slotTypedThenAClickOnAnotherModuleIsSavedWithItsModule() {
        open();
        select("Pumps");
        QTreeView* procs = probe->processEditor()->procList;
        procs->show();
        QLineEdit* line = openSlotEdit(*probe->processEditor(), "P3");
        QVERIFY(line);
        line->setText("9");
        // A click on another module: the edit loses the focus and is committed,
        // and the same press changes the module before any queued work runs.
        emit procs->itemDelegate()->commitData(line);
        select("Boilers");
        QVERIFY2(read(outputs + "/al_out_0001.cfg").contains("\r\nP3=9\r\n"),
                 read(outputs + "/al_out_0001.cfg").constData());
    }

    void rescanFollowsTheFolder_data() {
        QTest::addColumn<QByteArray>("pumpsNow"); // empty: the file was removed
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("shown");
        const QString boilersRow = "Boilers|al_out_0002.cfg";
        QTest::newRow("changed") << module("Pumps 2")
                                 << QStringList{"Pumps 2|al_out_0001.cfg", boilersRow} << "Pumps 2";
        QTest::newRow("removed") << QByteArray() << QStringList{boilersRow} << "-";
        QTest::newRow("taken by another tool")
            << QByteArray("[System]\nName=Pumps\nConfigTool=other\n") << QStringList{boilersRow}
            << "-";
    }
    void rescanFollowsTheFolder() {
        QFETCH(QByteArray, pumpsNow);
        open();
        select("Pumps");
        setSlot(*probe->processEditor(), "P4", "4");
        editor->markDirty();
        write(outputs + "/al_out_0009.cfg", module("New"));
        write(outputs + "/al_out_0001xcfg", module("Odd name"));
        write(outputs + "/al_out_10000.cfg", module("Five digits"));
        write(outputs + "/al_out_0007.cfg\n", module("Line feed"));
        write(outputs + "/al_out_0008.cfg", "[System]\nName=Theirs\nConfigTool=other\n");
        if (pumpsNow.isEmpty())
            QFile::remove(root->filePath(outputs + "/al_out_0001.cfg"));
        else
            write(outputs + "/al_out_0001.cfg", pumpsNow);
        QFile(root->filePath(outputs + "/al_out_0001.cfg"))
            .setFileTime(QDateTime::currentDateTime().addSecs(5),
                         QFileDevice::FileModificationTime);
        editor->updateFileList();
        QFETCH(QStringList, expected);
        QCOMPARE(rows(),
                 expected + QStringList({"Odd name|al_out_0001xcfg", "New|al_out_0009.cfg"}));
        QTEST(current(), "shown");
        if (probe->currentModule())
            QVERIFY(!probe->currentModule()->modified); // the file's state counts now
        QCOMPARE(shownSlot("P4"), QString("4"));        // not reloaded, not saved
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), (pumpsNow.isEmpty() ? "<missing>" : pumpsNow));
    }

    void deleteRemovesTheFileAndTheRow() {
        open();
        select("Pumps");
        editor->menuDeleteFile();
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), QByteArray("<missing>"));
        QCOMPARE(rows(), QStringList{"Boilers|al_out_0002.cfg"});
        QCOMPARE(current(), QString("-"));
        QVERIFY(!probe->fileList()->currentItem() && probe->fileList()->selectedItems().isEmpty());
        QVERIFY(editor->isDirty());
        QCOMPARE(shownSlot("P2"), QString("007")); // shown until another is chosen
    }

    void moduleWhoseFileCannotBeRemovedStays() {
        open();
        select("Pumps");
        ModalScript modal;
        {
            WriteBlocker blocker(root->filePath(outputs));
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a removal here");
            editor->menuDeleteFile();
        }
        QCOMPARE(modal.seen.size(), 1);
        QVERIFY2(modal.seen[0].text.startsWith("Failed to remove file - "),
                 qPrintable(modal.seen[0].text));
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), pumps);
        QCOMPARE(rows(), QStringList({"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));
        QCOMPARE(current(), QString("Pumps"));
        QVERIFY(!editor->isDirty());
    }

    void modulesOfTheSameNameAreToldApartByTheirFile() {
        write(outputs + "/al_out_0002.cfg", module("Pumps", "[Process]\r\nP3=5\r\n"));
        open();
        for (const int row : {0, 1, 0}) {
            probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(row));
            QCOMPARE(probe->currentModule()->fileName,
                     outputs + "/" + probe->fileList()->topLevelItem(row)->text(1));
        }
        QCOMPARE(shownSlot("P1"), QString("1"));
    }

    void returningToACheckedOutSystemListsItsModules() {
        open();
        probe->selectSystem("south");
        QVERIFY(rows().isEmpty());
        probe->selectSystem("north");
        QCOMPARE(rows(), QStringList({"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));
        QCOMPARE(probe->modules().size(), size_t(2));
    }

    void nameFromAFileUnfitForAPathMakesNoPath() {
        write(outputs + "/al_out_0003.cfg", module("../../../escape"));
        open();
        CommandLog log(*editor);
        select("../../../escape");
        QCOMPARE(log.lines, QStringList()); // no lock for it
        editor->markDirty();
        editor->apply(); // the module file is still saved
        QVERIFY(read(outputs + "/al_out_0003.cfg").contains("AlmSystem=north"));
        // Renamed to a fit name, its device description is asked for under that name.
        QTreeWidgetItem* row = probe->fileList()->topLevelItem(2);
        row->setText(0, "Safe");
        editor->renameModule(row, 0, "Safe");
        QVERIFY(log.lines.contains("lock config/devicetypes/north_Safe.xml"));
        QCOMPARE(log.lines.filter("escape"), QStringList());
    }

    void everyByteSurvivesALoadAndASave() {
        QByteArray bytes = "\xa0";
        for (int i = 0; i < 256; ++i)
            if (i != '\n' && i != '\r' && i != '=')
                bytes += char(i);
        bytes += '\xa0';
        const QByteArray file = "[System]\r\nName=" + bytes +
                                "\r\nConfigTool=tolv\r\nModule=alm_tolv_op\r\n"
                                "AlmSystem=north\r\n[TOLV_CONFIG]\r\nDriver=1\r\n[Process]\r\n" +
                                bytes + "=3\r\n";
        write(outputs + "/al_out_0003.cfg", file);
        open("[" + bytes + "]\r\n");
        probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(2));
        QCOMPARE(probe->processEditor()->processRow(0).slot, QString("3"));
        editor->markDirty();
        editor->apply();
        QCOMPARE(read(outputs + "/al_out_0003.cfg"), file);
    }

    void editedSlotReachesTheStoreByteForByte() {
        Hosted hosted(root->path());
        hosted.view.processEditor()->procList->show();
        QLineEdit* line = openSlotEdit(*hosted.view.processEditor(), "C1_RUN");
        QVERIFY(line);
        line->setText("17");
        QTest::keyClick(line, Qt::Key_Return);
        QTRY_VERIFY(hosted.view.currentModule()->modified);
        hosted.plugin.apply();
        const QByteArray bytes = hosted.stored("al_out_0001.cfg");
        QFile golden(QStringLiteral(TOLV_TEST_DATA "/conveyors_edited.cfg"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QByteArray expected = golden.readAll();
        QCOMPARE(bytes.split('\n'), expected.split('\n')); // names the first differing line
        QCOMPARE(bytes, expected);
        QVERIFY(!hosted.plugin.isDirty());
    }

    void newAndDeletedModulesReachTheStoreOnApply() {
        Hosted hosted(root->path());
        hosted.plugin.menuDuplicateFile();
        hosted.plugin.apply();
        QVERIFY(hosted.stored("al_out_0002.cfg")
                    .startsWith("[System]\r\nName=Copy 1 of Conveyors\r\n"));
        hosted.plugin.menuDeleteFile();
        hosted.plugin.apply();
        QCOMPARE(hosted.stored("al_out_0002.cfg"), QByteArray("<missing>"));
        QVERIFY(hosted.stored("al_out_0001.cfg").startsWith("[System]\r\nName=Conveyors\r\n"));
    }
};

QTEST_MAIN(tst_modules)
#include "tst_modules.moc"
