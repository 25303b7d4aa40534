#include "host/host_window.h"

#include "host/plugin_loader.h"
#include "host/read_only_notice.h"
#include "host/store_host.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

#include <memory>

namespace {
constexpr int pathRole = Qt::UserRole + 1;
}

HostWindow::HostWindow(PluginLoader& pluginLoader, StoreHost& storeHost, const Options& opts)
    : loader(pluginLoader), host(storeHost), options(opts) {
    setObjectName("hostWindow");
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks);
    createActions();
    createNavigation();

    auto* where = new QLabel(
        QStringLiteral("Store: %1   Owner: %2").arg(host.storeDir(), host.owner()), this);
    where->setObjectName("storeLabel");
    statusBar()->addPermanentWidget(where);
    notice = new ReadOnlyNotice(*this, host);

    connect(&host, &StoreHost::dirtyChanged, this, [this](bool isDirty) {
        dirty = isDirty;
        updateTitle();
    });
    connect(&host, &StoreHost::navigateRequested, this, [this](const QString& target) {
        statusBar()->showMessage(tr("Navigate to %1").arg(target));
    });
    updateTitle();
}

HostWindow::~HostWindow() {
    closeEditor();
}

void HostWindow::createActions() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* applyAction = file->addAction(tr("&Apply"), this, &HostWindow::apply);
    applyAction->setObjectName("apply");
    applyAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    file->addSeparator();
    QAction* quit = file->addAction(tr("&Quit"), this, &QWidget::close);
    quit->setObjectName("quit");
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));

    // Added after the plug-in's menus so that Help stays last.
    QMenu* help = new QMenu(tr("&Help"), this);
    help->setObjectName("helpMenu");
    QAction* about = help->addAction(tr("&About the plug-in"), this, &HostWindow::showAbout);
    about->setObjectName("about");
    help->addAction(tr("About &Qt"), qApp, &QApplication::aboutQt);
    menuBar()->addMenu(help);
}

void HostWindow::createNavigation() {
    auto* dock = new QDockWidget(tr("Navigation"), this);
    dock->setObjectName("navigationDock");
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    navigation = new QTreeWidget(dock);
    navigation->setObjectName("navigation");
    navigation->setHeaderHidden(true);
    navigation->setColumnCount(1);
    dock->setWidget(navigation);
    addDockWidget(Qt::LeftDockWidgetArea, dock);

    config_plugin_desc_base* desc = loader.descriptor();
    if (!desc)
        return;
    const QPixmap icon = desc->icon(0);
    // Each menu path becomes a chain of folders ending in the plug-in's leaf.
    for (const QString& path : desc->menuPaths(0, 0)) {
        QTreeWidgetItem* parent = nullptr;
        const QStringList parts = path.split('/', Qt::SkipEmptyParts);
        for (const QString& part : parts) {
            QTreeWidgetItem* found = nullptr;
            const int count = parent ? parent->childCount() : navigation->topLevelItemCount();
            for (int i = 0; i < count && !found; ++i) {
                QTreeWidgetItem* child = parent ? parent->child(i) : navigation->topLevelItem(i);
                if (child->text(0) == part)
                    found = child;
            }
            if (!found) {
                found = parent ? new QTreeWidgetItem(parent, {part})
                               : new QTreeWidgetItem(navigation, {part});
            }
            parent = found;
        }
        if (parent) {
            parent->setIcon(0, QIcon(icon));
            parent->setData(0, pathRole, path);
            if (!entryItem)
                entryItem = parent;
        }
    }
    navigation->expandAll();
    connect(navigation, &QTreeWidget::itemActivated, this, &HostWindow::itemActivated);
}

void HostWindow::itemActivated(QTreeWidgetItem* item) {
    if (!item || item->data(0, pathRole).isNull())
        return;
    if (widget)
        widget->activate(true); // brought to the front again
    else
        openEntry();
}

bool HostWindow::openEntry() {
    if (widget)
        return true;
    config_plugin_desc_base* desc = loader.descriptor();
    if (!desc)
        return false;
    config_plugin_base* created =
        desc->createWidget(options.workDir, options.pluginName, options.extraParam);
    if (!created) {
        statusBar()->showMessage(tr("The plug-in made no editor"));
        return false;
    }
    if (entryItem)
        navigation->setCurrentItem(entryItem);
    embed(created);
    widget->activate(true);
    return true;
}

void HostWindow::embed(config_plugin_base* editor) {
    widget = editor;
    setCentralWidget(editor);
    editor->show(); // made as a window of its own; shown as part of ours now
    host.attach(editor);

    QDockWidget* navigationDock = findChild<QDockWidget*>("navigationDock");
    for (QWidget* window : editor->dockWindows()) {
        if (auto* dock = qobject_cast<QDockWidget*>(window)) {
            addDockWidget(Qt::LeftDockWidgetArea, dock);
            if (navigationDock)
                splitDockWidget(navigationDock, dock, Qt::Vertical);
            pluginWindows.append(dock);
        } else if (auto* bar = qobject_cast<QToolBar*>(window)) {
            addToolBar(Qt::TopToolBarArea, bar);
            pluginWindows.append(bar);
        }
    }
    // The docks share a column at the left; the editor gets the rest of the width.
    // The tree holds a handful of rows, so the plug-in's dock gets the height.
    const QList<QDockWidget*> docks = findChildren<QDockWidget*>();
    QList<int> widths, heights;
    for (QDockWidget* dock : docks) {
        widths.append(380);
        heights.append(dock == navigationDock ? 140 : 560);
    }
    resizeDocks(docks, widths, Qt::Horizontal);
    // Heights take effect only once the docks are laid out in their column.
    QTimer::singleShot(0, this,
                       [this, docks, heights] { resizeDocks(docks, heights, Qt::Vertical); });

    QMenu* help = findChild<QMenu*>("helpMenu");
    for (QMenu* menu : editor->popupMenus()) {
        if (!menu)
            continue;
        menu->setTitle(menu->objectName());
        menuBar()->insertMenu(help ? help->menuAction() : nullptr, menu);
        pluginWindows.append(menu);
    }
    updateTitle();
}

bool HostWindow::closeEditor() {
    if (!widget)
        return true;
    widget->activate(false);
    host.flushReplies();
    QCloseEvent close;
    QCoreApplication::sendEvent(widget, &close);
    if (!close.isAccepted())
        return false; // the editor wants to stay open
    // The editor gives up its locks in its close handler; nothing it sends after
    // this is answered.
    host.detach();
    for (const QPointer<QWidget>& window : pluginWindows) {
        if (auto* dock = qobject_cast<QDockWidget*>(window.data()))
            removeDockWidget(dock);
        else if (auto* bar = qobject_cast<QToolBar*>(window.data()))
            removeToolBar(bar);
        else if (auto* menu = qobject_cast<QMenu*>(window.data()))
            menuBar()->removeAction(menu->menuAction());
    }
    pluginWindows.clear();
    QWidget* editor = takeCentralWidget();
    delete editor; // also deletes the dock, tool bar and menu it owns
    widget = nullptr;
    return true;
}

void HostWindow::closeEvent(QCloseEvent* event) {
    if (widget && widget->isDirty()) {
        QMessageBox box(QMessageBox::Question, windowTitle(),
                        tr("The editor has changes that are not in the store yet."),
                        QMessageBox::NoButton, this);
        QPushButton* applyButton = box.addButton(tr("&Apply and quit"), QMessageBox::AcceptRole);
        box.addButton(tr("&Discard"), QMessageBox::DestructiveRole);
        QPushButton* cancel = box.addButton(QMessageBox::Cancel);
        box.setDefaultButton(applyButton);
        box.setEscapeButton(cancel);
        box.exec();
        if (box.clickedButton() == cancel) {
            event->ignore();
            return;
        }
        if (box.clickedButton() == applyButton) {
            apply();
            host.flushReplies();
            // An Apply that failed has said why; quitting now would lose the edits.
            if (widget && widget->isDirty()) {
                event->ignore();
                return;
            }
        }
    }
    if (closeEditor())
        event->accept();
    else
        event->ignore();
}

void HostWindow::apply() {
    if (widget)
        widget->apply();
}

void HostWindow::showAbout() {
    QMessageBox::about(this, tr("About %1").arg(options.pluginName),
                       widget ? widget->about() : tr("No editor is open."));
}

bool HostWindow::chooseSystem(const QString& name) {
    // The selector is the plug-in's own widget, found as a user would find it.
    for (QComboBox* combo : findChildren<QComboBox*>("systemCombo")) {
        if (!combo->parent() || !combo->parent()->inherits("CSystemChooser"))
            continue;
        const int index = combo->findText(name, Qt::MatchExactly);
        if (index < 0)
            return false;
        combo->setCurrentIndex(index);
        emit combo->textActivated(combo->itemText(index));
        return true;
    }
    return false;
}

bool HostWindow::settled() const {
    // Inside a dialog's own event loop the editor is in the middle of a call.
    return host.pendingReplies() == 0 && !QApplication::activeModalWidget() &&
           QThread::currentThread()->loopLevel() <= 1;
}

void HostWindow::whenIdle(std::function<void()> then) {
    // Checked each time the event loop is about to wait for events: no polling.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(QAbstractEventDispatcher::instance(),
                          &QAbstractEventDispatcher::aboutToBlock, this, [this, connection, then] {
                              if (!settled())
                                  return;
                              disconnect(*connection);
                              // Run from the event loop itself, not from its wait.
                              QMetaObject::invokeMethod(
                                  this,
                                  [this, then] {
                                      if (settled())
                                          then();
                                      else
                                          whenIdle(then);
                                  },
                                  Qt::QueuedConnection);
                          });
}

void HostWindow::updateTitle() {
    QString title = QStringLiteral("tolv-host");
    if (widget && entryItem)
        title = entryItem->text(0) + QStringLiteral(" - ") + title;
    setWindowTitle((dirty ? QStringLiteral("*") : QString()) + title);
}
