#include "host/plugin_loader.h"

PluginLoader::PluginLoader(const QString& libraryPath) : path(libraryPath), library(libraryPath) {
    // Resolve every symbol now, so that a library with a missing dependency
    // fails here with a message rather than later in the middle of a call.
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
}

PluginLoader::~PluginLoader() = default;

bool PluginLoader::load() {
    if (desc)
        return true;
    if (!library.load()) {
        error = QStringLiteral("Cannot load %1: %2").arg(path, library.errorString());
        return false;
    }
    entryFn = reinterpret_cast<load_tolv_config_plugin_desc_fn>(library.resolve(entryName));
    if (!entryFn) {
        error = QStringLiteral("%1 does not export %2").arg(path, QLatin1String(entryName));
        return false;
    }
    desc.reset(entryFn());
    if (!desc) {
        error = QStringLiteral("%1: %2 returned no descriptor").arg(path, QLatin1String(entryName));
        return false;
    }
    error.clear();
    return true;
}
