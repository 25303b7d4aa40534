// Times the bulk operations of the process list editor on many rows.
//   bench_proclist [rows]     (default 100000)
// Run with QT_QPA_PLATFORM=offscreen; the editor is shown, as in the product.
#include "platform/modal_ui.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/dialog.h"
#include "proclist/process_item.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace {

void timed(const char* what, const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents(); // let the view lay out and paint what changed
    std::printf("%-44s %8lld ms\n", what, static_cast<long long>(timer.elapsed()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 100000;

    // Answer every modal dialog at once: the auto-number dialog with OK, boxes with their first
    // button.
    setModalHandler([](QDialog& box) {
        if (auto* numbers = qobject_cast<autoNumberDialog*>(&box)) {
            numbers->spinOffset->setValue(10);
            numbers->buttonOk->click();
        } else if (auto* message = qobject_cast<QMessageBox*>(&box)) {
            message->buttons().first()->click();
        }
        return box.result();
    });

    QVector<ProcessDefinition> definitions;
    definitions.reserve(rows);
    for (int i = 0; i < rows; ++i) // file order differs from name order
        definitions.append(
            {QStringLiteral("AREA%1_PROC_%2")
                 .arg(i % 97, 2, 10, QLatin1Char('0'))
                 .arg(i, 6, 10, QLatin1Char('0')),
             QStringLiteral("GROUP_%1").arg((i * 7) % 500, 3, 10, QLatin1Char('0'))});

    dialog editor(nullptr);
    editor.maxSlot = 1000000; // so that every row can have its own slot
    editor.resize(1000, 800);
    if (!qEnvironmentVariableIsSet("BENCH_HIDDEN"))
        editor.show();
    QCoreApplication::processEvents();
    std::printf("rows: %d\n", rows);

    timed("setProcesses (load, sorted by Process)", [&] { editor.setProcesses(definitions); });
    timed("sort by Group", [&] { editor.procList->sortByColumn(ColGroup, Qt::AscendingOrder); });
    timed("changeAllRows: every 3rd row a template row", [&] {
        int n = 0;
        editor.changeAllRows([&](QTreeWidgetItem* item) {
            if (n++ % 3 == 0) {
                item->setText(ColDevType, QStringLiteral("pump"));
                item->setText(ColInstance, QStringLiteral("P%1").arg(n));
                item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
            }
        });
    });
    timed("editCells: a slot for every row by name", [&] {
        editor.editCells([&] {
            for (int i = 0; i < rows; ++i)
                editor.findProcess(definitions[i].name)
                    ->setText(ColSlot, QString::number(rows - i));
        });
    });
    timed("autoNumber All, offset 10, sorted by Group", [&] { editor.autoNumber(); });
    timed("sort by Infodriver Slot",
          [&] { editor.procList->sortByColumn(ColSlot, Qt::AscendingOrder); });
    timed("sort by Process",
          [&] { editor.procList->sortByColumn(ColProcess, Qt::AscendingOrder); });
    timed("checkForDuplicates", [&] { editor.checkForDuplicates(); });
    timed("select all", [&] { editor.procList->selectAll(); });
    timed("copyData (all rows)", [&] { editor.copyData(); });
    timed("clearSelectedSlots (all rows)", [&] { editor.clearSelectedSlots(); });
    timed("clear selection", [&] { editor.procList->clearSelection(); });
    timed("pasteData (all rows, clipboard text)", [&] { editor.pasteData(); });
    editor.procList->setCurrentItem(editor.procList->topLevelItem(rows / 2));
    timed("moveProcDown x10", [&] {
        for (int i = 0; i < 10; ++i)
            editor.moveProcDown();
    });
    timed("reSort by Process (header click)", [&] { editor.reSort(ColProcess); });
    timed("findProcess once per row (after re-sort)", [&] {
        for (int i = 0; i < rows; ++i)
            (void)editor.findProcess(definitions[(i * 7919) % rows].name);
    });
    timed("clearAllSlots", [&] { editor.clearAllSlots(); });
    timed("setProcesses again (replace all rows)", [&] { editor.setProcesses(definitions); });
    return 0;
}
