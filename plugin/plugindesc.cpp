#include "plugin/plugindesc.h"
#include "core/store_paths.h"

#include "editor/alm_tolv_output.h"

#include <new>

namespace {

// A diskette, 14 by 14 pixels.
const char* const diskette_xpm[] = {
    "    14    14        4            1",
    ". c #040404",
    "# c #808304",
    "a c #bfc2bf",
    "b c None",
    "..............",
    ".#.aaaaaaaa.a.",
    ".#.aaaaaaaa...",
    ".#.aaaaaaaa.#.",
    ".#.aaaaaaaa.#.",
    ".#.aaaaaaaa.#.",
    ".#.aaaaaaaa.#.",
    ".##........##.",
    ".############.",
    ".##.........#.",
    ".##......aa.#.",
    ".##......aa.#.",
    ".##......aa.#.",
    "b.............",
};

} // namespace

QStringList plugindesc::menuPaths(qint32, qint32) {
    return QStringList{StorePaths::navigationPath};
}

QPixmap plugindesc::icon(qint32) {
    return QPixmap(diskette_xpm);
}

config_plugin_base* plugindesc::createWidget(const QString& rootDir, const QString& pluginName,
                                             const QString& extraParam) {
    return new (std::nothrow) alm_tolv_output(rootDir, pluginName, extraParam);
}

extern "C" config_plugin_desc_base* load_tolv_config_plugin_desc() {
    return new (std::nothrow) plugindesc;
}
