#include "templates/manage_temp.h"

#include "core/documents.h"
#include "core/slot_rules.h"
#include "core/store_paths.h"
#include "core/type_names.h"
#include "platform/modal_ui.h"
#include "plugin/plugin_interfaces.h"
#include "proclist/control_geometry.h"
#include "templates/template_tables.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTreeView>

#include <algorithm>

namespace {

const QString controlPrefix = StorePaths::navigationPath + QStringLiteral("/ManageTemplates/");
const QString posSizeKey = controlPrefix + QStringLiteral("PosSize");
const QString listSlotsKey = controlPrefix + QStringLiteral("ListSlots");
const QString tableInstanceKey = controlPrefix + QStringLiteral("TableInstance");

// A stored position the user cannot see any more (another screen layout) is
// moved so that the whole window, or as much as fits, is on the nearest screen.
QPoint onScreen(const QPoint& pos, const QSize& size) {
    const QRect wanted(pos, size);
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return pos;
    const QRect area = screen->availableGeometry();
    const int x = std::max(area.left(), std::min(pos.x(), area.right() + 1 - size.width()));
    const int y = std::max(area.top(), std::min(pos.y(), area.bottom() + 1 - size.height()));
    return QPoint(x, y);
}

} // namespace

manage_temp::manage_temp(const QStringList& processNames, const TemplateList& templates,
                         IGetDocuments* documents, QWidget* parent, const char* name, bool modal,
                         Qt::WindowFlags flags)
    : manage_tempBase(parent, name, modal, flags), parameters(new ParameterTable(this)),
      instanceRows(new InstanceTable(this)) {
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    restoreGeometry();

    listSlots->setModel(parameters);
    listSlots->setRootIsDecorated(false);
    listSlots->setUniformRowHeights(true);
    listSlots->header()->setStretchLastSection(true);
    listSlots->setSelectionMode(QAbstractItemView::ExtendedSelection);
    listSlots->setAllColumnsShowFocus(true);
    listSlots->header()->setSortIndicatorShown(true);
    listSlots->setSortingEnabled(true);
    listSlots->sortByColumn(ParameterTable::ColParameter, Qt::AscendingOrder);
    // Only the slot column is edited in place: by a double click (itemDoubleClicked),
    // a click on a selected row or the edit key. Losing focus commits the edit.
    listSlots->setEditTriggers(QAbstractItemView::SelectedClicked |
                               QAbstractItemView::EditKeyPressed);
    restoreListViewColumns(listSlots, listSlotsKey);

    tableInstance->setModel(instanceRows);
    tableInstance->verticalHeader()->hide();
    // One line per instance, as compact as the parameter list beside it.
    tableInstance->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tableInstance->verticalHeader()->setDefaultSectionSize(tableInstance->fontMetrics().height() +
                                                           6);
    tableInstance->setEditTriggers(QAbstractItemView::NoEditTriggers); // the check boxes toggle
    tableInstance->horizontalHeader()->setSectionResizeMode(InstanceTable::ColInstance,
                                                            QHeaderView::Stretch);
    restoreTableColumns(tableInstance, tableInstanceKey);

    Document* document = documents ? documents->getSystemDocument() : nullptr;
    const auto* system = dynamic_cast<Document_TolvSystem*>(document);
    const int maxSlot = system ? system->maxSlot() : StorePaths::defaultMaxSlot;
    spinBase->setMaximum(maxSlot);
    spinOffset->setMaximum(maxSlot);

    connect(listSlots, &QTreeView::doubleClicked, this, &manage_temp::itemDoubleClicked);
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
    // The normal position and size as last shown, with the maximised flag beside them.
    rememberNormalGeometry();
    writeWindowGeometry(normalPos, normalSize, isMaximized(), posSizeKey);
    saveListViewColumns(listSlots, listSlotsKey);
    saveTableColumns(tableInstance, tableInstanceKey);
}

void manage_temp::restoreGeometry() {
    normalPos = pos();
    normalSize = size();
    // Without a stored layout the window system places the dialog, in the form's size.
    if (readControlSetting(posSizeKey).isNull())
        return;
    bool maximized = false;
    readWindowGeometry(normalPos, normalSize, maximized, posSizeKey);
    normalPos = onScreen(normalPos, normalSize);
    move(normalPos);
    resize(normalSize);
    if (maximized) // shown maximised when the dialog runs
        setWindowState(windowState() | Qt::WindowMaximized);
}

void manage_temp::rememberNormalGeometry() {
    // Only a window in its normal state shows the position and size to restore.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
        return;
    normalPos = pos();
    normalSize = size();
}

void manage_temp::moveEvent(QMoveEvent* event) {
    manage_tempBase::moveEvent(event);
    if (isVisible())
        rememberNormalGeometry();
}

void manage_temp::resizeEvent(QResizeEvent* event) {
    manage_tempBase::resizeEvent(event);
    if (isVisible())
        rememberNormalGeometry();
}

void manage_temp::takeTemplates(const TemplateList& source) {
    templates = source.copy();
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

std::vector<bool> manage_temp::selectedRows(const QAbstractItemView* view, int column) const {
    std::vector<bool> rows(size_t(view->model()->rowCount()), false);
    // Ranges, not indexes: a selection of every row is one range.
    for (const QItemSelectionRange& range : view->selectionModel()->selection()) {
        if (column >= 0 && (column < range.left() || column > range.right()))
            continue;
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows[size_t(row)] = true;
    }
    return rows;
}

void manage_temp::setInstanceChecks(bool checked, bool selectedOnly) {
    const std::vector<bool> rows = selectedOnly
                                       ? selectedRows(tableInstance, InstanceTable::ColInstance)
                                       : std::vector<bool>(instanceRows->rows().size(), true);
    instanceRows->setChecked(rows, checked);
}

void manage_temp::newTemplate() {
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
    if (templates.find(name) || reserved.contains(name)) {
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
        tellLeftOut(showInstances());
}

void manage_temp::saveCurrentTemplate() {
    if (!current)
        return;
    current->baseSlot = spinBase->value();
    current->offset = spinOffset->value();
    current->prefix = editPrefix->text();
    // The listed parameters take their slots from the rows (no number or 0: the
    // parameter goes); parameters that the prefix does not list stay as they are.
    const std::vector<ParameterTable::Row>& rows = parameters->rows();
    for (const ParameterTable::Row& row : rows)
        current->params.remove(row.parameter);
    for (const ParameterTable::Row& row : rows)
        if (const int slot = slotNumber(row.slot); slot != 0)
            current->params[row.parameter] = slot;

    // The stored order first (it gives each instance its device offset), then
    // instances checked now, in table order. A stored instance the table never
    // offered stays.
    QSet<QString> listed;
    QSet<QString> checked;
    for (const InstanceTable::Row& row : instanceRows->rows()) {
        listed.insert(row.instance);
        if (row.checked)
            checked.insert(row.instance);
    }
    QStringList instances;
    for (const QString& instance : std::as_const(current->instances))
        if (listed.contains(instance) ? checked.contains(instance) : !offered.contains(instance))
            instances.append(instance);
    for (const InstanceTable::Row& row : instanceRows->rows())
        if (row.checked && !current->instances.contains(row.instance))
            instances.append(row.instance);
    current->instances = instances;
}

void manage_temp::itemDoubleClicked(const QModelIndex& index) {
    if (index.isValid())
        listSlots->edit(parameters->index(index.row(), ParameterTable::ColSlot));
}

void manage_temp::changePrefix(const QString& prefix) {
    if (!current)
        return;
    std::vector<ParameterTable::Row> rows;
    for (const QString& process : std::as_const(processNames)) {
        if (!process.startsWith(prefix))
            continue;
        ParameterTable::Row row{process.mid(prefix.size()), QString()};
        const auto slot = current->params.constFind(row.parameter);
        if (slot != current->params.cend())
            row.slot = QString::number(*slot);
        rows.push_back(std::move(row));
    }
    const QHeaderView* header = listSlots->header();
    parameters->setRows(std::move(rows),
                        listSlots->isSortingEnabled() ? header->sortIndicatorSection() : -1,
                        header->sortIndicatorOrder());
}

QStringList manage_temp::showInstances() {
    instanceRows->setRows({});
    if (!current) {
        qDebug("currentTemplate - no current template");
        return {};
    }
    if (current->params.isEmpty()) {
        qDebug("currentTemplate - no instances set");
        return {};
    }

    const QString first = current->params.firstKey();
    QStringList accepted;
    QStringList leftOut;
    QSet<QString> seen;
    for (const QString& process : std::as_const(processNames)) {
        if (!process.endsWith(first))
            continue;
        const QString candidate = process.chopped(first.size());
        if (seen.contains(candidate))
            continue;
        bool complete = true;
        for (auto param = current->params.cbegin(); complete && param != current->params.cend();
             ++param)
            complete = processNameSet.contains(candidate + param.key());
        if (!complete)
            continue;
        seen.insert(candidate);
        // An instance the module file cannot hold would be lost or split on reload.
        if (isInstanceName(candidate))
            accepted.append(candidate);
        else
            leftOut.append(candidate);
    }

    const QSet<QString> chosen(current->instances.cbegin(), current->instances.cend());
    std::vector<InstanceTable::Row> rows;
    rows.reserve(size_t(accepted.size()));
    for (const QString& instance : std::as_const(accepted)) {
        rows.push_back({instance, chosen.contains(instance)});
        offered.insert(instance);
    }
    instanceRows->setRows(std::move(rows));
    return leftOut;
}

void manage_temp::tellLeftOut(const QStringList& leftOut) {
    if (leftOut.isEmpty())
        return;
    QStringList shown;
    for (const QString& instance : leftOut)
        shown.append("'" + instance + "'");
    showMessageBox(this, QMessageBox::Information, QStringLiteral("Instances not offered"),
                   QStringLiteral("The following instances are not offered:-\n\t") +
                       shown.join(QStringLiteral("\n\t")) +
                       QStringLiteral("\n\nThe module file cannot hold an instance whose name is "
                                      "empty or contains \",\" or \"=\": with this prefix the "
                                      "parameters leave no such name."));
}

void manage_temp::selectTemplate(const QString& name) {
    saveCurrentTemplate(); // the template being left keeps the user's edits
    parameters->setRows({}, -1, Qt::AscendingOrder);
    instanceRows->setRows({});
    offered.clear();

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
    const QStringList leftOut = showInstances();
    if (tabWidget->currentWidget() == tab_2)
        tellLeftOut(leftOut);
}

void manage_temp::autoNumberSlots() {
    const std::vector<bool> rows = selectedRows(listSlots, -1);
    if (std::find(rows.begin(), rows.end(), true) == rows.end()) {
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("No row is selected"),
                       QStringLiteral("Please select rows for auto numbering"));
        return;
    }
    // In display order, from the top.
    int slot = 1;
    parameters->setSlots(rows, [&slot] { return QString::number(slot++); });
}

void manage_temp::clearSlots() {
    const std::vector<bool> rows = selectedRows(listSlots, -1);
    if (std::find(rows.begin(), rows.end(), true) == rows.end()) {
        showMessageBox(this, QMessageBox::Warning, QStringLiteral("No row is selected"),
                       QStringLiteral("Please select rows to clear"));
        return;
    }
    parameters->setSlots(rows, [] { return QString(); });
}

void manage_temp::getTemplates(TemplateList* const target) {
    if (target)
        *target = templates.copy();
}
