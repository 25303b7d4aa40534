#include "proclist/dialog.h"
#include "core/store_paths.h"

#include "core/documents.h"
#include "core/slot_rules.h"
#include "platform/icon_store.h"
#include "platform/modal_ui.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/control_geometry.h"
#include "proclist/process_item.h"
#include "proclist/process_list_delegate.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSpinBox>
#include <QTreeWidget>

#include <algorithm>
#include <vector>

namespace {

const QString procListKey =
    QStringLiteral("Home/Alarms/Outputs/Tolv Output/") + QStringLiteral("ProcList");

// A free row: selectable and enabled (not claimed by a template).
bool isFreeRow(const QTreeWidgetItem* item) {
    const Qt::ItemFlags f = item->flags();
    return (f & Qt::ItemIsSelectable) && (f & Qt::ItemIsEnabled);
}

// Empties the slot and the template columns of one row.
void clearSlotCells(QTreeWidgetItem* item) {
    item->setText(ColSlot, QString());
    item->setText(ColDevType, QString());
    item->setText(ColInstance, QString());
}

QIcon iconFromStore(const char* name) {
    const char* const* xpm = fnIconStore(name);
    return xpm ? QIcon(QPixmap(xpm)) : QIcon();
}

} // namespace

int dialog::lastBase = 1;
int dialog::lastOffset = 0;

// Screen updates and sorting off while many rows change; one sort at the end
// (when the list was sorted). Without it every change of the sort column moves
// its row at once and every change repaints.
//
// For changes of cell data only (no rows added or removed), the model's signals
// are also held back and replaced by one dataChanged() over the whole list:
// each item-level change signal makes QTreeModel look up the item's row, and
// after a sort that lookup is a linear search, so n changes would cost n * n.
class dialog::BulkChange {
public:
    enum Kind { Rows, CellsOnly };

    BulkChange(QTreeWidget* list, Kind kind)
        : list(list), sorting(list->isSortingEnabled()), cellsOnly(kind == CellsOnly) {
        list->setUpdatesEnabled(false);
        if (sorting)
            list->setSortingEnabled(false);
        if (cellsOnly)
            blocked = list->model()->blockSignals(true);
    }
    ~BulkChange() {
        if (cellsOnly) {
            QAbstractItemModel* model = list->model();
            model->blockSignals(blocked);
            const int rows = model->rowCount();
            if (rows > 0) // views and listeners learn of the changes at once
                emit model->dataChanged(model->index(0, 0),
                                        model->index(rows - 1, model->columnCount() - 1));
        }
        if (sorting)
            list->setSortingEnabled(true); // sorts once by the header's indicator
        list->setUpdatesEnabled(true);
    }
    BulkChange(const BulkChange&) = delete;
    BulkChange& operator=(const BulkChange&) = delete;

private:
    QTreeWidget* list;
    bool sorting;
    bool cellsOnly;
    bool blocked = false;
};

dialog::dialog(IGetDocuments* documents, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : dialogBase(parent, name, flags), documents(documents) {
    sortActive = true;
    setUpList();
    setUpButtons();
    setUpShortcuts();
    trackRows();
    clipboardDataChange();
}

void dialog::setUpList() {
    // Last column takes the rest, extended selection, focus across the row,
    // sorted by column 0 ascending like Qt 3's QListView.
    procList->setRootIsDecorated(false);
    procList->setAllColumnsShowFocus(true);
    procList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    procList->setUniformRowHeights(true); // rows are one line; keeps 100,000 rows fast
    procList->setEditTriggers(QAbstractItemView::NoEditTriggers); // itemDoubleClicked decides
    procList->header()->setStretchLastSection(true);
    for (int column = 0; column < procList->columnCount();
         ++column) // a new sort column starts ascending
        procList->headerItem()->setData(column, Qt::InitialSortOrderRole, int(Qt::AscendingOrder));
    procList->setSortingEnabled(true);
    procList->sortByColumn(ColProcess, Qt::AscendingOrder);
    delegate = new processListDelegate(procList);
    procList->setItemDelegate(delegate);

    restoreListViewColumns(procList, procListKey);
    // Qt 3's automatic column widths: without a stored layout the text columns
    // fit their contents after each load, until the user sizes one of them.
    autoColumnWidths = readControlSetting(procListKey).isNull();
    connect(procList->header(), &QHeaderView::sectionResized, this, [this](int section) {
        if (!fittingColumns && section < ColSlot)
            autoColumnWidths = false;
    });
    connect(procList->header(), &QHeaderView::sectionClicked, this, &dialog::reSort);
    // A committed entry counts as a change at once: the commit may come from a
    // click that also chooses another module, which saves this one first. Only a
    // refused entry waits until the editor has closed, so that the warning box of
    // slotChange can reopen it (Qt 3 emitted itemRenamed after the rename).
    connect(delegate, &processListDelegate::itemRenamed, this,
            [this](QTreeWidgetItem* item, int column, const QString& text) {
                if (isAcceptedSlotEntry(text))
                    return slotChange(item, column, text);
                const quint64 removals = rowRemovals;
                QMetaObject::invokeMethod(
                    this,
                    [this, item, column, text, removals] {
                        if (removals == rowRemovals) // the row still exists
                            slotChange(item, column, text);
                    },
                    Qt::QueuedConnection);
            });
    connect(procList, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { itemDoubleClicked(item); });
    // Qt 6 may change the current row without changing the selection (and
    // reports the selection before the new current row), so the buttons that
    // depend on both follow the current row too.
    connect(procList, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
                selectProc(current);
                changeSelection();
            });
    connect(procList, &QTreeWidget::itemSelectionChanged, this, &dialog::changeSelection);
}

void dialog::setUpButtons() {
    navToProc->setEnabled(false);
    QPalette palette = statusLabel->palette();
    palette.setColor(QPalette::WindowText, QColor(Qt::red));
    statusLabel->setPalette(palette);
    statusLabel->setText(QString());

    upButton->setIcon(iconFromStore("up"));
    downButton->setIcon(iconFromStore("down"));
    upButton->setEnabled(false);
    downButton->setEnabled(false);

    connect(upButton, &QPushButton::clicked, this, &dialog::moveProcUp);
    connect(downButton, &QPushButton::clicked, this, &dialog::moveProcDown);
    connect(autoNum, &QPushButton::clicked, this, &dialog::autoNumber);
    connect(copy, &QPushButton::clicked, this, &dialog::copyData);
    connect(paste, &QPushButton::clicked, this, &dialog::pasteData);
    connect(clearSlotsButton, &QPushButton::clicked, this, &dialog::clearSlots);

    infodriverNumber->setRange(0, StorePaths::defaultMaxInfodriver);
    // Qt 3's valueChanged(const QString&) came with every change of the value.
    connect(infodriverNumber, &QSpinBox::valueChanged, this,
            [this] { itemChanged(infodriverNumber->text()); });
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this,
            &dialog::clipboardDataChange);
}

void dialog::setUpShortcuts() {
    pasteAction = new QAction(iconFromStore("paste"), tr("&Paste"), this);
    pasteAction->setObjectName(QStringLiteral("paste"));
    pasteAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    pasteAction->setShortcutContext(Qt::WidgetWithChildrenShortcut); // not the host's other widgets
    addAction(pasteAction);
    connect(pasteAction, &QAction::triggered, this, &dialog::pasteData);
    copyAction = new QAction(iconFromStore("copy"), tr("&Copy"), this);
    copyAction->setObjectName(QStringLiteral("copy"));
    copyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(copyAction);
    connect(copyAction, &QAction::triggered, this, &dialog::copyData);
}

void dialog::trackRows() {
    // The name index follows every change of the rows.
    QAbstractItemModel* model = procList->model();
    auto invalidate = [this] { indexValid = false; };
    auto removed = [this] {
        indexValid = false;
        ++rowRemovals;
    };
    // Each sort of the list is first ranked by its keys once (processItem::rankRows);
    // the view announces a sort with the hint, after it has set the sort column.
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this](const QList<QPersistentModelIndex>&, QAbstractItemModel::LayoutChangeHint hint) {
                if (hint == QAbstractItemModel::VerticalSortHint)
                    processItem::rankRows(procList, procList->sortColumn());
            });
    connect(model, &QAbstractItemModel::layoutChanged, this, [] { processItem::endRanking(); });
    connect(model, &QAbstractItemModel::rowsInserted, this, invalidate);
    connect(model, &QAbstractItemModel::rowsMoved, this, invalidate);
    connect(model, &QAbstractItemModel::layoutChanged, this, invalidate);
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, removed);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, removed);
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex&, const QList<int>& roles) {
                if (topLeft.column() == ColProcess &&
                    (roles.isEmpty() || roles.contains(Qt::DisplayRole)))
                    indexValid = false;
            });
}

dialog::~dialog() {
    saveListViewColumns(procList, procListKey);
    // The list is deleted with the form's children, after this part of the object
    // is gone; what it signals while it empties must not reach this object.
    for (QObject* sender : std::initializer_list<QObject*>{
             procList, procList->model(), procList->selectionModel(), procList->header(), delegate})
        disconnect(sender, nullptr, this, nullptr);
}

void dialog::refreshLimits() {
    Document* document = documents ? documents->getSystemDocument() : nullptr;
    if (auto* system = dynamic_cast<Document_TolvSystem*>(document)) {
        maxSlot = system->maxSlot();
        infodriverNumber->setMaximum(system->maxInfodriver());
    }
}

void dialog::setProcesses(const QVector<ProcessDefinition>& processes) {
    {
        BulkChange bulk(procList, BulkChange::Rows);
        procList->clear();
        QList<QTreeWidgetItem*> rows;
        rows.reserve(processes.size());
        for (const ProcessDefinition& process : processes) {
            auto* row = new processItem(process.name, process.group);
            row->setFlags(row->flags() | Qt::ItemIsEditable); // column 4 only, by the delegate
            rows.append(row);
        }
        procList->addTopLevelItems(rows); // one insertion for all rows
    }
    rebuildIndex();
    fitTextColumns();
    changeSelection();
}

void dialog::fitTextColumns() {
    // Without a layout of the user's the text columns fit their contents. With one
    // a column too narrow for its texts still grows into the width that the last
    // column does not need (its header is wider than any slot): a cut group name
    // helps nobody.
    fittingColumns = true;
    for (int column = 0; column < ColSlot; ++column) {
        const int spare =
            procList->columnWidth(ColSlot) - procList->header()->sectionSizeHint(ColSlot);
        const int width = procList->columnWidth(column);
        procList->resizeColumnToContents(column); // looks at a bounded number of rows
        const int wanted = procList->columnWidth(column);
        if (!autoColumnWidths)
            procList->setColumnWidth(column,
                                     width + std::clamp(wanted - width, 0, std::max(spare, 0)));
    }
    fittingColumns = false;
}

processItem* dialog::findProcess(const QString& name) const {
    if (!indexValid)
        rebuildIndex();
    return processIndex.value(name, nullptr);
}

void dialog::rebuildIndex() const {
    processIndex.clear();
    const int count = procList->topLevelItemCount();
    processIndex.reserve(count);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = procList->topLevelItem(i);
        if (item->type() != processItem::Type)
            continue;
        const QString name = item->text(ColProcess);
        if (!processIndex.contains(name))
            processIndex.insert(name, static_cast<processItem*>(item));
    }
    indexValid = true;
}

void dialog::editCells(const std::function<void()>& change) {
    BulkChange bulk(procList, BulkChange::CellsOnly);
    change();
}

void dialog::changeAllRows(const std::function<void(QTreeWidgetItem*)>& change) {
    // Detached rows have no model: their changes signal nothing and search nothing.
    const QList<QTreeWidgetItem*> selection = procList->selectedItems();
    const QSet<QTreeWidgetItem*> selected(selection.begin(), selection.end());
    QTreeWidgetItem* current = procList->currentItem();
    {
        BulkChange bulk(procList, BulkChange::Rows);
        const QList<QTreeWidgetItem*> rows = procList->invisibleRootItem()->takeChildren();
        for (QTreeWidgetItem* item : rows)
            change(item);
        procList->invisibleRootItem()->addChildren(rows);
    }
    restoreSelection(selected, current);
}

QList<QTreeWidgetItem*> dialog::selectedFreeRows() const {
    // The rows of the selection's ranges, in display order and each once: not
    // QTreeWidget::selectedItems(), which makes an index of every selected cell
    // and a set of the rows (all rows selected: five indexes a row).
    std::vector<int> selectedRows;
    for (const QItemSelectionRange& range : procList->selectionModel()->selection())
        if (!range.parent().isValid())
            for (int row = range.top(); row <= range.bottom(); ++row)
                selectedRows.push_back(row);
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    // Qt 6 lets a program select a row that is not selectable; such a row is
    // not "selected" for the slot operations.
    QList<QTreeWidgetItem*> rows;
    rows.reserve(qsizetype(selectedRows.size()));
    for (int row : selectedRows)
        if (QTreeWidgetItem* item = procList->topLevelItem(row); item && isFreeRow(item))
            rows.append(item);
    return rows;
}

// ---- slots, in declaration order ------------------------------------------

void dialog::dummy() {}

void dialog::clearAllSlots() {
    changeAllRows([](QTreeWidgetItem* item) { // template rows become free rows
        clearSlotCells(item);
        if (!isFreeRow(item))
            item->setFlags(item->flags() | Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    });
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::restoreSelection(const QSet<QTreeWidgetItem*>& selected, QTreeWidgetItem* current) {
    QAbstractItemModel* model = procList->model();
    const int count = procList->topLevelItemCount();
    const int lastColumn = model->columnCount() - 1;
    QItemSelection ranges;
    QModelIndex currentIndex;
    int first = -1; // start of the current run of selected rows
    for (int row = 0; row <= count; ++row) {
        QTreeWidgetItem* item = row < count ? procList->topLevelItem(row) : nullptr;
        const bool isSelected = item && selected.contains(item) && isFreeRow(item);
        if (isSelected && first < 0)
            first = row;
        if (!isSelected && first >= 0) {
            ranges.select(model->index(first, 0), model->index(row - 1, lastColumn));
            first = -1;
        }
        if (item && item == current)
            currentIndex = model->index(row, 0);
    }
    QItemSelectionModel* selection = procList->selectionModel();
    if (currentIndex.isValid())
        selection->setCurrentIndex(currentIndex, QItemSelectionModel::NoUpdate);
    if (!ranges.isEmpty())
        selection->select(ranges, QItemSelectionModel::ClearAndSelect);
}

void dialog::clearSlots() {
    if (!selectedFreeRows().isEmpty()) {
        clearSelectedSlots();
        return;
    }
    const int total = procList->topLevelItemCount();
    int freeRows = 0;
    for (int i = 0; i < total; ++i)
        if (isFreeRow(procList->topLevelItem(i)))
            ++freeRows;
    const int templateRows = total - freeRows;
    QPointer<dialog> self(this);
    const int answer =
        askMessageBox(this, QMessageBox::Warning, tr("Alarms TOLV Outputs"),
                      clearQuestionText(total, templateRows, freeRows),
                      {tr("&All"), tr("&Non template assigned"), tr("&Cancel")}, 0, 2);
    if (!self || !isEnabled())
        return;
    if (answer == 0)
        clearAllSlots();
    else if (answer == 1)
        clearSelectableSlots();
}

void dialog::clearSelectableSlots() {
    {
        BulkChange bulk(procList, BulkChange::CellsOnly);
        const int count = procList->topLevelItemCount();
        for (int i = 0; i < count; ++i) {
            QTreeWidgetItem* item = procList->topLevelItem(i);
            if (isFreeRow(item))
                clearSlotCells(item);
        }
    }
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::clearSelectedSlots() {
    {
        const QList<QTreeWidgetItem*> rows = selectedFreeRows();
        BulkChange bulk(procList, BulkChange::CellsOnly);
        for (QTreeWidgetItem* item : rows)
            clearSlotCells(item);
    }
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::reSort(int column) {
    if (sortActive)
        return; // the header sorted the list itself
    procList->header()->setSortIndicator(column, savedSortOrder);
    procList->setSortingEnabled(true); // sorts by the indicator
    sortActive = true;
}

void dialog::changeSelection() {
    const int selected = selectedFreeRows().size();
    clearSlotsButton->setText(selected > 0 ? tr("Clear Selected Slots") : tr("Clear All Slots"));
    QTreeWidgetItem* current = procList->currentItem();
    const int count = procList->topLevelItemCount();
    if (selected != 1 || !current || count == 0) {
        upButton->setEnabled(false);
        downButton->setEnabled(false);
    } else if (current == procList->topLevelItem(0)) {
        upButton->setEnabled(false);
        downButton->setEnabled(true);
    } else if (current == procList->topLevelItem(count - 1)) {
        upButton->setEnabled(true);
        downButton->setEnabled(false);
    } else {
        upButton->setEnabled(true);
        downButton->setEnabled(true);
    }
}

void dialog::beginManualOrder() {
    if (sortActive)
        savedSortOrder = procList->header()->sortIndicatorOrder();
    sortActive = false;
    procList->setSortingEnabled(false);
    procList->header()->setSectionsClickable(true); // a header click sorts again (reSort)
}

void dialog::moveProcUp() {
    moveProc(-1);
}

void dialog::moveProcDown() {
    moveProc(+1);
}

void dialog::moveProc(int step) {
    QTreeWidgetItem* current = procList->currentItem();
    if (!current)
        return;
    const int row = procList->indexOfTopLevelItem(current);
    const int neighbourRow = row + step;
    if (row < 0 || neighbourRow < 0 || neighbourRow >= procList->topLevelItemCount())
        return;
    beginManualOrder();
    // Moving the neighbour to the other side keeps the current row current and selected.
    QTreeWidgetItem* neighbour = procList->topLevelItem(neighbourRow);
    const bool neighbourSelected = neighbour->isSelected();
    procList->takeTopLevelItem(neighbourRow);
    procList->insertTopLevelItem(row, neighbour);
    neighbour->setSelected(neighbourSelected);
    procList->scrollToItem(current);
    changeSelection();
}

void dialog::itemChanged() {
    emit itemsChanged();
}

void dialog::itemChanged(const QString&) {
    emit itemsChanged();
}

void dialog::autoNumber() {
    QPointer<dialog> self(this);
    QPointer<autoNumberDialog> box = new autoNumberDialog(dialogParent(this));
    const bool byGroup = sortActive && procList->isSortingEnabled() &&
                         procList->header()->sortIndicatorSection() == ColGroup;
    if (!byGroup) {
        box->spinOffset->setEnabled(false);
        lastOffset = 0;
    }
    box->spinBase->setMaximum(maxSlot);
    box->spinOffset->setMaximum(maxSlot);
    box->spinBase->setValue(lastBase);
    box->spinOffset->setValue(lastOffset);
    const QVector<AutoNumberRow> shown = autoNumberRows();
    if (std::count_if(shown.begin(), shown.end(),
                      [](const AutoNumberRow& row) { return row.selected; }) > 1)
        box->radioSelected->setChecked(true);
    box->comboGroup->addItems(autoNumberGroups(shown));
    if (QTreeWidgetItem* current = procList->currentItem()) {
        const int index = box->comboGroup->findText(current->text(ColGroup),
                                                    Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index >= 0)
            box->comboGroup->setCurrentIndex(index);
    }

    const bool accepted = runModal(*box) == QDialog::Accepted;
    if (!self || !box) { // the editor or its window went away meanwhile
        delete box;
        return;
    }
    AutoNumberOptions options;
    if (accepted) {
        options.group = box->comboGroup->currentText();
        lastBase = box->spinBase->value();
        lastOffset = box->spinOffset->value();
        options.base = lastBase;
        options.offset = lastOffset;
        options.choice = box->selectGroup->checkedId();
    }
    delete box; // gone before the check
    // The list may have been reloaded or re-ordered while the dialog was open, and
    // the editor made read-only: the plan is made from the rows as they are now.
    if (accepted && isEnabled()) {
        const QVector<int> numbers = planAutoNumber(autoNumberRows(), options);
        {
            BulkChange bulk(procList, BulkChange::CellsOnly);
            for (int i = 0; i < numbers.size(); ++i)
                if (numbers[i] >= 0)
                    procList->topLevelItem(i)->setText(ColSlot, QString::number(numbers[i]));
        }
        emit itemsChanged();
    }
    checkForDuplicates();
}

QVector<AutoNumberRow> dialog::autoNumberRows() const {
    const int count = procList->topLevelItemCount();
    const QList<QTreeWidgetItem*> selection = selectedFreeRows();
    const QSet<QTreeWidgetItem*> selected(selection.begin(), selection.end());
    QVector<AutoNumberRow> rows(count);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = procList->topLevelItem(i);
        rows[i].selectable = isFreeRow(item);
        rows[i].selected = selected.contains(item);
        rows[i].group = item->text(ColGroup);
    }
    return rows;
}

void dialog::clipboardDataChange() {
    paste->setEnabled(isClipboardTextPastable(QApplication::clipboard()->text()));
}

void dialog::pasteData() {
    const QString text = QApplication::clipboard()->text();
    if (!isClipboardTextPastable(text))
        return;
    const QVector<ClipboardRow> lines = parseClipboardText(text);

    // First decide which lines to paste, asking about foreign groups; nothing is
    // written while a question is open, because the list may be reloaded then.
    QPointer<dialog> self(this);
    QVector<const ClipboardRow*> accepted;
    bool ignoreGroups = false;
    bool cancelled = false;
    for (const ClipboardRow& line : lines) {
        const processItem* row = findProcess(line.name);
        if (!row || !row->isFree())
            continue; // unknown process or template row: skipped without a message
        if (!ignoreGroups && row->text(ColGroup) != line.group) {
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
    }

    // Then write the slots, each row looked up again by its name; a paste into an
    // editor made read-only meanwhile no longer applies.
    if (!isEnabled())
        return;
    {
        BulkChange bulk(procList, BulkChange::CellsOnly);
        for (const ClipboardRow* line : accepted)
            if (processItem* row = findProcess(line->name); row && row->isFree())
                row->setText(ColSlot, line->slot);
    }
    // Rows pasted before a cancel keep their slots; they are changes like any other,
    // or a later module switch would drop them unsaved.
    if (!cancelled || !accepted.isEmpty())
        emit itemsChanged();
}

void dialog::copyData() {
    // Selected rows in display order: one pass over the rows, not a search per row.
    const QList<QTreeWidgetItem*> selection = selectedFreeRows();
    const QSet<QTreeWidgetItem*> selected(selection.begin(), selection.end());
    QVector<ClipboardRow> rows;
    rows.reserve(selected.size());
    const int count = selected.isEmpty() ? 0 : procList->topLevelItemCount();
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = procList->topLevelItem(i);
        if (selected.contains(item))
            rows.append({item->text(ColProcess), item->text(ColGroup), item->text(ColSlot)});
    }
    QApplication::clipboard()->setText(formatClipboardText(rows));
}

void dialog::selectProc(QTreeWidgetItem* item) {
    if (!item) {
        navToProc->setEnabled(false);
        return;
    }
    procList->scrollToItem(item);
    navToProc->setEnabled(true);
}

void dialog::itemDoubleClicked(QTreeWidgetItem* item) {
    if (item && isFreeRow(item))
        procList->editItem(item, ColSlot);
}

bool dialog::isAcceptedSlotEntry(const QString& text) const {
    const int n = slotNumber(text);
    return (n >= 1 && n <= maxSlot) || text.isEmpty() || text == QLatin1String("0");
}

void dialog::slotChange(QTreeWidgetItem* item, int column, const QString& text) {
    if (!item || column != ColSlot)
        return;
    const int n = slotNumber(text);
    if (n >= 1 && n <= maxSlot) {
        checkForDuplicates();
        emit itemsChanged();
    } else if (text.isEmpty() || text == QLatin1String("0")) {
        item->setText(ColSlot, QString());
        checkForDuplicates();
        emit itemsChanged();
    } else {
        const QString name = item->text(ColProcess);
        const quint64 removals = rowRemovals;
        QPointer<dialog> self(this);
        showMessageBox(this, QMessageBox::Warning, tr("TOLV Output Configuration"),
                       tr("Valid entries are numbers between 0 and %1").arg(maxSlot));
        if (!self || !isEnabled())
            return;
        // The list may have been reloaded while the box was open: then the row
        // of that name is corrected, if there still is a free one.
        QTreeWidgetItem* row = removals == rowRemovals ? item : findProcess(name);
        if (row && isFreeRow(row))
            procList->editItem(row, ColSlot); // the user corrects the entry
    }
}

bool dialog::checkForDuplicates() {
    const int count = procList->topLevelItemCount();
    QVector<QString> slotTexts(count);
    for (int i = 0; i < count; ++i)
        slotTexts[i] = procList->topLevelItem(i)->text(ColSlot);
    const SlotCheckResult result = checkSlots(slotTexts, maxSlot);
    for (int i = 0; i < count; ++i) {
        QTreeWidgetItem* item = procList->topLevelItem(i);
        if (item->type() == processItem::Type)
            static_cast<processItem*>(item)->slotValid = result.valid[i];
    }
    statusLabel->setText(slotWarningText(result.duplicates, result.outOfRange, maxSlot));
    procList->viewport()->update(); // the colours are read when painting
    return true;
}

// ---- rows for the other parts of the editor --------------------------------

namespace {

ProcessRow rowValues(const QTreeWidgetItem* item) {
    ProcessRow row;
    row.name = item->text(ColProcess);
    row.group = item->text(ColGroup);
    row.devType = item->text(ColDevType);
    row.instance = item->text(ColInstance);
    row.slot = item->text(ColSlot);
    row.free = isFreeRow(item);
    if (item->type() == processItem::Type)
        row.slotValid = static_cast<const processItem*>(item)->slotValid;
    return row;
}

} // namespace

int dialog::rowCount() const {
    return procList->topLevelItemCount();
}

ProcessRow dialog::processRow(int row) const {
    const QTreeWidgetItem* item = procList->topLevelItem(row);
    return item ? rowValues(item) : ProcessRow();
}

int dialog::rowOf(const QString& name) const {
    const processItem* item = findProcess(name);
    return item ? procList->indexOfTopLevelItem(const_cast<processItem*>(item)) : -1;
}

QString dialog::currentProcess() const {
    const QTreeWidgetItem* current = procList->currentItem();
    return current ? current->text(ColProcess) : QString();
}

void dialog::editRows(const std::function<void(int, ProcessRow&)>& change) {
    int row = 0;
    changeAllRows([&](QTreeWidgetItem* item) {
        ProcessRow values = rowValues(item);
        const ProcessRow before = values;
        change(row++, values);
        if (values.slot != before.slot)
            item->setText(ColSlot, values.slot);
        if (values.devType != before.devType)
            item->setText(ColDevType, values.devType);
        if (values.instance != before.instance)
            item->setText(ColInstance, values.instance);
        if (values.free != before.free)
            item->setFlags(values.free ? item->flags() | Qt::ItemIsSelectable | Qt::ItemIsEnabled
                                       : item->flags() & ~Qt::ItemIsSelectable);
    });
}

void dialog::showProcess(int row) {
    QTreeWidgetItem* item = procList->topLevelItem(row);
    if (!item)
        return;
    procList->clearSelection();
    procList->setCurrentItem(item);
    item->setSelected(true);
    selectProc(item);
    // A process navigated to is shown in the middle of the list, with the rows
    // around it, and stays in view when the list settles to its final size.
    procList->scrollToItem(item, QAbstractItemView::PositionAtCenter);
    // The list takes the focus, so that its current row is framed even where it
    // cannot be selected (a row that a template fills).
    procList->setFocus(Qt::OtherFocusReason);
}

void dialog::enterSlot(int row, const QString& text) {
    QTreeWidgetItem* item = procList->topLevelItem(row);
    if (!item || !isFreeRow(item))
        return;
    item->setText(ColSlot, text);
    slotChange(item, ColSlot, text);
}
