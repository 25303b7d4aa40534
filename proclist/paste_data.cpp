// Pasting slots from the clipboard, and the box that lists what a paste left out.
#include "core/module_file.h"
#include "core/slot_rules.h"
#include "platform/modal_ui.h"
#include "proclist/dialog.h"
#include "proclist/process_store.h"

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QPointer>

namespace {

// At most this many skipped lines are named in the box.
constexpr int listedSkips = 30;

QString skippedText(const QStringList& skipped) {
    QStringList shown = skipped.mid(0, listedSkips);
    if (skipped.size() > listedSkips)
        shown.append(dialog::tr("... and %1 more").arg(skipped.size() - listedSkips));
    return dialog::tr("These lines were not pasted:\n\t") + shown.join(QStringLiteral("\n\t"));
}

} // namespace

void dialog::pasteData() {
    const QString text = QApplication::clipboard()->text();
    if (!isClipboardTextPastable(text))
        return;
    QStringList noSlot;
    const QVector<ClipboardRow> lines = parseClipboardText(text, &noSlot);

    // First decide which lines to paste, asking about foreign groups; nothing is
    // written while a question is open, because the list may be reloaded then.
    QPointer<dialog> self(this);
    QVector<const ClipboardRow*> accepted;
    std::vector<int> acceptedRows; // valid while no question was asked
    bool asked = false;
    QStringList skipped;
    QStringList unstorable;
    bool ignoreGroups = false;
    bool cancelled = false;
    for (const ClipboardRow& line : lines) {
        const int row = rowOf(line.name);
        if (row < 0) {
            skipped.append(line.name + tr(": no such process"));
            continue;
        }
        if (!model->isFree(row)) {
            skipped.append(line.name + tr(": a template row"));
            continue;
        }
        if (!isStorableProcessName(line.name)) {
            unstorable.append(line.name);
            continue;
        }
        // An entry the slot cell would refuse is no slot: pasted, it would drop the
        // row's stored slot at the next save without a word.
        if (!isAcceptedSlotEntry(line.slot)) {
            skipped.append(line.name + tr(": not a slot between 0 and %1").arg(maxSlot));
            continue;
        }
        if (!ignoreGroups && model->text(row, ColGroup) != line.group) {
            asked = true;
            const int answer = askMessageBox(
                this, QMessageBox::Warning, tr("TOLV Output"),
                tr("Process ") + line.name + tr(" is not a member\ngroup ") + line.group,
                {tr("&Ignore Groups"), tr("&Skip"), tr("&Cancel")}, 0, 2);
            if (!self)
                return;
            if (answer == 2) {
                cancelled = true;
                break;
            }
            if (answer == 1)
                continue;
            ignoreGroups = true;
        }
        accepted.append(&line);
        acceptedRows.push_back(row);
    }

    // Then write the slots, each row looked up again by its name when a question
    // was asked (its loop may have reloaded the list); a paste into an editor made
    // read-only meanwhile no longer applies.
    if (!isEnabled())
        return;
    QHash<int, QString> slotByStore; // a later line for the same process wins
    std::vector<int> rows;
    for (qsizetype i = 0; i < accepted.size(); ++i) {
        const ClipboardRow* line = accepted[i];
        const int row = asked ? rowOf(line->name) : acceptedRows[std::size_t(i)];
        if (row < 0 || !model->isFree(row))
            continue;
        if (!slotByStore.contains(model->storeIndex(row)))
            rows.push_back(row);
        slotByStore.insert(model->storeIndex(row), line->slot);
    }
    model->editSome(rows, [&](int row, ProcessRow& values) {
        values.slot = slotByStore.value(model->storeIndex(row));
    });
    // Rows pasted before a cancel keep their slots; they are changes like any other,
    // or a later module switch would drop them unsaved.
    if (!cancelled || !accepted.isEmpty())
        emit itemsChanged();
    if (cancelled || !self || !reportUnstorable(unstorable))
        return;
    for (const QString& line : std::as_const(noSlot))
        skipped.append(line + tr(": no slot field"));
    if (!skipped.isEmpty())
        showMessageBox(this, QMessageBox::Information, tr("TOLV Output"), skippedText(skipped));
}
