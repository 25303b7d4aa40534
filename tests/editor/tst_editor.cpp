// The editor window: actions from the lock state, navigation, open edits, layout.
#include "common/files.h"
#include "common/fixture.h"
#include "proclist/process_list_delegate.h"

#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>

class tst_editor : public QObject, ModuleFixture {
    Q_OBJECT
    ScopedSettings settings;

    QString storedPumps() { // the process lines of Pumps' file, sorted
        const QByteArray file = read(outputs + "/al_out_0001.cfg");
        QStringList lines = QString::fromLatin1(file.mid(file.indexOf("[Process]\r\n") + 11))
                                .split("\r\n", Qt::SkipEmptyParts);
        lines.sort();
        return lines.join(',');
    }

private slots:
    void init() {
        root = std::make_unique<QTemporaryDir>();
        write(outputs + "/al_out_0001.cfg",
              "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n[Process]\r\nP1=3\r\nP2=7\r\nP3=8\r\n");
        write(outputs + "/al_out_0002.cfg", "[System]\r\nName=Fans\r\nConfigTool=tolv\r\n");
    }
    void cleanup() {
        probe.reset();
        editor.reset();
    }

    // The menu, the docks and the texts of a new editor, and the answers of the
    // contract's base class for a plug-in that overrides nothing.
    void partsOfANewEditor() {
        alm_tolv_output fresh(root->path(), "tolv", "x");
        QStringList parts;
        for (QAction* a : fresh.popupMenus()[0]->actions())
            parts << QStringList{a->objectName(), a->text(), a->shortcut().toString(),
                                 QString::number(a->isEnabled())}
                         .join('|');
        for (QWidget* dock : fresh.dockWindows())
            parts << dock->objectName();
        parts << fresh.dockWindows()[0]->findChild<QTabWidget*>()->tabText(0) << fresh.about();
        parts << QString::number(EditorProbe(fresh).processEditor()->isEnabled() ||
                                 fresh.isDirty() || fresh.getSystemDocument());
        config_plugin_base plain(root->path(), "other", "");
        parts << plain.objectName() + '|' + plain.about()
              << QString::number(plain.hostQuery() || plain.isDirty() ||
                                 !plain.dockWindows().isEmpty() || !plain.popupMenus().isEmpty());
        QVERIFY(matchesGolden(parts.join('\n').toUtf8() + '\n', "new_editor.txt"));
    }

    void actionsFollowTheLocks() {
        alm_tolv_output plain(root->path(), "tolv", "");
        EditorProbe view(plain);
        ModalScript modal;
        auto lock = [&](int result, const QString& path) { // the enabled actions, and "editor"
            if (!path.isEmpty())
                view.reply(result, "lock", path, "held");
            QStringList names;
            for (const char* name : {"new", "duplicate", "delete", "rename"})
                if (view.action(name)->isEnabled())
                    names << name;
            return (view.processEditor()->isEnabled() ? names << "editor" : names).join(',');
        };
        const QString pumpsDesc = "config/devicetypes/north_Pumps.xml";
        const QString all = "new,duplicate,delete,rename,editor";
        view.selectSystem("north");
        lock(HostReply::Ok, outputs);
        QCOMPARE(lock(HostReply::Ok, "config/devicetypes.xml"), QString()); // no instances yet
        QCOMPARE(lock(HostReply::ReadOnly, "config/instances.xml"), QString("new"));
        cOutputFile module("Pumps", "tolv", outputs + "/al_out_0001.cfg");
        view.setCurrentModule(&module);
        plain.updateActions();
        QCOMPARE(lock(0, {}), QString("new,duplicate"));
        QCOMPARE(lock(HostReply::Done, pumpsDesc), all);
        // A refused lock of a device description file takes editing away again.
        QCOMPARE(lock(HostReply::Fail, "config/devicetypes/north_Fans.xml"), "new,duplicate");
        QCOMPARE(lock(HostReply::Ok, pumpsDesc), all);
        view.setCurrentModule(nullptr); // another system: nothing until its folder is locked
        view.selectSystem("south");
        QCOMPARE(lock(0, {}), QString());
        QCOMPARE(lock(HostReply::Ok, "config/alarms/south/outputs"), QString("new"));
    }

    void navigateSelectsModuleThenProcess_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("selected"); // module/process
        QTest::addColumn<QString>("message");
        auto row = [](const char* name, const char* context, const char* selected,
                      const char* message = "") {
            QTest::newRow(name) << context << selected << message;
        };
        row("module and process", "Fans;P2", "Fans/P2");
        row("blank process part", "Fans; \t", "Fans/");
        row("third part", "Fans;P2;x", "Fans/");
        row("leading separator", ";P2", "/", "File: P2 - File not found");
        row("unknown process", "Pumps;Q9", "Pumps/", "Process: Q9 - Process not found");
        row("case matters", "pumps", "/", "File: pumps - File not found");
        row("nothing", ";;", "/");
    }
    void navigateSelectsModuleThenProcess() {
        QFETCH(QString, context);
        QFETCH(QString, selected);
        open();
        ModalScript modal;
        editor->navigate("ignored", context);
        const QList<QTreeWidgetItem*> modules = probe->fileList()->selectedItems();
        QCOMPARE((modules.isEmpty() ? "" : modules.first()->text(0)) + "/" +
                     selectedProcesses(*probe->processEditor()),
                 selected);
        QTEST(modal.seen.value(0).text, "message");
        if (selected.endsWith("P2"))
            QCOMPARE(probe->processEditor()->currentProcess(), QString("P2"));
    }

    void navigationFramesAProcessThatCannotBeSelected() {
        open();
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        editor->navigate("", "Fans");
        makeTemplateRow(*probe->processEditor(), "P2");
        editor->navigate("", "Fans;P2");
        QCOMPARE(probe->processEditor()->currentProcess(), QString("P2"));
        QCOMPARE(selectedProcesses(*probe->processEditor()), QString());
        QVERIFY(probe->processEditor()->procList->hasFocus()); // the current row is framed
    }

    void navigationWaitsForTheCheckout() {
        alm_tolv_output plain(root->path(), "tolv", "");
        EditorProbe view(plain);
        ModalScript modal;
        view.selectSystem("north");
        plain.navigate("", "Fans;P3");
        plain.navigate("", "Pumps"); // a later navigation replaces the held one
        view.reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        QVERIFY(view.navigatePending() && view.fileList()->selectedItems().isEmpty());
        view.reply(HostReply::Done, "download", outputs);
        QVERIFY(!view.navigatePending() && modal.seen.isEmpty());
        QCOMPARE(view.fileList()->selectedItems().value(0)->text(0), QString("Pumps"));
    }

    // A slot entry ended in each way a user can end it is committed with the same
    // checks as any entry, on the row edited wherever a move or the sort takes it;
    // a refused one shows the box, stays open for its correction, is never saved.
    void entryIsCommittedAndJudgedOnItsRowWhateverEndsTheEdit_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // the module's process lines once saved
        for (const char* ending :
             {"apply", "dirty check", "close", "click on another module", "move up", "move down",
              "sort by slot ascending", "sort by slot descending"}) {
            const char* const stored[][2] = {{"9", "P1=3,P2=9,P3=8"},
                                             {"0", "P1=3,P3=8"},
                                             {"5000", "P1=3,P2=7,P3=8"}}; // 5000 is refused
            for (const auto& [typed, lines] : stored)
                QTest::addRow("%s, %s", ending, typed) << ending << typed << lines;
        }
    }
    void entryIsCommittedAndJudgedOnItsRowWhateverEndsTheEdit() {
        QFETCH(QString, ending);
        QFETCH(QString, typed);
        open();
        select("Pumps");
        dialog& list = *probe->processEditor();
        auto* delegate = static_cast<processListDelegate*>(list.procList->itemDelegate());
        if (ending.startsWith("sort")) // P2 moves when its slot changes
            list.procList->sortByColumn(
                ColSlot, ending.endsWith("ascending") ? Qt::AscendingOrder : Qt::DescendingOrder);
        selectProcesses(list, {"P2"});
        QPointer<QLineEdit> line = openSlotEdit(list, "P2");
        QVERIFY(line);
        line->setText(typed);
        const bool refused = typed == "5000";
        ModalScript modal;
        if (ending == "apply") {
            editor->apply();
        } else if (ending == "dirty check") {
            QVERIFY(editor->isDirty());
        } else if (ending == "close") {
            QCOMPARE(editor->close(), !refused);
        } else if (ending.startsWith("sort")) {
            QTest::keyClick(line, Qt::Key_Return);
            QTRY_VERIFY(!line); // committed from the event loop
        } else {                // the edit loses the focus to the module list or a button
            emit delegate->commitData(line);
            emit delegate->closeEditor(line);
            if (ending == "click on another module")
                select("Fans");
            else
                (ending == "move up" ? list.upButton : list.downButton)->click();
        }
        QTRY_COMPARE(modal.seen.size(), refused ? 1 : 0);
        if (refused) { // open again on its row
            QCOMPARE(modal.seen[0].text, QString("Valid entries are numbers between 0 and 4096"));
            QTRY_VERIFY(delegate->openEditor());
            QCOMPARE(delegate->openEditor()->text(), typed);
            QCOMPARE(list.processRow(delegate->openIndex().row()).name, QString("P2"));
        }
        if (delegate->openEditor()) // what the ending left uncommitted is lost
            QTest::keyClick(delegate->openEditor(), Qt::Key_Escape);
        QCOMPARE(list.statusLabel->text(), QString()); // nothing out of range or twice
        editor->apply();
        QTEST(storedPumps(), "stored");
    }

    void processEditorFillsTheArea() {
        alm_tolv_output plain(root->path(), "tolv", "");
        EditorProbe view(plain);
        plain.resize(640, 480);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        plain.resize(900, 700);
        QTRY_COMPARE(view.processEditor()->geometry(), QRect(0, 0, 900, 700)); // fills the area
        QVERIFY(view.fileList()->itemAt(QPoint(5, 5)) == nullptr);             // over empty space
        emit view.fileList()->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(view.popupMenu()->isVisible());
        view.popupMenu()->hide();
    }

    void editProcessNavigatesAndTheInfodriverNumberMarksTheModule() {
        open();
        select("Pumps");
        CommandLog log(*editor);
        editor->EditProcess(); // no current row yet
        selectProcesses(*probe->processEditor(), {"P2"});
        editor->EditProcess();
        probe->processEditor()->infodriverNumber->setValue(12);
        QVERIFY(probe->currentModule()->modified && editor->isDirty());
        QCOMPARE(log.lines, QStringList({"navigate Home/Alarms/Processes,P2", "dirty"}));
    }

    void renamingAModuleInPlace() {
        open();
        select("Pumps");
        CommandLog log(*editor);
        ModalScript modal;
        editor->dockWindows()[0]->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor->dockWindows()[0]));
        QTreeWidget* list = probe->fileList();
        auto rename = [&](const QString& text) {
            probe->action("rename")->trigger();
            QVERIFY(list->findChild<QLineEdit*>());
            list->findChild<QLineEdit*>()->setText(text);
            QTest::keyClick(list->findChild<QLineEdit*>(), Qt::Key_Return);
        };
        rename("Fans"); // another module's name
        QTRY_COMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].text, QString("New name already exists."));
        QCOMPARE(probe->currentModule()->name + list->topLevelItem(0)->text(0), "PumpsPumps");
        QTRY_VERIFY(list->findChild<QLineEdit*>()); // the edit is open again
        QTest::keyClick(list->findChild<QLineEdit*>(), Qt::Key_Escape);
        QTRY_VERIFY(!list->findChild<QLineEdit*>());
        rename("Blowers");
        QTRY_COMPARE(probe->currentModule()->name, QString("Blowers"));
        QCOMPARE(log.lines.filter("dirty"), QStringList("dirty"));
        QCOMPARE(modal.seen.size(), 1);
    }

    void pasteQuestionStaysAnswerableWhenAReplyDisablesTheEditor() {
        open();
        select("Pumps");
        QApplication::clipboard()->setText("P1\tH\t7");
        bool answerable = false;
        ModalScript modal;
        modal.answer([&](QDialog& box) { // the description's lock is lost meanwhile
            probe->reply(HostReply::Fail, "lock", "config/devicetypes/north_Pumps.xml", "held");
            answerable = box.isEnabled();
            return 0; // &Ignore Groups
        });
        probe->processEditor()->pasteData();
        QVERIFY(!probe->processEditor()->isEnabled() && answerable);
        QCOMPARE(modal.seen.size(), 2);          // the question, and the lock's message
        QCOMPARE(shownSlot("P1"), QString("3")); // read-only now: not pasted
    }

    // A host that closes the editor while a "Lock" box is open, after the module
    // list was read or while a module loads: nothing touches the editor afterwards.
    void lockBoxMayOutliveTheEditor_data() {
        QTest::addColumn<int>("module"); // -1: none is being loaded
        QTest::newRow("refused outputs lock") << -1;
        QTest::newRow("refused lock while a module loads") << 1;
    }
    void lockBoxMayOutliveTheEditor() {
        QFETCH(int, module);
        open();
        QPointer<alm_tolv_output> watch = editor.get();
        connect(watch, &alm_tolv_output::command, watch,
                [&](const QString& word, const QString& file) {
                    if (word == "lock" && file.startsWith("config/devicetypes/"))
                        EditorProbe(*watch).reply(HostReply::Fail, "lock", file, "held");
                });
        ModalScript modal;
        modal.answer([&](QDialog&) { return editor.reset(), 0; });
        if (module < 0)
            EditorProbe(*watch).reply(HostReply::Fail, "lock", outputs, "held");
        else
            watch->selectFile(EditorProbe(*watch).fileList()->topLevelItem(module));
        QVERIFY(!watch);
        QCOMPARE(modal.seen.size(), 1);
    }

    void moduleListColumnsAreKeptAndTheDocksMayGoFirst() {
        {
            alm_tolv_output plain(root->path(), "tolv", "");
            EditorProbe(plain).fileList()->header()->setStretchLastSection(false);
            EditorProbe(plain).fileList()->setColumnWidth(0, 123);
        }
        alm_tolv_output again(root->path(), "tolv", "");
        QCOMPARE(EditorProbe(again).fileList()->columnWidth(0), 123);
        qDeleteAll(again.dockWindows()); // as a host may: the editor must not touch them
        qDeleteAll(again.popupMenus());
    }
};

QTEST_MAIN(tst_editor)
#include "tst_editor.moc"
