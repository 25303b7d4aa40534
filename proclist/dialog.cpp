#include "proclist/dialog.h"

#include "core/documents.h"
#include "core/module_file.h"
#include "core/slot_rules.h"
#include "core/store_paths.h"
#include "platform/icon_store.h"
#include "platform/modal_ui.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/auto_number_dialog.h"
#include "proclist/control_geometry.h"
#include "proclist/process_list_delegate.h"
#include "proclist/process_store.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QIcon>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>

#include <algorithm>

namespace {

const QString procListKey =
    QStringLiteral("Home/Alarms/Outputs/Tolv Output/") + QStringLiteral("ProcList");

QIcon iconFromStore(const char* name) {
    const char* const* xpm = fnIconStore(name);
    return xpm ? QIcon(QPixmap(xpm)) : QIcon();
}

// Empties the slot and the template columns of one row.
void clearSlotCells(ProcessRow& row) {
    row.slot.clear();
    row.devType.clear();
    row.instance.clear();
}

} // namespace

int dialog::lastBase = 1;
int dialog::lastOffset = 0;

dialog::dialog(IGetDocuments* documents, QWidget* parent, const char* name, Qt::WindowFlags flags)
    : dialogBase(parent, name, flags), documents(documents) {
    sortActive = true;
    setUpList();
    setUpButtons();
    setUpShortcuts();
    setUpFind();
    clipboardDataChange();
}

void dialog::setUpList() {
    // Last column takes the rest, extended selection, focus across the row,
    // sorted by column 0 ascending like Qt 3's QListView.
    model = new ProcessListModel(this);
    procList->setModel(model);
    procList->setRootIsDecorated(false);
    procList->setAllColumnsShowFocus(true);
    procList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    procList->setSelectionBehavior(QAbstractItemView::SelectRows);
    procList->setUniformRowHeights(true); // rows are one line; keeps a million rows fast
    procList->setEditTriggers(QAbstractItemView::NoEditTriggers); // itemDoubleClicked decides
    procList->header()->setStretchLastSection(true);
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
    connect(delegate, &processListDelegate::slotEntered, this, &dialog::slotChange);
    connect(procList, &QTreeView::doubleClicked, this, &dialog::itemDoubleClicked);
    // Qt 6 may change the current row without changing the selection (and
    // reports the selection before the new current row), so the buttons that
    // depend on both follow the current row too.
    connect(procList->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                selectProc(current);
                changeSelection();
            });
    connect(procList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &dialog::changeSelection);
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

void dialog::refreshLimits() {
    Document* document = documents ? documents->getSystemDocument() : nullptr;
    if (auto* system = dynamic_cast<Document_TolvSystem*>(document)) {
        maxSlot = system->maxSlot();
        infodriverNumber->setMaximum(system->maxInfodriver());
    }
}

void dialog::clearSlots() {
    if (!selectedFreeRows().empty()) {
        clearSelectedSlots();
        return;
    }
    const int total = rowCount();
    int freeRows = 0;
    for (int i = 0; i < total; ++i)
        if (model->isFree(i))
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

void dialog::reSort(int column) {
    if (sortActive)
        return; // the header sorted the list itself
    procList->header()->setSortIndicator(column, savedSortOrder);
    procList->setSortingEnabled(true); // sorts by the indicator
    sortActive = true;
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
    if (const QModelIndex current = procList->currentIndex(); current.isValid()) {
        const int index = box->comboGroup->findText(model->text(current.row(), ColGroup),
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
        // Rows whose names a module file cannot hold take no number and use none.
        QVector<AutoNumberRow> rows = autoNumberRows();
        const QVector<int> wanted = planAutoNumber(rows, options);
        QStringList unstorable;
        for (int i = 0; i < rows.size(); ++i)
            if (rows[i].selectable && !isStorableProcessName(model->text(i, ColProcess))) {
                rows[i].selectable = false;
                if (wanted[i] >= 0)
                    unstorable.append(model->text(i, ColProcess));
            }
        const QVector<int> numbers = unstorable.isEmpty() ? wanted : planAutoNumber(rows, options);
        model->editRows([&](int row, ProcessRow& values) {
            if (numbers[row] >= 0)
                values.slot = QString::number(numbers[row]);
        });
        emit itemsChanged();
        if (!reportUnstorable(unstorable))
            return;
    }
    checkForDuplicates();
}

void dialog::setUpFind() {
    findField = new QLineEdit(this);
    findField->setObjectName(QStringLiteral("findField"));
    findField->setPlaceholderText(tr("Find process (Ctrl+F)"));
    findField->setClearButtonEnabled(true);
    if (auto* top = qobject_cast<QBoxLayout*>(layout()))
        top->insertWidget(1, findField);
    auto* findAction = new QAction(tr("&Find"), this);
    findAction->setObjectName(QStringLiteral("find"));
    findAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    findAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(findAction);
    connect(findAction, &QAction::triggered, this, [this] {
        findField->setFocus(Qt::ShortcutFocusReason);
        findField->selectAll();
    });
    connect(findField, &QLineEdit::textEdited, this, [this] { findNext(true); });
    connect(findField, &QLineEdit::returnPressed, this, [this] { findNext(false); });
}

dialog::~dialog() {
    saveListViewColumns(procList, procListKey);
    // The list is deleted with the form's children, after this part of the object
    // is gone; what it signals while it empties must not reach this object.
    for (QObject* sender : std::initializer_list<QObject*>{
             procList, model, procList->selectionModel(), procList->header(), delegate})
        disconnect(sender, nullptr, this, nullptr);
}

void dialog::setProcesses(const QVector<ProcessDefinition>& processes) {
    ++rowsGeneration;
    model->setProcesses(processes);
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

// ---- rows for the other parts of the editor --------------------------------

int dialog::rowCount() const {
    return model->rowCount();
}

ProcessRow dialog::processRow(int row) const {
    return model->row(row);
}

int dialog::rowOf(const QString& name) const {
    return model->rowOf(name);
}

QString dialog::currentProcess() const {
    const QModelIndex current = procList->currentIndex();
    return current.isValid() ? model->text(current.row(), ColProcess) : QString();
}

void dialog::editRows(const std::function<void(int, ProcessRow&)>& change) {
    model->editRows(change);
    dropUnselectableFromSelection();
}

void dialog::dropUnselectableFromSelection() {
    QItemSelection drop;
    for (const QItemSelectionRange& range : procList->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (!model->isFree(row))
                drop.select(model->index(row, 0), model->index(row, ColSlot));
    if (!drop.isEmpty())
        procList->selectionModel()->select(drop, QItemSelectionModel::Deselect);
}

void dialog::showProcess(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const QModelIndex index = model->index(row, 0);
    QItemSelectionModel* selection = procList->selectionModel();
    selection->setCurrentIndex(index, QItemSelectionModel::Clear);
    if (model->isFree(row)) // Qt selects a row that is not selectable when told to
        selection->select(index, QItemSelectionModel::Select | QItemSelectionModel::Rows);
    selectProc(index);
    // A process navigated to is shown in the middle of the list, with the rows
    // around it, and stays in view when the list settles to its final size.
    procList->scrollTo(index, QAbstractItemView::PositionAtCenter);
    // The list takes the focus, so that its current row is framed even where it
    // cannot be selected (a row that a template fills).
    procList->setFocus(Qt::OtherFocusReason);
}

void dialog::findNext(bool fromCurrent) {
    const QString text = findField->text();
    const int count = rowCount();
    if (text.isEmpty() || count == 0)
        return;
    const int current = procList->currentIndex().isValid() ? procList->currentIndex().row() : -1;
    const int start = current < 0 ? 0 : (fromCurrent ? current : current + 1);
    const int row = model->findRow(text, start % count);
    if (row < 0)
        return;
    const QModelIndex index = model->index(row, 0);
    procList->selectionModel()->setCurrentIndex(
        index, model->isFree(row) ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows
                                  : QItemSelectionModel::Clear);
    procList->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

std::vector<int> dialog::selectedFreeRows() const {
    // The rows of the selection's ranges, each once: not selectedRows(), which
    // makes an index of every selected row.
    std::vector<int> rows;
    for (const QItemSelectionRange& range : procList->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (model->isFree(row)) // Qt lets a program select a template row
                rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

// ---- slots, in declaration order ------------------------------------------

void dialog::dummy() {}

void dialog::clearAllSlots() {
    editRows([](int, ProcessRow& row) { // template rows become free rows
        clearSlotCells(row);
        row.free = true;
    });
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::clearSelectableSlots() {
    model->editRows([](int, ProcessRow& row) {
        if (row.free)
            clearSlotCells(row);
    });
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::clearSelectedSlots() {
    model->editSome(selectedFreeRows(), [](int, ProcessRow& row) { clearSlotCells(row); });
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::changeSelection() {
    const std::size_t selected = selectedFreeRows().size();
    clearSlotsButton->setText(selected > 0 ? tr("Clear Selected Slots") : tr("Clear All Slots"));
    const QModelIndex current = procList->currentIndex();
    const int count = rowCount();
    // The first row can move down and the last up (one row alone: down).
    const bool movable = selected == 1 && current.isValid() && count > 0;
    upButton->setEnabled(movable && current.row() > 0);
    downButton->setEnabled(movable && (current.row() == 0 || current.row() < count - 1));
}

void dialog::beginManualOrder() {
    if (sortActive)
        savedSortOrder = procList->header()->sortIndicatorOrder();
    sortActive = false;
    procList->setSortingEnabled(false);
    model->sorted = false;
    procList->header()->setSectionsClickable(true); // a header click sorts again (reSort)
}

void dialog::moveProcUp() {
    moveProc(-1);
}

void dialog::moveProcDown() {
    moveProc(+1);
}

void dialog::moveProc(int step) {
    const QModelIndex current = procList->currentIndex();
    if (!current.isValid())
        return;
    const int row = current.row();
    if (row + step < 0 || row + step >= rowCount())
        return;
    beginManualOrder();
    model->moveRow(row, step); // the current row and the selection move with it
    procList->scrollTo(procList->currentIndex());
    changeSelection();
}

void dialog::itemChanged() {
    emit itemsChanged();
}

void dialog::itemChanged(const QString&) {
    emit itemsChanged();
}

QVector<AutoNumberRow> dialog::autoNumberRows() const {
    const int count = rowCount();
    QVector<AutoNumberRow> rows(count);
    for (int i = 0; i < count; ++i) {
        rows[i].selectable = model->isFree(i);
        rows[i].group = model->text(i, ColGroup);
    }
    for (int row : selectedFreeRows())
        rows[row].selected = true;
    return rows;
}

bool dialog::reportUnstorable(const QStringList& names) {
    if (names.isEmpty())
        return true;
    QPointer<dialog> self(this);
    showMessageBox(this, QMessageBox::Warning, tr("TOLV Output"),
                   tr("These processes cannot get a slot: a module file cannot hold their "
                      "names (an \"=\" or blanks at an end):\n\t") +
                       names.join(QStringLiteral("\n\t")));
    return self;
}

void dialog::clipboardDataChange() {
    paste->setEnabled(isClipboardTextPastable(QApplication::clipboard()->text()));
}

void dialog::copyData() {
    // Selected rows in display order.
    QVector<ClipboardRow> rows;
    for (int row : selectedFreeRows())
        rows.append(
            {model->text(row, ColProcess), model->text(row, ColGroup), model->text(row, ColSlot)});
    QApplication::clipboard()->setText(formatClipboardText(rows));
}

void dialog::selectProc(const QModelIndex& index) {
    if (!index.isValid()) {
        navToProc->setEnabled(false);
        return;
    }
    procList->scrollTo(index);
    navToProc->setEnabled(true);
}

void dialog::itemDoubleClicked(const QModelIndex& index) {
    if (!index.isValid() || !model->isFree(index.row()))
        return;
    const QModelIndex cell = model->index(index.row(), ColSlot);
    if (model->flags(cell) & Qt::ItemIsEditable)
        procList->edit(cell);
    else
        reportUnstorable({model->text(index.row(), ColProcess)});
}

bool dialog::isAcceptedSlotEntry(const QString& text) const {
    const int n = slotNumber(text);
    return (n >= 1 && n <= maxSlot) || text.isEmpty() || text == QLatin1String("0");
}

void dialog::enterSlot(int row, const QString& text) {
    if (row >= 0 && row < rowCount() &&
        (model->flags(model->index(row, ColSlot)) & Qt::ItemIsEditable))
        slotChange(model->index(row, ColSlot), text);
}

void dialog::slotChange(const QPersistentModelIndex& index, const QString& text) {
    // The entry is judged on the row that was edited, wherever it stands now.
    if (!index.isValid() || index.column() != ColSlot)
        return;
    const int store = model->storeIndex(index.row());
    if (isAcceptedSlotEntry(text)) {
        if (delegate->openIndex() == index)
            delegate->forgetEditor();
        return applySlotEntry(store, text);
    }
    // Refused: the row keeps its slot. The box waits until the editor has
    // closed, so that it can be opened again for the correction.
    const QString name = model->text(index.row(), ColProcess);
    const quint64 generation = rowsGeneration;
    QMetaObject::invokeMethod(
        this,
        [this, store, name, text, generation] {
            refuseSlotEntry(generation == rowsGeneration ? store : -1, name, text);
        },
        Qt::QueuedConnection);
}

void dialog::applySlotEntry(int store, const QString& text) {
    const bool clear = slotNumber(text) < 1;
    model->editSome({model->displayRow(store)},
                    [&](int, ProcessRow& row) { row.slot = clear ? QString() : text; });
    checkForDuplicates();
    emit itemsChanged();
}

void dialog::refuseSlotEntry(int store, const QString& name, const QString& text) {
    QPointer<dialog> self(this);
    const quint64 generation = rowsGeneration;
    showMessageBox(this, QMessageBox::Warning, tr("TOLV Output Configuration"),
                   tr("Valid entries are numbers between 0 and %1").arg(maxSlot));
    if (!self || !isEnabled())
        return;
    if (generation != rowsGeneration)
        store = -1;
    // The list may have been reloaded while the box was open: then the row
    // of that name is corrected, if there still is a free one.
    const int row = store >= 0 && store < rowCount() ? model->displayRow(store) : rowOf(name);
    if (row < 0 || model->text(row, ColProcess) != name || !model->isFree(row))
        return;
    const QModelIndex cell = model->index(row, ColSlot);
    procList->setCurrentIndex(cell);
    procList->edit(cell); // the user corrects the entry
    if (QLineEdit* line = delegate->openEditor())
        line->setText(text);
}

bool dialog::commitOpenEdit() {
    QLineEdit* line = delegate->openEditor();
    const QPersistentModelIndex index = delegate->openIndex();
    if (!line || !index.isValid())
        return true;
    const QString text = line->text();
    if (!isAcceptedSlotEntry(text)) {
        showMessageBox(this, QMessageBox::Warning, tr("TOLV Output Configuration"),
                       tr("Valid entries are numbers between 0 and %1").arg(maxSlot));
        return false;
    }
    // Closing the editor commits nothing more: the entry is applied here.
    QPointer<QLineEdit> open(line);
    const int store = model->storeIndex(index.row());
    line->blockSignals(true);
    emit delegate->closeEditor(line, QAbstractItemDelegate::NoHint);
    if (open)
        open->blockSignals(false);
    delegate->forgetEditor();
    applySlotEntry(store, text);
    return true;
}

bool dialog::checkForDuplicates() {
    const SlotCheckResult result = checkSlots(model->slotTexts(), maxSlot);
    model->setSlotValid(result.valid);
    statusLabel->setText(slotWarningText(result.duplicates, result.outOfRange, maxSlot));
    return true;
}
