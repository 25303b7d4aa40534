#pragma once

#include "plugin/config_plugin_base.h"

#include <QLibrary>
#include <QString>

#include <memory>

// Loads a configuration plug-in library by path and resolves its exported entry.
// The library stays loaded for the life of the process: widgets, meta objects and
// the descriptor's code all live in it, and objects made from it may outlive us.
class PluginLoader {
public:
    explicit PluginLoader(const QString& libraryPath);
    ~PluginLoader();

    PluginLoader(const PluginLoader&) = delete;
    PluginLoader& operator=(const PluginLoader&) = delete;

    // Loads the library, resolves the entry and calls it once for the descriptor.
    bool load();
    QString errorString() const { return error; }
    QString libraryPath() const { return path; }

    // The descriptor made by load(), owned by the loader; null before or on failure.
    config_plugin_desc_base* descriptor() const { return desc.get(); }
    // The resolved entry itself, for callers that want further descriptors.
    load_tolv_config_plugin_desc_fn entry() const { return entryFn; }

    static constexpr const char* entryName = "load_tolv_config_plugin_desc";

private:
    QString path;
    QString error;
    QLibrary library;
    load_tolv_config_plugin_desc_fn entryFn = nullptr;
    std::unique_ptr<config_plugin_desc_base> desc;
};
