// The editor window: actions from the lock state, navigation, open edits, layout.
#include "common/fixture.h"
#include "proclist/process_list_delegate.h"

#include <QtWidgets>

class tst_editor : public QObject, ModuleFixture {
    Q_OBJECT
    ScopedSettings settings;

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

    // A new editor: its menu, docks, texts, the list's columns as last left, its actions as the
    // locks come; the process editor fills the area; a host may delete the docks first.
    void partsAndLayoutOfANewEditor() {
        {
            alm_tolv_output first(root->path(), "tolv", "");
            EditorProbe(first).fileList()->header()->setStretchLastSection(false);
            EditorProbe(first).fileList()->setColumnWidth(0, 123);
        }
        alm_tolv_output fresh(root->path(), "tolv", "x");
        EditorProbe view(fresh);
        QCOMPARE(view.fileList()->columnWidth(0), 123);
        QStringList parts;
        for (QAction* a : fresh.popupMenus()[0]->actions())
            parts << a->objectName() + '|' + a->text() + '|' + a->shortcut().toString() + '|' +
                         QString::number(a->isEnabled());
        for (QWidget* dock : fresh.dockWindows())
            parts << dock->objectName();
        parts << fresh.dockWindows()[0]->findChild<QTabWidget*>()->tabText(0) << fresh.about();
        QVERIFY(matchesGolden(parts.join('\n').toUtf8() + '\n', "new_editor.txt"));
        auto lock = [&](int result, const QString& path) { // the enabled actions, and "editor"
            if (!path.isEmpty())
                view.reply(result, "lock", path, "held");
            QStringList names;
            for (const char* name : {"new", "duplicate", "delete", "rename"})
                if (view.action(name)->isEnabled())
                    names << name;
            return (view.processEditor()->isEnabled() ? names << "editor" : names).join(',');
        };
        view.selectSystem("north");
        lock(HostReply::Ok, outputs);
        QCOMPARE(lock(HostReply::Ok, "config/devicetypes.xml"), QString()); // no instances yet
        QCOMPARE(lock(HostReply::ReadOnly, "config/instances.xml"), QString("new"));
        cOutputFile module("Pumps", "tolv", outputs + "/al_out_0001.cfg");
        view.setCurrentModule(&module);
        fresh.updateActions();
        QCOMPARE(lock(0, {}), QString("new,duplicate"));
        QCOMPARE(lock(HostReply::Done, "config/devicetypes/north_Pumps.xml"),
                 QString("new,duplicate,delete,rename,editor"));
        view.setCurrentModule(nullptr); // another system: nothing until its folder is locked
        view.selectSystem("south");
        QCOMPARE(lock(0, {}), QString());
        QCOMPARE(lock(HostReply::Ok, "config/alarms/south/outputs"), QString("new"));
        fresh.show();
        QVERIFY(QTest::qWaitForWindowExposed(&fresh));
        fresh.resize(900, 700);
        QTRY_COMPARE(view.processEditor()->geometry(), QRect(0, 0, 900, 700));
        emit view.fileList()->customContextMenuRequested(QPoint(5, 5)); // over no module
        QTRY_VERIFY(view.popupMenu()->isVisible());
        qDeleteAll(fresh.dockWindows());
        qDeleteAll(fresh.popupMenus());
    }

    // The module, then the process, once the folder is checked out (the last one asked for
    // counts); a template's row is made current, not selected. From there the process editor is
    // asked for, and the infodriver number is an edit.
    void navigateSelectsModuleThenProcess_data() {
        QTest::addColumn<QString>("context");
        QTest::addColumn<QString>("selected"); // module/selected process/current process box
        auto row = [](const char* name, const char* context, const char* selected) {
            QTest::newRow(name) << context << QString(selected);
        };
        row("module and process", "Fans;P2", "Fans/P2/P2");
        row("template row", "#Fans;P2", "Fans//P2");
        row("blank process part", "Fans; \t", "Fans//");
        row("third part", "Fans;P2;x", "Fans//");
        row("leading separator", ";P2", "// File: P2 - File not found");
        row("unknown process", "Pumps;Q9", "Pumps// Process: Q9 - Process not found");
        row("case matters", "pumps", "// File: pumps - File not found");
        row("nothing: the earlier one counts", ";;", "Fans/P3/P3");
    }
    void navigateSelectsModuleThenProcess() {
        QFETCH(QString, context);
        open();
        dialog& list = *probe->processEditor();
        if (context.startsWith('#')) {
            editor->show();
            QVERIFY(QTest::qWaitForWindowActive(editor.get()));
            select("Fans");
            makeTemplateRow(list, "P2");
        }
        ModalScript modal;
        probe->checkedOutDirs().clear(); // the folder's checkout not done yet
        editor->navigate("", "Fans;P3");
        editor->navigate("ignored", context.remove('#'));
        QVERIFY(probe->navigatePending() && modal.seen.isEmpty());
        probe->reply(HostReply::Done, "download", outputs);
        const QList<QTreeWidgetItem*> modules = probe->fileList()->selectedItems();
        QTEST((modules.isEmpty() ? "" : modules.first()->text(0)) + "/" + selectedProcesses(list) +
                  "/" + list.currentProcess() +
                  (modal.seen.isEmpty() ? "" : " " + modal.seen.value(0).text),
              "selected");
        QVERIFY(!list.isVisible() || list.procList->hasFocus()); // the current row is framed
        CommandLog log(*editor);
        editor->EditProcess();
        list.infodriverNumber->setValue(12);
        QCOMPARE(log.lines.filter("navigate Home/Alarms/Processes,").join("").section(',', 1),
                 list.currentProcess());
        QVERIFY(modules.isEmpty() || (probe->currentModule()->modified && editor->isDirty()));
    }

    // However the edit ends, the entry is judged on its row wherever a move or the sort
    // took it; a refused one shows the box, stays open for correction, is never saved.
    void entryIsCommittedAndJudgedOnItsRowWhateverEndsTheEdit_data() {
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored"); // P2's line in the module file once saved
        for (const char* ending : {"apply", "dirty check", "close", "click on another module",
                                   "move up", "sort by slot"})
            for (const auto& [typed, line] : {std::pair{"9", "P2=9"}, {"0", ""}, {"5000", "P2=7"}})
                QTest::addRow("%s, %s", ending, typed) << ending << typed << line;
    }
    void entryIsCommittedAndJudgedOnItsRowWhateverEndsTheEdit() {
        QFETCH(QString, ending);
        QFETCH(QString, typed);
        open();
        select("Pumps");
        dialog& list = *probe->processEditor();
        auto* delegate = static_cast<processListDelegate*>(list.procList->itemDelegate());
        if (ending.startsWith("sort")) // P2 moves when its slot changes
            list.procList->sortByColumn(ColSlot, Qt::AscendingOrder);
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
                list.upButton->click();
        }
        QTRY_COMPARE(modal.seen.size(), refused ? 1 : 0);
        QTRY_COMPARE(delegate->openEditor() ? list.processRow(delegate->openIndex().row()).name +
                                                  '=' + delegate->openEditor()->text()
                                            : QString(),
                     refused ? "P2=" + typed : QString()); // open again on its row
        if (refused)                                       // left uncommitted, it is lost
            QTest::keyClick(delegate->openEditor(), Qt::Key_Escape);
        QCOMPARE(list.statusLabel->text(), QString()); // nothing out of range or twice
        editor->apply();
        const QStringList lines = QString(read(outputs + "/al_out_0001.cfg")).split("\r\n");
        QTEST(lines.filter(QRegularExpression("^P2=")).join(','), "stored");
    }

    // A name refused in the in-place edit opens it again; the file column's edit renames nothing.
    void renamingAModuleInPlace() {
        open();
        select("Pumps");
        ModalScript modal;
        editor->dockWindows()[0]->show();
        QVERIFY(QTest::qWaitForWindowExposed(editor->dockWindows()[0]));
        QTreeWidget* list = probe->fileList();
        editor->renameModule(list->topLevelItem(0), 1, "Blowers");
        probe->action("rename")->trigger();
        QVERIFY(list->findChild<QLineEdit*>());
        list->findChild<QLineEdit*>()->setText("Fans"); // another module's name
        QTest::keyClick(list->findChild<QLineEdit*>(), Qt::Key_Return);
        QTRY_COMPARE(modal.seen.value(0).text, QString("New name already exists."));
        QCOMPARE(probe->currentModule()->name + list->topLevelItem(0)->text(0), "PumpsPumps");
        QTRY_VERIFY(list->findChild<QLineEdit*>()); // the edit is open again
        QVERIFY(!editor->isDirty());
    }

    void pasteQuestionStaysAnswerableWhenAReplyDisablesTheEditor() {
        open();
        select("Pumps");
        QApplication::clipboard()->setText("P1\tH\t7");
        bool answerable = false;
        ModalScript modal;
        modal.answer([&](QDialog& box) { // a reply disables the editor meanwhile
            probe->reply(HostReply::Fail, "lock", "config/devicetypes/north_Pumps.xml", "held");
            answerable = box.isEnabled();
            return 0; // &Ignore Groups
        });
        probe->processEditor()->pasteData();
        QVERIFY(!probe->processEditor()->isEnabled() && answerable);
    }

    // A host may close the editor while a "Lock" box is open: the outputs folder's, or a
    // description's while its module loads.
    void lockBoxMayOutliveTheEditor_data() {
        QTest::addColumn<int>("module"); // -1: none is being loaded
        QTest::newRow("refused outputs lock") << -1;
        QTest::newRow("refused lock while a module loads") << 1;
    }
    void lockBoxMayOutliveTheEditor() {
        QFETCH(int, module);
        open();
        QPointer<alm_tolv_output> watch = editor.get();
        connect(watch, &alm_tolv_output::command, [&](const QString& word, const QString& file) {
            if (word == "lock" && file.startsWith("config/devicetypes/"))
                probe->reply(HostReply::Fail, "lock", file, "held");
        });
        ModalScript modal;
        modal.answer([&](QDialog&) { return editor.reset(), 0; });
        if (module < 0)
            probe->reply(HostReply::Fail, "lock", outputs, "held");
        else
            watch->selectFile(probe->fileList()->topLevelItem(module));
        QVERIFY(!watch);
        QCOMPARE(modal.seen.size(), 1);
    }
};

QTEST_MAIN(tst_editor)
#include "tst_editor.moc"
