#pragma once

#include "plugin/config_plugin_base.h"

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include <functional>

class PluginLoader;
class QTreeWidget;
class ReadOnlyNotice;
class QTreeWidgetItem;
class StoreHost;

// The stand-in configuration tool: a navigation tree with the plug-in's entry,
// the plug-in's editor in the middle, its dock windows and menus around it, and
// a store host that carries out the editor's commands.
class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    struct Options {
        QString workDir;
        QString pluginName;
        QString extraParam;
    };

    HostWindow(PluginLoader& loader, StoreHost& host, const Options& options);
    ~HostWindow() override;

    config_plugin_base* editor() const { return widget; }
    ReadOnlyNotice* readOnlyNotice() const { return notice; }

    // Opens the plug-in's entry, as a user selecting the leaf in the tree would.
    bool openEntry();
    // Chooses an alarm system in the plug-in's selector, as a user would.
    bool chooseSystem(const QString& name);
    // Runs the function from the main event loop once the store host has no
    // replies left to deliver and no dialog is open.
    void whenIdle(std::function<void()> then);

    void apply();
    void showAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createNavigation();
    void embed(config_plugin_base* editor);
    bool closeEditor();
    void updateTitle();
    void itemActivated(QTreeWidgetItem* item);
    bool settled() const;

    PluginLoader& loader;
    StoreHost& host;
    Options options;
    QTreeWidget* navigation = nullptr;
    QTreeWidgetItem* entryItem = nullptr;
    ReadOnlyNotice* notice = nullptr; // the read-only paths in the status bar, the lock boxes
    QPointer<config_plugin_base> widget;
    QList<QPointer<QWidget>> pluginWindows; // docks, tool bars and menus of the editor
    bool dirty = false;
};
