#include "templates/manage_temp.h"

#include "core/documents.h"
#include "core/slot_rules.h"
#include "core/store_paths.h"
#include "core/type_names.h"
#include "platform/modal_ui.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/control_geometry.h"
#include "proclist/rename_delegate.h"

#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTreeWidget>

namespace {

const QString controlPrefix = StorePaths::navigationPath + QStringLiteral("/ManageTemplates/");
const QString posSizeKey = controlPrefix + QStringLiteral("PosSize");
const QString listSlotsKey = controlPrefix + QStringLiteral("ListSlots");
const QString tableInstanceKey = controlPrefix + QStringLiteral("TableInstance");

enum SlotColumn { ColParameter = 0, ColSlotText = 1 };
enum InstanceColumn { ColInstance = 0, ColEnabled = 1 };

// Remembers the sort of a list, switches it off while rows are replaced, and
// sorts again by the same column and order at the end.
class SortPause {
public:
    explicit SortPause(QTreeWidget* list)
        : list(list), sorting(list->isSortingEnabled()), column(list->sortColumn()),
          order(list->header()->sortIndicatorOrder()) {
        list->setSortingEnabled(false);
    }
    ~SortPause() {
        if (sorting) {
            list->setSortingEnabled(true);
            list->sortByColumn(column, order);
        }
    }
    SortPause(const SortPause&) = delete;
    SortPause& operator=(const SortPause&) = delete;

private:
    QTreeWidget* list;
    bool sorting;
    int column;
    Qt::SortOrder order;
};

bool isCheckItem(const QTableWidgetItem* item) {
    return item && (item->flags() & Qt::ItemIsUserCheckable);
}

} // namespace

manage_temp::manage_temp(const QStringList& processNames, const TemplateList& templates,
                         IGetDocuments* documents, QWidget* parent, const char* name, bool modal,
                         Qt::WindowFlags flags)
    : manage_tempBase(parent, name, modal, flags) {
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    // The last stored position, size and state. Without one the window system
    // places the dialog, in the form's size.
    if (!readControlSetting(posSizeKey).isNull()) {
        QPoint pos = this->pos();
        QSize size = this->size();
        bool maximized = false;
        readWindowGeometry(pos, size, maximized, posSizeKey);
        move(pos);
        resize(size);
        if (maximized) // shown maximised when the dialog runs
            setWindowState(windowState() | Qt::WindowMaximized);
    }

    listSlots->setRootIsDecorated(false);
    listSlots->header()->setStretchLastSection(true);
    listSlots->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listSlots->setAllColumnsShowFocus(true);
    listSlots->header()->setSortIndicatorShown(true);
    for (int column = 0; column < listSlots->columnCount(); ++column)
        listSlots->headerItem()->setData(column, Qt::InitialSortOrderRole, int(Qt::AscendingOrder));
    listSlots->setSortingEnabled(true);
    listSlots->sortByColumn(ColParameter, Qt::AscendingOrder);
    // Only the slot column is edited in place: by a double click (itemDoubleClicked),
    // a click on a selected row or the edit key. Losing focus commits the edit.
    listSlots->setEditTriggers(QAbstractItemView::SelectedClicked |
                               QAbstractItemView::EditKeyPressed);
    auto* delegate = new renameDelegate(listSlots, ColSlotText);
    listSlots->setItemDelegate(delegate);
    restoreListViewColumns(listSlots, listSlotsKey);

    tableInstance->verticalHeader()->hide();
    // One line per instance, as compact as the parameter list beside it.
    tableInstance->verticalHeader()->setDefaultSectionSize(tableInstance->fontMetrics().height() +
                                                           6);
    tableInstance->setEditTriggers(QAbstractItemView::NoEditTriggers); // the check items toggle
    tableInstance->horizontalHeader()->setSectionResizeMode(ColInstance, QHeaderView::Stretch);
    restoreTableColumns(tableInstance, tableInstanceKey);

    Document* document = documents ? documents->getSystemDocument() : nullptr;
    const auto* system = dynamic_cast<Document_TolvSystem*>(document);
    const int maxSlot = system ? system->maxSlot() : StorePaths::defaultMaxSlot;
    spinBase->setMaximum(maxSlot);
    spinOffset->setMaximum(maxSlot);

    connect(delegate, &renameDelegate::itemRenamed, this, &manage_temp::slotChange);
    connect(listSlots, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { itemDoubleClicked(item); });
    connect(comboTemplates, &QComboBox::textActivated, this, &manage_temp::selectTemplate);
    connect(editPrefix, &QLineEdit::textChanged, this, &manage_temp::changePrefix);
    connect(buttonNew, &QPushButton::clicked, this, &manage_temp::newTemplate);
    connect(buttonSelectAll, &QPushButton::clicked, this, &manage_temp::selectAllInstances);
    connect(buttonUnselectAll, &QPushButton::clicked, this, &manage_temp::unselectAllInstances);
    connect(buttonSelectSelected, &QPushButton::clicked, this,
            &manage_temp::selectSelectedInstances);
    connect(buttonUnselectSelected, &QPushButton::clicked, this,
            &manage_temp::unselectSelectedInstances);
    connect(tabWidget, &QTabWidget::currentChanged, this,
            [this](int index) { changeTab(tabWidget->widget(index)); });
    connect(buttonAutoNumberSlots, &QPushButton::clicked, this, &manage_temp::autoNumberSlots);
    connect(buttonClearSlots, &QPushButton::clicked, this, &manage_temp::clearSlots);

    this->processNames = processNames;
    processNameSet = QSet<QString>(processNames.begin(), processNames.end());
    takeTemplates(templates);
}

manage_temp::~manage_temp() {
    // The normal position and size are stored, with the maximised flag beside them.
    const bool maximized = isMaximized();
    QPoint pos = this->pos();
    QSize size = this->size();
    if (maximized) {
        const QRect normal = normalGeometry();
        if (normal.isValid()) {
            pos = normal.topLeft() - (geometry().topLeft() - this->pos()); // frame position
            size = normal.size();
        }
    }
    writeWindowGeometry(pos, size, maximized, posSizeKey);
    saveListViewColumns(listSlots, listSlotsKey);
    saveTableColumns(tableInstance, tableInstanceKey);
}

void manage_temp::takeTemplates(const TemplateList& source) {
    templates = source.copy();
    SortPause pause(listSlots);
    listSlots->clear();
    for (const auto& entry : templates)
        comboTemplates->addItem(entry.first);
    sortComboTemplates();
    selectTemplate(comboTemplates->currentText());
}

void manage_temp::sortComboTemplates() {
    comboTemplates->model()->sort(0, Qt::AscendingOrder);
}

void manage_temp::selectAllInstances() {
    setInstanceChecks(true, false);
}

void manage_temp::unselectAllInstances() {
    setInstanceChecks(false, false);
}

void manage_temp::selectSelectedInstances() {
    setInstanceChecks(true, true);
}

void manage_temp::unselectSelectedInstances() {
    setInstanceChecks(false, true);
}

void manage_temp::setInstanceChecks(bool checked, bool selectedOnly) {
    for (int row = 0; row < tableInstance->rowCount(); ++row) {
        QTableWidgetItem* check = tableInstance->item(row, ColEnabled);
        if (!isCheckItem(check))
            continue;
        if (selectedOnly) {
            const QTableWidgetItem* instance = tableInstance->item(row, ColInstance);
            if (!instance || !instance->isSelected())
                continue;
        }
        check->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    }
}

void manage_temp::newTemplate() {
    SortPause pause(listSlots);

    QInputDialog input(this);
    input.setWindowTitle(QStringLiteral("New Template"));
    input.setLabelText(QStringLiteral("Enter new template name"));
    input.setTextValue(QString());
    if (runModal(input) != QDialog::Accepted)
        return;
    // Blanks at the ends would not survive the module file, whose lines are trimmed.
    const QString name = input.textValue().trimmed();
    if (name.isEmpty())
        return;
    if (!isTemplateName(name)) {
        // The name becomes part of a file name and the key of a module file line.
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("New Template Failed"),
                       QStringLiteral("A template name cannot contain \"/\", \"\\\", \"=\", "
                                      "control characters or characters that the "
                                      "configuration files cannot hold."));
        return;
    }
    if (templates.find(name)) {
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("New Template Failed"),
                       QStringLiteral("The specified name '") + name +
                           QStringLiteral("' already exists."));
        return;
    }
    // What a "[Templates]" line of the bare name gives: base slot 0, offset 1, no prefix.
    auto entry = std::make_unique<devTemplate>();
    entry->name = name;
    templates.insert(std::move(entry));
    comboTemplates->addItem(name);
    sortComboTemplates();
    comboTemplates->setCurrentIndex(comboTemplates->findText(name, Qt::MatchExactly));
    selectTemplate(name);
}

void manage_temp::changeTab(QWidget* page) {
    saveCurrentTemplate();
    if (page == tab_2) // the candidates follow the parameters just edited
        showInstances();
}

void manage_temp::saveCurrentTemplate() {
    if (!current)
        return;
    current->baseSlot = spinBase->value();
    current->offset = spinOffset->value();
    current->prefix = editPrefix->text();
    current->params.clear();
    for (int row = 0; row < listSlots->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = listSlots->topLevelItem(row);
        const int slot = slotNumber(item->text(ColSlotText)); // not a number: 0
        if (slot != 0)
            current->params[item->text(ColParameter)] = slot;
    }
    current->instances.clear();
    for (int row = 0; row < tableInstance->rowCount(); ++row) {
        const QTableWidgetItem* check = tableInstance->item(row, ColEnabled);
        const QTableWidgetItem* instance = tableInstance->item(row, ColInstance);
        if (isCheckItem(check) && check->checkState() == Qt::Checked && instance)
            current->instances.append(instance->text());
    }
}

void manage_temp::itemDoubleClicked(QTreeWidgetItem* item) {
    if (item)
        listSlots->editItem(item, ColSlotText);
}

void manage_temp::slotChange(QTreeWidgetItem*, int, const QString&) {
    // The edited text stays in the row; saveCurrentTemplate reads it.
}

void manage_temp::changePrefix(const QString& prefix) {
    if (!current)
        return;
    SortPause pause(listSlots); // rows go in at once and are sorted once
    listSlots->clear();
    QList<QTreeWidgetItem*> rows;
    for (const QString& process : processNames) {
        if (!process.startsWith(prefix))
            continue;
        const QString parameter = process.mid(prefix.size());
        auto* row = new QTreeWidgetItem;
        row->setText(ColParameter, parameter);
        row->setFlags(row->flags() | Qt::ItemIsEditable);
        const auto slot = current->params.constFind(parameter);
        if (slot != current->params.cend())
            row->setText(ColSlotText, QString::number(*slot));
        rows.append(row);
    }
    listSlots->addTopLevelItems(rows);
}

void manage_temp::showInstances() {
    tableInstance->setUpdatesEnabled(false);
    tableInstance->setRowCount(0);
    if (!current) {
        qDebug("currentTemplate - no current template");
        tableInstance->setUpdatesEnabled(true);
        return;
    }
    if (current->params.isEmpty()) {
        qDebug("currentTemplate - no instances set");
        tableInstance->setUpdatesEnabled(true);
        return;
    }

    const QString first = current->params.firstKey();
    QStringList accepted;
    QSet<QString> seen;
    for (const QString& process : processNames) {
        if (!process.endsWith(first))
            continue;
        const QString candidate = process.chopped(first.size());
        if (seen.contains(candidate))
            continue;
        bool complete = true;
        for (auto param = current->params.cbegin(); complete && param != current->params.cend();
             ++param)
            complete = processNameSet.contains(candidate + param.key());
        if (complete) {
            seen.insert(candidate);
            accepted.append(candidate);
        }
    }

    const QSet<QString> chosen(current->instances.cbegin(), current->instances.cend());
    tableInstance->setSortingEnabled(false);
    tableInstance->setRowCount(int(accepted.size()));
    for (int row = 0; row < accepted.size(); ++row) {
        auto* instance = new QTableWidgetItem(accepted[row]);
        instance->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        tableInstance->setItem(row, ColInstance, instance);
        auto* check = new QTableWidgetItem(QStringLiteral("Selected"));
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setCheckState(chosen.contains(accepted[row]) ? Qt::Checked : Qt::Unchecked);
        tableInstance->setItem(row, ColEnabled, check);
    }
    tableInstance->setUpdatesEnabled(true);
    tableInstance->viewport()->update();
}

void manage_temp::selectTemplate(const QString& name) {
    saveCurrentTemplate(); // the template being left keeps the user's edits
    listSlots->clear();
    tableInstance->setRowCount(0);

    devTemplate* found = templates.find(name);
    if (!found) {
        qDebug("manage_temp::selectTemplate - can not find template - %s",
               name.toLatin1().constData());
        current = nullptr;
        return;
    }
    if (found->name != name) {
        qDebug("manage_temp::selectTemplate - dictionary key doesn't match template name - %s",
               found->name.toLatin1().constData());
        current = nullptr;
        return;
    }
    current = found;
    spinBase->setValue(current->baseSlot);
    spinOffset->setValue(current->offset);
    {
        const QSignalBlocker quiet(editPrefix); // the list is filled once, below
        editPrefix->setText(current->prefix);
    }
    changePrefix(current->prefix);
    showInstances();
}

void manage_temp::autoNumberSlots() {
    const QList<QTreeWidgetItem*> selected = listSlots->selectedItems();
    if (selected.isEmpty()) {
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("No row is selected"),
                       QStringLiteral("Please select rows for auto numbering"));
        return;
    }
    // The rows in display order first: a list sorted by its slots moves a row
    // as soon as its slot changes.
    QList<QTreeWidgetItem*> numbered;
    for (int row = 0; row < listSlots->topLevelItemCount(); ++row)
        if (listSlots->topLevelItem(row)->isSelected())
            numbered.append(listSlots->topLevelItem(row));
    int slot = 1;
    for (QTreeWidgetItem* item : numbered)
        item->setText(ColSlotText, QString::number(slot++));
}

void manage_temp::clearSlots() {
    const QList<QTreeWidgetItem*> selected = listSlots->selectedItems();
    if (selected.isEmpty()) {
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("No row is selected"),
                       QStringLiteral("Please select rows to clear"));
        return;
    }
    for (QTreeWidgetItem* item : selected)
        item->setText(ColSlotText, QString());
}

void manage_temp::getTemplates(TemplateList* const target) {
    if (target)
        *target = templates.copy();
}
