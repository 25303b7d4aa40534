// The editor window: actions from the lock state, navigation, layout.
#include "common/fixture.h"

#include "platform/system_chooser.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QResizeEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>

namespace {
const QString outputs = "config/alarms/north/outputs";
const QString definitions = "config/alarms/north/proc_def.cfg";
} // namespace

class tst_editor : public QObject {
    Q_OBJECT
    ScopedSettings settings;
    QTemporaryDir root;

    void writeFile(const QString& storePath, const QByteArray& content) {
        const QString path = root.path() + "/" + storePath;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }

    // An editor on system "north" whose outputs folder is checked out and holds
    // the modules "Pumps" and "Fans"; process rows P1, P2, P3. Everything arrives
    // as the host's download replies.
    std::unique_ptr<alm_tolv_output> checkedOutEditor() {
        writeFile(definitions, "[P1]\r\nGroup=G\r\n[P2]\r\nGroup=G\r\n[P3]\r\nGroup=H\r\n");
        writeFile(outputs + "/al_out_0001.cfg", "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n");
        writeFile(outputs + "/al_out_0002.cfg", "[System]\r\nName=Fans\r\nConfigTool=tolv\r\n");
        auto editor = std::make_unique<alm_tolv_output>(root.path(), "tolv", "");
        EditorProbe probe(*editor);
        probe.selectSystem("north");
        probe.reply(HostReply::Ok, "download", definitions);
        probe.reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        probe.reply(HostReply::Ok, "download", outputs + "/al_out_0002.cfg");
        probe.reply(HostReply::Done, "download", outputs);
        return editor;
    }

private slots:
    void startsDisabledWithItsParts() {
        alm_tolv_output editor(root.path(), "tolv", "x");
        EditorProbe probe(editor);
        const struct {
            const char* name;
            const char* menuText;
            QKeySequence key;
        } actions[] = {{"new", "&New TOLV Output", QKeySequence("Ctrl+N")},
                       {"delete", "&Delete TOLV Output Module", QKeySequence(Qt::Key_Delete)},
                       {"duplicate", "&Duplicate TOLV Output Module", QKeySequence("Ctrl+D")},
                       {"rename", "&Rename TOLV Output Module", QKeySequence()}};
        const QList<QAction*> inMenu = editor.popupMenus()[0]->actions();
        QCOMPARE(inMenu.size(), 4);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(inMenu[i], probe.action(actions[i].name));
            QCOMPARE(inMenu[i]->text(), QString(actions[i].menuText));
            QCOMPARE(inMenu[i]->shortcut(), actions[i].key);
            QVERIFY(!inMenu[i]->isEnabled());
        }
        QVERIFY(!probe.processEditor()->isEnabled());
        QVERIFY(!editor.isDirty());
        QVERIFY(editor.getSystemDocument() == nullptr);
        QCOMPARE(editor.dockWindows()[0]->objectName(), QString("tolv/browser"));
        QCOMPARE(editor.dockWindows()[1]->objectName(), QString("tolv/TOLV Output"));
        QCOMPARE(editor.dockWindows()[0]->findChild<QTabWidget*>()->tabText(0),
                 QString("Alarm Outputs modules"));
        QVERIFY(editor.about().startsWith("<nobr><h3>Alarm System TOLV Output</h3></nobr>"));
    }

    void baseClassDefaults() {
        config_plugin_base plain(root.path(), "other", "");
        QCOMPARE(plain.objectName(), QString("other"));
        QCOMPARE(plain.about(), QString("This is the default \"About\" text for \"other\" - the "
                                        "author should have defined some \"About\" information "
                                        "here"));
        QVERIFY(!plain.hostQuery() && !plain.isDirty());
        QVERIFY(plain.dockWindows().isEmpty() && plain.popupMenus().isEmpty());
    }

    void actionsFollowTheLocks() {
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        ModalScript modal;
        auto enabled = [&] { // the enabled actions, and the process editor as "editor"
            QStringList names;
            for (const char* name : {"new", "duplicate", "delete", "rename"})
                if (probe.action(name)->isEnabled())
                    names << name;
            if (probe.processEditor()->isEnabled())
                names << "editor";
            return names.join(',');
        };
        probe.selectSystem("north");
        probe.reply(HostReply::Ok, "lock", outputs);
        probe.reply(HostReply::Ok, "lock", "config/devicetypes.xml");
        QCOMPARE(enabled(), QString()); // instances still missing
        probe.reply(HostReply::ReadOnly, "lock", "config/instances.xml");
        QCOMPARE(enabled(), QString("new"));

        cOutputFile module("Pumps", "tolv", outputs + "/al_out_0001.cfg");
        probe.setCurrentModule(&module);
        editor.updateActions();
        QCOMPARE(enabled(), QString("new,duplicate"));
        probe.reply(HostReply::Done, "lock", "config/devicetypes/north_Pumps.xml");
        QCOMPARE(enabled(), QString("new,duplicate,delete,rename,editor"));

        // A refused lock of a device description file takes editing away again.
        probe.reply(HostReply::Fail, "lock", "config/devicetypes/north_Fans.xml", "held");
        QCOMPARE(enabled(), QString("new,duplicate"));
        probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_Pumps.xml");
        QCOMPARE(enabled(), QString("new,duplicate,delete,rename,editor"));

        // Another system: nothing until its outputs folder is locked.
        probe.setCurrentModule(nullptr); // the record is the test's own
        probe.selectSystem("south");
        QCOMPARE(enabled(), QString());
        probe.reply(HostReply::Ok, "lock", "config/alarms/south/outputs");
        QCOMPARE(enabled(), QString("new"));
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
        QFETCH(QString, message);
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        ModalScript modal;
        editor->navigate("ignored", context);
        const QList<QTreeWidgetItem*> modules = probe.fileList()->selectedItems();
        QCOMPARE((modules.isEmpty() ? QString() : modules.first()->text(0)) + "/" +
                     selectedProcesses(*probe.processEditor()),
                 selected);
        QCOMPARE(modal.seen.value(0).text, message);
        if (selected.endsWith("P2"))
            QCOMPARE(probe.processEditor()->currentProcess(), QString("P2"));
    }

    void navigationFramesAProcessThatCannotBeSelected() {
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        editor->show();
        QVERIFY(QTest::qWaitForWindowActive(editor.get()));
        for (const QString& path :
             {outputs, QString("config/devicetypes.xml"), QString("config/instances.xml")})
            probe.reply(HostReply::Ok, "lock", path);
        editor->navigate("", "Fans");
        probe.reply(HostReply::Ok, "lock", "config/devicetypes/north_Fans.xml");
        makeTemplateRow(*probe.processEditor(), "P2");
        editor->navigate("", "Fans;P2");
        QCOMPARE(probe.processEditor()->currentProcess(), QString("P2"));
        QCOMPARE(selectedProcesses(*probe.processEditor()), QString());
        QVERIFY(probe.processEditor()->procList->hasFocus()); // the current row is framed
    }

    void navigationWaitsForTheCheckout() {
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        ModalScript modal;
        probe.selectSystem("north");
        editor.navigate("", "Fans;P3");
        editor.navigate("", "Pumps"); // a later navigation replaces the held one
        QVERIFY(probe.navigatePending());
        writeFile(outputs + "/al_out_0001.cfg", "[System]\r\nName=Pumps\r\nConfigTool=tolv\r\n");
        probe.reply(HostReply::Ok, "download", outputs + "/al_out_0001.cfg");
        QVERIFY(probe.fileList()->selectedItems().isEmpty());

        probe.reply(HostReply::Done, "download", outputs);
        QVERIFY(!probe.navigatePending());
        QCOMPARE(probe.fileList()->selectedItems().size(), 1);
        QCOMPARE(probe.fileList()->selectedItems().first()->text(0), QString("Pumps"));
        QVERIFY(modal.seen.isEmpty());
        QVERIFY(QDir(root.path() + "/" + outputs).exists());
    }

    void processEditorFillsTheArea() {
        alm_tolv_output editor(root.path(), "tolv", "");
        editor.resize(640, 480);
        editor.show();
        QVERIFY(QTest::qWaitForWindowExposed(&editor));
        editor.resize(900, 700);
        QTRY_COMPARE(EditorProbe(editor).processEditor()->geometry(), QRect(0, 0, 900, 700));
    }

    void contextMenuOverEmptySpace() {
        alm_tolv_output editor(root.path(), "tolv", "");
        EditorProbe probe(editor);
        QTreeWidget* list = probe.fileList();
        QVERIFY(list->itemAt(QPoint(5, 5)) == nullptr);
        emit list->customContextMenuRequested(QPoint(5, 5));
        QTRY_VERIFY(probe.popupMenu()->isVisible());
        probe.popupMenu()->hide();
    }

    void editProcessAsksTheHostToNavigate() {
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        CommandLog log(*editor);
        editor->EditProcess(); // no current row yet
        QVERIFY(log.lines.isEmpty());
        selectProcesses(*probe.processEditor(), {"P2"});
        editor->EditProcess();
        QCOMPARE(log.lines, QStringList("navigate Home/Alarms/Processes,P2"));
    }

    void renamingAModuleInPlace() {
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        CommandLog log(*editor);
        ModalScript modal;
        QWidget* dock = editor->dockWindows()[0];
        dock->show();
        QVERIFY(QTest::qWaitForWindowExposed(dock));
        QTreeWidget* list = probe.fileList();
        auto rename = [&](int row, const QString& text) {
            list->setCurrentItem(list->topLevelItem(row));
            probe.action("rename")->trigger();
            auto* line = list->findChild<QLineEdit*>();
            QVERIFY(line);
            line->setText(text);
            QTest::keyClick(line, Qt::Key_Return);
        };
        cOutputFile* pumps = probe.modules()[0].get();
        list->setCurrentItem(list->topLevelItem(0)); // selecting the module loads it
        for (const char* path : {"config/alarms/north/outputs", "config/devicetypes.xml",
                                 "config/instances.xml", "config/devicetypes/north_Pumps.xml"})
            probe.reply(HostReply::Ok, "lock", path);
        log.take();

        rename(0, "Fans"); // another module's name
        QTRY_COMPARE(modal.seen.size(), 1);
        QCOMPARE(modal.seen[0].text, QString("New name already exists."));
        QCOMPARE(pumps->name, QString("Pumps"));
        QCOMPARE(list->topLevelItem(0)->text(0), QString("Pumps"));
        QTRY_VERIFY(list->findChild<QLineEdit*>()); // the edit is open again
        QTest::keyClick(list->findChild<QLineEdit*>(), Qt::Key_Escape);
        QTRY_VERIFY(!list->findChild<QLineEdit*>());

        rename(0, "Blowers");
        QTRY_COMPARE(pumps->name, QString("Blowers"));
        QCOMPARE(log.lines.filter("dirty"), QStringList("dirty"));
        QCOMPARE(modal.seen.size(), 1);
    }

    void changingTheInfodriverNumberMarksTheModuleModified() {
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        CommandLog log(*editor);
        probe.fileList()->topLevelItem(0)->setSelected(true);
        QCOMPARE(probe.currentModule()->name, QString("Pumps"));
        QVERIFY(!probe.currentModule()->modified);
        probe.processEditor()->infodriverNumber->setValue(12);
        QVERIFY(probe.currentModule()->modified);
        QVERIFY(editor->isDirty());
        QVERIFY(log.lines.contains("dirty"));
    }

    void pasteQuestionStaysAnswerableWhenAReplyDisablesTheEditor() {
        auto editor = checkedOutEditor();
        EditorProbe probe(*editor);
        for (const char* path : {"config/alarms/north/outputs", "config/devicetypes.xml",
                                 "config/instances.xml", "config/devicetypes/north_Pumps.xml"})
            probe.reply(HostReply::Ok, "lock", path);
        probe.fileList()->topLevelItem(0)->setSelected(true);
        dialog* procs = probe.processEditor();
        QVERIFY(procs->isEnabled());
        QApplication::clipboard()->setText("P1\tH\t7");
        bool answerable = false;
        ModalScript modal;
        modal.answer([&](QDialog& box) {
            // The device description's lock is lost while the question is open.
            probe.reply(HostReply::Fail, "lock", "config/devicetypes/north_Pumps.xml", "held");
            answerable = box.isEnabled();
            return 0; // &Ignore Groups
        });
        procs->pasteData();
        QVERIFY(!procs->isEnabled());
        QVERIFY(answerable);
        QCOMPARE(modal.seen.size(), 2);            // the question, and the lock's message
        QCOMPARE(slotOf(*procs, "P1"), QString()); // read-only now: not pasted
    }

    void lockMessageSurvivesTheEditorBeingDeleted() {
        auto editor = checkedOutEditor();
        QPointer<alm_tolv_output> watch = editor.get();
        ModalScript modal;
        modal.answer([&](QDialog&) {
            editor.reset(); // a host that closes the editor meanwhile
            return 0;
        });
        EditorProbe(*watch).reply(HostReply::Fail, "lock", outputs, "held");
        QVERIFY(!watch);
        QCOMPARE(modal.seen.size(), 1);
    }

    // A host that refuses a module's lock at once and closes the editor while the
    // "Lock" box is open: loading the module stops there.
    void lockRefusedWhileAModuleLoadsMayCloseTheEditor() {
        auto editor = checkedOutEditor();
        QPointer<alm_tolv_output> watch = editor.get();
        connect(editor.get(), &alm_tolv_output::command, editor.get(),
                [&](const QString& word, const QString& file) {
                    if (word == "lock" && file.startsWith("config/devicetypes/"))
                        EditorProbe(*watch).reply(HostReply::Fail, "lock", file, "held");
                });
        ModalScript modal;
        modal.answer([&](QDialog&) {
            editor.reset();
            return 0;
        });
        watch->selectFile(EditorProbe(*watch).fileList()->topLevelItem(1));
        QVERIFY(!watch);
        QCOMPARE(modal.seen.size(), 1);
    }

    void survivesTheHostDeletingItsDocksFirst() {
        auto editor = std::make_unique<alm_tolv_output>(root.path(), "tolv", "");
        qDeleteAll(editor->dockWindows());
        qDeleteAll(editor->popupMenus());
        editor.reset(); // must not touch the deleted list, menu or tool bar
    }

    void columnWidthsOfTheModuleListAreKept() {
        {
            alm_tolv_output editor(root.path(), "tolv", "");
            QTreeWidget* list = EditorProbe(editor).fileList();
            list->header()->setStretchLastSection(false);
            list->setColumnWidth(0, 123);
        }
        alm_tolv_output again(root.path(), "tolv", "");
        QCOMPARE(EditorProbe(again).fileList()->columnWidth(0), 123);
    }
};

QTEST_MAIN(tst_editor)
#include "tst_editor.moc"
