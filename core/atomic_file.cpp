#include "core/atomic_file.h"

#include <QSaveFile>

bool replaceFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // Without this, a folder that allows no new file would fall back to writing the
    // old file in place, which a failure halfway would destroy.
    file.setDirectWriteFallback(false);
    const bool ok =
        file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}
