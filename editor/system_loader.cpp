// The loader of the system ini.
#include "core/store_paths.h"
#include "editor/alm_tolv_output.h"

#include <new>

alm_tolv_output::FileLoad_TolvSystem::FileLoad_TolvSystem(alm_tolv_output* owner)
    : FileLoad(StorePaths::systemIni), document(new (std::nothrow) Document_TolvSystem),
      owner(owner) {}

alm_tolv_output::FileLoad_TolvSystem::~FileLoad_TolvSystem() {
    delete document;
}

bool alm_tolv_output::FileLoad_TolvSystem::load(const QString& fileName) {
    setLocalFile(fileName);
    if (!document)
        return false;
    // Several editors may live side by side: read from this one's working copy.
    documentsRoot = owner->rootDir;
    const bool ok = document->load();
    if (ok)
        setLoaded(true);
    return ok;
}
