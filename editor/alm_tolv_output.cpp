#include "editor/alm_tolv_output.h"
#include "core/module_file.h"
#include "core/store_paths.h"

#include "platform/icon_store.h"
#include "platform/modal_ui.h"
#include "platform/system_chooser.h"
#include "proclist/control_geometry.h"
#include "proclist/dialog.h"
#include "proclist/rename_delegate.h"

#include <QAction>
#include <QCloseEvent>
#include <QDockWidget>
#include <QHeaderView>
#include <QMenu>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
const QString controlPrefix = StorePaths::navigationPath + '/';
}

alm_tolv_output::alm_tolv_output(const QString& rootDir, const QString& pluginName,
                                 const QString& extraParam)
    : config_plugin_base(rootDir, pluginName, extraParam) {
    // The system document reads its file from the working copy.
    documentsRoot = rootDir;
    processEditor = new dialog(this, this);
    loaders = std::make_unique<Loaders>();
    createDock();
    createActions();

    connect(fileList, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        fileListContextMenu(fileList->itemAt(pos), fileList->viewport()->mapToGlobal(pos), 0);
    });
    connect(fileList, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto selected = fileList->selectedItems();
        selectFile(selected.isEmpty() ? nullptr : selected.first());
    });
    auto* renaming = new renameDelegate(fileList, 0);
    fileList->setItemDelegate(renaming);
    // A committed name is handled once the editor has closed, so that a refused
    // name can reopen the edit; the row is looked up again then.
    connect(renaming, &renameDelegate::itemRenamed, this,
            [this](QTreeWidgetItem* row, int column, const QString& text) {
                const QPersistentModelIndex where(
                    fileList->model()->index(fileList->indexOfTopLevelItem(row), column));
                QMetaObject::invokeMethod(
                    this,
                    [this, where, column, text] {
                        if (where.isValid())
                            renameModule(fileList->topLevelItem(where.row()), column, text);
                    },
                    Qt::QueuedConnection);
            });
    connect(systemChooser, &CSystemChooser::sysChanged, this, &alm_tolv_output::selectSystem);
    connect(processEditor, &dialog::itemsChanged, this, &alm_tolv_output::markDirty);
    connect(processEditor->navToProc, &QPushButton::clicked, this, &alm_tolv_output::EditProcess);
    connect(processEditor->manTemp, &QPushButton::clicked, this, &alm_tolv_output::manageTemplate);

    updateActions();
}

alm_tolv_output::~alm_tolv_output() {
    // A host may have deleted the dock (and the list in it) with its own window.
    if (fileDock) {
        saveListViewColumns(fileList, controlPrefix + "FileList");
        disconnect(fileList, nullptr, this, nullptr);
    }
    loaders.reset();
    delete popupMenu;
    delete toolBar;
    delete fileDock;
}

void alm_tolv_output::createDock() {
    fileDock = new QDockWidget;
    fileDock->setObjectName(pluginName + "/browser");
    fileDock->setWindowTitle("TOLV Output");
    fileDock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    auto* tabs = new QTabWidget(fileDock);
    fileDock->setWidget(tabs);
    auto* page = new QWidget(fileDock);
    tabs->addTab(page, "Alarm Outputs modules");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    systemChooser = new CSystemChooser(page, nullptr);
    fileList = new QTreeWidget(page);
    fileList->setObjectName("fileList");
    fileList->setRootIsDecorated(false);
    fileList->setAllColumnsShowFocus(true);
    fileList->setHeaderLabels({"Name", "Config File"});
    fileList->header()->setStretchLastSection(true);
    fileList->setContextMenuPolicy(Qt::CustomContextMenu);
    // A module is renamed by clicking its selected row, or with F2, while the
    // rename action is enabled (updateActions).
    restoreListViewColumns(fileList, controlPrefix + "FileList");
    layout->addWidget(systemChooser);
    layout->addWidget(fileList);
}

void alm_tolv_output::createActions() {
    popupMenu = new QMenu;
    popupMenu->setObjectName("&TOLV Output");
    popupMenu->setTitle("&TOLV Output");
    toolBar = new QToolBar;
    toolBar->setObjectName(pluginName + "/TOLV Output");

    struct ActionInfo {
        QAction** action;
        const char* name;
        const char* text;
        const char* menuText;
        const char* icon;
        QKeySequence key;
        void (alm_tolv_output::*slot)();
    };
    const ActionInfo actions[] = {
        {&newAction, "new", "New TOLV Output Module", "&New TOLV Output", "filenew",
         QKeySequence(Qt::CTRL | Qt::Key_N), &alm_tolv_output::menuNewFile},
        {&deleteAction, "delete", "Delete TOLV Output Module", "&Delete TOLV Output Module",
         "filedelete", QKeySequence(Qt::Key_Delete), &alm_tolv_output::menuDeleteFile},
        {&duplicateAction, "duplicate", "Duplicate TOLV Output Module",
         "&Duplicate TOLV Output Module", "duplicate", QKeySequence(Qt::CTRL | Qt::Key_D),
         &alm_tolv_output::menuDuplicateFile},
        {&renameAction, "rename", "Rename TOLV Output Module", "&Rename TOLV Output Module",
         "filenew", QKeySequence(), &alm_tolv_output::menuRename},
    };
    for (const ActionInfo& info : actions) {
        auto* action = new QAction(this);
        action->setObjectName(info.name);
        action->setToolTip(info.text);
        action->setStatusTip(info.text);
        action->setText(info.menuText);
        action->setIconText(info.text);
        action->setCheckable(false);
        if (const char* const* xpm = fnIconStore(info.icon))
            action->setIcon(QIcon(QPixmap(xpm)));
        action->setShortcut(info.key);
        connect(action, &QAction::triggered, this, info.slot);
        popupMenu->addAction(action);
        toolBar->addAction(action);
        *info.action = action;
    }
    // The Delete key deletes a module only from the module list, never while the
    // user types or works in another part of the window.
    deleteAction->setShortcutContext(Qt::WidgetShortcut);
    fileList->addAction(deleteAction);
}

QDockWindowList alm_tolv_output::dockWindows() {
    return {fileDock.data(), toolBar.data()};
}
QPopupMenuList alm_tolv_output::popupMenus() {
    return {popupMenu.data()};
}

QString alm_tolv_output::about() {
    return "<nobr><h3>Alarm System TOLV Output</h3></nobr>"
           "<p>Gives the alarm processes of a TOLV system their infodriver slots, one output "
           "module at a time, and keeps the installation's device types in step.</p>"
           "<p>Written by the TOLV output team.</p>";
}

bool alm_tolv_output::commitTypedSlot() {
    return !processEditor || !processEditor->isEnabled() || processEditor->commitOpenEdit();
}

bool alm_tolv_output::isDirty() {
    // A slot still being typed counts as a change (committed, or refused: kept open).
    return !commitTypedSlot() || dirty;
}

QString alm_tolv_output::outputsDir() const {
    return StorePaths::outputsDir(systemName);
}

QString alm_tolv_output::processDefinitionsPath() const {
    return StorePaths::processDefinitions(systemName);
}

QString alm_tolv_output::localPath(const QString& storePath) const {
    return rootDir + "/" + storePath;
}

void alm_tolv_output::updateActions() {
    const bool mayCreate = lockedDirs.contains(outputsDir()) && devTypesLocked && instancesLocked;
    // A module whose name makes no file name has no device files: it is shown
    // read-only until it is renamed.
    const bool fitName =
        !currentModule || (isPathSafeName(currentModule->name) && shownTypeIdClash.isEmpty());
    const bool mayDuplicate = mayCreate && currentModule != nullptr;
    const bool mayEdit = mayDuplicate && devDescLocked && fitName;
    const bool rename = mayDuplicate && (devDescLocked || !fitName);
    newAction->setEnabled(mayCreate);
    duplicateAction->setEnabled(mayDuplicate && fitName);
    deleteAction->setEnabled(mayEdit);
    renameAction->setEnabled(rename);
    processEditor->setEnabled(mayEdit);
    fileList->setEditTriggers(rename ? QAbstractItemView::SelectedClicked |
                                           QAbstractItemView::EditKeyPressed
                                     : QAbstractItemView::NoEditTriggers);
}

void alm_tolv_output::resizeEvent(QResizeEvent* event) {
    config_plugin_base::resizeEvent(event);
    if (processEditor)
        processEditor->setGeometry(rect());
}

void alm_tolv_output::fileListContextMenu(QTreeWidgetItem*, const QPoint& pos, int) {
    if (popupMenu)
        popupMenu->popup(pos);
}

Document* alm_tolv_output::getSystemDocument() {
    return systemLoad ? systemLoad->document : nullptr;
}

void alm_tolv_output::sendCommand(const QString& word, const QString& file) {
    emit command(word, file);
}
