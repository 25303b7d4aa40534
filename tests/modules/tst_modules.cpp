// The module list and the module file as the editor loads and saves it.
#include "common/fixture.h"

#include <QDockWidget>
#include <QLabel>
#include <QMainWindow>
#include <QToolBar>

namespace {

const QByteArray pumps = "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\nModule=alm_tolv_opdb\r\n"
                         "[TOLV_CONFIG]\r\nDriver=12\r\n[Process]\r\nP1=1\r\nP2=007\r\nNOPE=3\r\n";

QByteArray module(const QString& name, const QByteArray& rest = "[Process]\r\n") {
    return "[System]\r\nName=" + name.toUtf8() + "\r\nConfigTool=tolv\r\n" + rest;
}

} // namespace

class tst_modules : public QObject, ModuleFixture {
    Q_OBJECT
    ScopedSettings settings;

    void openPumps() {
        open();
        select("Pumps");
    }

private slots:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        write(outputs + "/al_out_0001.cfg", pumps);
        write(outputs + "/al_out_0002.cfg", module("Boilers", "[Process]\r\nP3=5\r\n"));
    }
    void cleanup() {
        probe.reset();
        editor.reset();
    }

    // Pumps (driver 12, a database module) is shown before; a key the file lacks
    // keeps what Pumps set.
    void loadingShowsWhatTheFileSays_data() {
        QTest::addColumn<QString>("slot"); // P4's
        for (const auto& [slot, shown] :
             {std::pair{"007", "007"}, {"4096", "4096"}, {"0", ""}, {"4097", ""}})
            QTest::newRow(slot) << QString(shown);
    }
    void loadingShowsWhatTheFileSays() {
        const QString name = "<b>Odd";
        write(outputs + "/al_out_0003.cfg",
              module(name, "[Process]\r\nP4=" + QByteArray(QTest::currentDataTag())));
        openPumps();
        select(name);
        QTEST(shownSlot("P4"), "slot");
        QCOMPARE(shownSlot("P1"), QString());
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 12);
        QVERIFY(probe->dbModule());
        QCOMPARE(probe->processEditor()->topLabel->text(), // a name is no markup
                 "<h1>Alarms TOLV Output - " + name.toHtmlEscaped() + "</h1>");
    }

    // While the outputs folder refuses files: one box, no stored file changed, and changes in
    // no file keep their module modified for the next Apply, which writes the rows in the order
    // shown and nothing for a module not modified.
    void refusedByTheFolder_data() {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("written"); // the shown module's file ends so after an Apply
        const QString open = "Failed to open file - ";
        QTest::newRow("apply") << open << "Pumps"
                               << QByteArray(
                                      "opdb\r\nAlmSystem=north\r\n[TOLV_CONFIG]\r\nDriver=12\r\n"
                                      "[Process]\r\nP4=+4\r\nP2=007\r\nP1=1\r\n");
        QTest::newRow("menuNewFile") << open << "al_out_0003.cfg" << QByteArray("[Process]\r\n");
        QTest::newRow("menuDuplicateFile") << open << "Pumps" << QByteArray();
        QTest::newRow("menuDeleteFile") << "Failed to remove file - "
                                        << "Pumps" << QByteArray();
    }
    void refusedByTheFolder() {
        QFETCH(QByteArray, written);
        openPumps();
        probe->processEditor()->procList->sortByColumn(0, Qt::DescendingOrder);
        if (written.startsWith("opdb")) {
            setSlot(*probe->processEditor(), "P4", "+4");
            editor->markDirty();
        }
        ModalScript modal;
        {
            WriteBlocker blocker(root->filePath(outputs));
            if (!blocker.blocked())
                QSKIP("this file system cannot refuse a write here");
            QMetaObject::invokeMethod(editor.get(), QTest::currentDataTag());
        }
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(modal.seen.size(), 1);
        QVERIFY2(modal.seen[0].text.startsWith(message), qPrintable(modal.seen[0].text));
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), pumps);
        QCOMPARE(rows().mid(0, 2),
                 QStringList({"Pumps|al_out_0001.cfg", "Boilers|al_out_0002.cfg"}));
        QCOMPARE(rows().size(), shown == "Pumps" ? 2 : 3);
        QCOMPARE(current(), shown);
        QVERIFY(!QFileInfo::exists(root->filePath(outputs + "/al_out_0003.cfg")));
        // The uploads of that Apply all finish: its changes are still in no file.
        for (const QString& path :
             {outputs, QString("config/devicetypes.xml"), QString("config/instances.xml")})
            probe->reply(HostReply::Done, "upload", path);
        QCOMPARE(probe->currentModule()->modified, !written.isEmpty());
        QCOMPARE(editor->isDirty(), !written.isEmpty());
        editor->apply(); // tries again
        const QByteArray now = read(probe->currentModule()->fileName);
        QVERIFY(written.isEmpty() ? now == pumps : now.endsWith(written));
        QVERIFY(!probe->currentModule()->modified);
    }

    // Shown before they arrive, the module shows its slots once they do; when
    // they arrive again, changed, the unsaved edits stay.
    void processDefinitionsArrivingKeepWhatTheModuleShows() {
        write("config/alarms/north/proc_def.cfg", "[P1]\n[P2]\n[P4]\n");
        editor = std::make_unique<alm_tolv_output>(root->path(), "tolv", "");
        probe = std::make_unique<EditorProbe>(*editor);
        probe->selectSystem("north");
        probe->reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        probe->reply(HostReply::Done, "download", outputs);
        select("Pumps"); // no process rows yet
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        QCOMPARE(shownSlot("P2"), QString("007"));
        QVERIFY(!probe->currentModule()->modified);
        setSlot(*probe->processEditor(), "P4", "9"); // not saved yet
        editor->markDirty();
        // They arrive again, changed: P2 is gone, P5 is new.
        writeLater("config/alarms/north/proc_def.cfg", "[P1]\n[P3]\nGroup=G\n[P4]\n[P5]\n");
        probe->reply(HostReply::Ok, "download", "config/alarms/north/proc_def.cfg");
        QCOMPARE(shownSlot("P1") + shownSlot("P4") + shownSlot("P5"), QString("19"));
        QVERIFY(probe->processEditor()->rowOf("P2") < 0);
    }

    void newModuleTakesTheLowestFreeNumberAndStartsEmpty_data() {
        QTest::addColumn<QList<int>>("present"); // beside Pumps' al_out_0001.cfg
        QTest::addColumn<int>("storeOnly");      // a file the host could not download, or 0
        QTest::addColumn<QString>("expected");
        QTest::newRow("gap") << QList<int>{3} << 0 << "al_out_0002.cfg";
        QTest::newRow("a file only the store has") << QList<int>{3} << 2 << "al_out_0004.cfg";
        QList<int> full;
        for (int n = 2; n <= 9999; ++n)
            full << n;
        QTest::newRow("five digits") << full << 0 << "al_out_10000.cfg";
    }
    void newModuleTakesTheLowestFreeNumberAndStartsEmpty() {
        QFETCH(QList<int>, present);
        QFETCH(int, storeOnly);
        QFETCH(QString, expected);
        QFile::remove(root->filePath(outputs + "/al_out_0002.cfg"));
        for (int n : present)
            QFile(root->filePath(outputs + QString::asprintf("/al_out_%04d.cfg", n)))
                .open(QIODevice::WriteOnly);
        write("config/devicetypes.xml", "<devicetypes>\r\n</devicetypes>\r\n");
        openPumps();
        ModalScript modal; // the failed download is told
        if (storeOnly)
            probe->reply(HostReply::Fail, "download",
                         outputs + QString::asprintf("/al_out_%04d.cfg", storeOnly), "unreadable");
        probe->templates().insert(std::make_unique<devTemplate>("pump")); // as if Pumps had one
        editor->menuNewFile();
        QCOMPARE(current(), expected);
        QVERIFY(probe->currentModule()->modified);
        QCOMPARE(read(outputs + "/" + expected).replace(expected.toUtf8(), "NEW"),
                 readTestData("new_module.cfg"));
        QVERIFY(probe->templates().isEmpty());
        QCOMPARE(shownSlot("P1"), QString());
        QCOMPARE(probe->processEditor()->infodriverNumber->value(), 0);
        QVERIFY(probe->fileList()->findChild<QLineEdit*>()); // naming it at once
        QCOMPARE(read("config/devicetypes.xml"), QByteArray("<devicetypes>\r\n</devicetypes>\r\n"));
    }

    void duplicatesAreNamedAsCopiesAndShown() {
        write(outputs + "/al_out_0009.cfg",
              module("COPY 2 OF PUMPS")); // letter case aside, taken
        write(outputs + "/al_out_0001.cfg",
              pumps + "[Templates]\r\npump=0,1,''\r\n[Instances]\r\npump=A,\r\n");
        write("config/devicetypes/north_Pumps_pump.xml",
              "<device_description "
              "name=\"north_Pumps_pump\"><param name=\"_RUN\" slot=\"1\"/></device_description>");
        ModalScript modal; // a copy saved without its description would warn
        openPumps();
        QStringList names;
        for (const char* from : {"Pumps", "Pumps", "Copy 1 of Pumps"}) {
            select(from);
            editor->menuDuplicateFile();
            names << current();
        }
        QCOMPARE(names,
                 QStringList({"Copy 1 of Pumps", "Copy 3 of Pumps", "Copy 1 of Copy 1 of Pumps"}));
        QVERIFY(probe->currentModule()->modified);
        QCOMPARE(shownSlot("P2"), QString("007"));
        QVERIFY(read(outputs + "/al_out_0003.cfg").endsWith("[Process]\r\nP1=1\r\nP2=007\r\n"));
        QCOMPARE(rows().last(), QString("Copy 1 of Copy 1 of Pumps|al_out_0005.cfg"));
        // The copy's template has its description at once, though no lock is held for it yet.
        QVERIFY(
            QFileInfo::exists(root->filePath("config/devicetypes/north_Copy 1 of Pumps_pump.xml")));
    }

    void namesRefused_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("held");       // the session holds the outputs folder
        QTest::addColumn<QString>("message"); // empty: no box
        QTest::addColumn<QString>("name");    // the module's name after
        const QString unfit = "A module name cannot contain \"/\", \"\\\", control characters";
        const QString notKept = "The module file cannot keep this name as it is";
        const QString longest(255, 'x');
        auto row = [](const char* tag, const QString& text, const QString& message = {},
                      bool held = true) {
            QTest::newRow(tag) << text << held << message
                               << (message.isEmpty() && held ? text : QString("Pumps"));
        };
        row("own name", "Pumps");
        row("empty", "");
        row("255 characters", longest);
        row("another module's in other letter case", "boilers",
            "Another module is called \"Boilers\". Names that differ only in "
            "letter case");
        row("256 characters", longest + 'x', notKept);
        row("slash", "../../x", unfit);
        row("outside the files' characters", "\u041d\u0430\u0441\u043e\u0441", unfit);
        row("backslash", "a\\b", unfit);
        row("read-only session", "Renamed", {}, false);
        row("Boilers shown meanwhile", "Renamed"); // as a click on it commits the edit
    }
    void namesRefused() {
        QFETCH(QString, text);
        QFETCH(bool, held);
        QFETCH(QString, message);
        QFETCH(QString, name);
        openPumps();
        if (!held) { // the shared files are held, the outputs folder not
            probe->lockedDirs().clear();
            editor->updateActions();
        }
        QCOMPARE(probe->fileList()->editTriggers() == QAbstractItemView::NoEditTriggers, !held);
        const bool meanwhile = QByteArray(QTest::currentDataTag()).endsWith("meanwhile");
        if (meanwhile)
            select("Boilers");
        ModalScript modal;
        QTreeWidgetItem* row = probe->fileList()->topLevelItem(0);
        row->setText(0, text); // as the in-place edit leaves it
        editor->renameModule(row, 0, text);
        QCOMPARE(probe->modules()[0]->name + '|' + row->text(0), name + '|' + name);
        QCOMPARE(read(outputs + "/al_out_0001.cfg").contains("Name=Renamed\r\n"),
                 name == "Renamed");
        QCOMPARE(modal.seen.size(), message.isEmpty() ? 0 : 1);
        QVERIFY2(modal.seen.value(0).text.startsWith(message),
                 qPrintable(modal.seen.value(0).text));
        QCOMPARE(editor->isDirty(), held && message.isEmpty());
        QCOMPARE(probe->processEditor()->topLabel->text(),
                 "<h1>Alarms TOLV Output - " + (meanwhile ? "Boilers" : name) + "</h1>");
    }

    void rescanFollowsTheFolder_data() {
        QTest::addColumn<QByteArray>("pumpsNow"); // empty: the file was removed
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("shown");
        const QString boilersRow = "Boilers|al_out_0002.cfg";
        // The edits are kept until the save asks which side wins.
        QTest::newRow("changed under unsaved edits")
            << module("Pumps 2") << QStringList{"Pumps|al_out_0001.cfg", boilersRow} << "Pumps";
        QTest::newRow("removed") << QByteArray() << QStringList{boilersRow} << "-";
        QTest::newRow("taken by another tool")
            << QByteArray("[System]\nName=Pumps\nConfigTool=other\n") << QStringList{boilersRow}
            << "-";
    }
    void rescanFollowsTheFolder() {
        QFETCH(QByteArray, pumpsNow);
        openPumps();
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
            writeLater(outputs + "/al_out_0001.cfg", pumpsNow);
        editor->updateFileList();
        QFETCH(QStringList, expected);
        QCOMPARE(rows(),
                 expected + QStringList({"Odd name|al_out_0001xcfg", "New|al_out_0009.cfg"}));
        QTEST(current(), "shown");
        // With the shown module gone, nothing is left to copy.
        QCOMPARE(probe->action("duplicate")->isEnabled(), probe->currentModule() != nullptr);
        if (probe->currentModule())
            QVERIFY(probe->currentModule()->modified);
        QCOMPARE(shownSlot("P4"), QString("4")); // not reloaded, not saved
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), (pumpsNow.isEmpty() ? "<missing>" : pumpsNow));
    }

    void deleteKeyDeletesTheModuleOnlyFromTheModuleList() {
        openPumps();
        QMainWindow window; // as a host shows the editor, its tool bar and its dock
        window.setCentralWidget(editor.get());
        window.addToolBar(qobject_cast<QToolBar*>(editor->dockWindows()[1]));
        window.addDockWidget(Qt::LeftDockWidgetArea,
                             qobject_cast<QDockWidget*>(editor->dockWindows()[0]));
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        probe->processEditor()->procList->setFocus();
        QTest::keyClick(probe->processEditor()->procList, Qt::Key_Delete);
        QCOMPARE(current(), QString("Pumps"));
        probe->fileList()->setFocus();
        QTest::keyClick(probe->fileList(), Qt::Key_Delete);
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), QByteArray("<missing>"));
        QCOMPARE(rows(), QStringList{"Boilers|al_out_0002.cfg"});
        QCOMPARE(current(), QString("-"));
        QVERIFY(!probe->fileList()->currentItem() && probe->fileList()->selectedItems().isEmpty());
        QVERIFY(editor->isDirty());
        QCOMPARE(shownSlot("P2"), QString("007")); // shown until another is chosen
        editor->setParent(nullptr);                // the test owns it
    }

    void deletedModuleStaysDeletedWhenTheHostShowsAnotherMeanwhile() {
        openPumps();
        QObject::connect(editor.get(), &alm_tolv_output::command, editor.get(),
                         [this](const QString& word) {
                             if (word == "dirty")
                                 select("Boilers");
                         });
        editor->menuDeleteFile();
        QCOMPARE(read(outputs + "/al_out_0001.cfg"), QByteArray("<missing>"));
        QCOMPARE(rows(), QStringList{"Boilers|al_out_0002.cfg"});
        QCOMPARE(current(), QString("Boilers"));
    }

    void moduleNamedUnfitForAPathIsReadOnlyUntilRenamed_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("slash") << QByteArray("../../../escape");
        QTest::newRow("byte 0x81") << QByteArray("a\x81");
        QTest::newRow("another module's device type") << QByteArray("Boilers");
    }
    void moduleNamedUnfitForAPathIsReadOnlyUntilRenamed() {
        QFETCH(QByteArray, name);
        const QByteArray file = "[System]\r\nName=" + name + "\r\nConfigTool=tolv\r\n";
        write(outputs + "/al_out_0003.cfg", file);
        open();
        CommandLog log(*editor);
        ModalScript modal;
        probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(2));
        QCOMPARE(probe->currentModule()->fileName, outputs + "/al_out_0003.cfg"); // not by name
        QVERIFY(modal.seen.value(0).text.endsWith("rename it to edit it."));
        QVERIFY(!probe->processEditor()->isEnabled());
        QCOMPARE(log.lines, QStringList()); // no lock for it
        editor->markDirty();
        editor->apply(); // not saved without its device files
        QCOMPARE(read(outputs + "/al_out_0003.cfg"), file);
        QTreeWidgetItem* row = probe->fileList()->topLevelItem(2);
        row->setText(0, "Safe");
        editor->renameModule(row, 0, "Safe");
        QVERIFY(log.lines.contains("lock config/devicetypes/north_Safe.xml"));
        QVERIFY(probe->processEditor()->isEnabled());
        QCOMPARE(modal.seen.size(), 1);
    }

    void selectingAModuleWhoseFileIsGoneDropsIt() {
        openPumps();
        QFile::remove(root->filePath(outputs + "/al_out_0002.cfg"));
        ModalScript modal;
        probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(1));
        QVERIFY(
            modal.seen.value(0).text.endsWith("is gone. The module was removed from the list."));
        QCOMPARE(rows(), QStringList{"Pumps|al_out_0001.cfg"});
        QCOMPARE(current(), QString("-"));
        QCOMPARE(shownSlot("P2"), QString()); // Pumps' rows are not Boilers'
        QCOMPARE(read(outputs + "/al_out_0002.cfg"), QByteArray("<missing>"));
    }

    void moduleChangedOnDiskIsSavedAsTheUserAnswers_data() {
        QTest::addColumn<QString>("p4");        // shown after the save; the tag is the answer
        QTest::addColumn<QByteArray>("stored"); // the file's process lines after
        QTest::addColumn<QString>("meanwhile"); // a module a reply shows while the box is open
        const QByteArray edited = "P1=1\r\nP2=007\r\nP4=4\r\n";
        QTest::newRow("Overwrite") << QString("4") << edited << "";
        QTest::newRow("Reload") << QString() << QByteArray("P3=8\r\n") << "";
        QTest::newRow("Overwrite, Boilers shown meanwhile") << QString() << edited << "Boilers";
    }
    void moduleChangedOnDiskIsSavedAsTheUserAnswers() {
        openPumps();
        setSlot(*probe->processEditor(), "P4", "4");
        editor->markDirty();
        writeLater(outputs + "/al_out_0001.cfg", module("Pumps", "[Process]\r\nP3=8\r\n"));
        QFETCH(QString, meanwhile);
        ModalScript modal;
        modal.answer([&](QDialog& box) {
            if (!meanwhile.isEmpty()) // its save asks again, and is answered Overwrite
                probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(1));
            for (QAbstractButton* button : box.findChildren<QAbstractButton*>())
                if (button->text() == QString(QTest::currentDataTag()).section(',', 0, 0))
                    button->click();
            return 0;
        });
        editor->apply();
        QTEST(shownSlot("P4"), "p4");
        QFETCH(QByteArray, stored);
        QCOMPARE(read(outputs + "/al_out_0001.cfg").split('[').last(), "Process]\r\n" + stored);
        QVERIFY(!probe->currentModule()->modified);
    }

    // A process named with every byte but line ends and '=' (a blank at both ends), in a
    // module named with the bytes a name may hold.
    void everyByteSurvivesALoadAndASave() {
        const QByteArray file = readTestData("every_byte.cfg");
        const QByteArray bytes = file.mid(file.indexOf("[Process]\r\n") + 11).chopped(4);
        write(outputs + "/al_out_0003.cfg", file);
        open("[" + bytes + "]\r\n");
        probe->fileList()->setCurrentItem(probe->fileList()->topLevelItem(2));
        QCOMPARE(probe->processEditor()->processRow(0).slot, QString("3"));
        editor->markDirty();
        ModalScript modal; // its device description's name is too long for this file system
        editor->apply();
        QCOMPARE(read(outputs + "/al_out_0003.cfg"), file);
    }
};

QTEST_MAIN(tst_modules)
#include "tst_modules.moc"
