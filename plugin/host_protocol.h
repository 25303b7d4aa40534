#pragma once

// The words the plug-in sends the host through command(QString,QString), and the
// operations of the host's replies. The editor and the stand-in host both use
// these, so a word is spelt in one place.

#include <QString>

namespace HostCommand {
inline const QString dir = QStringLiteral("dir");                         // list a folder
inline const QString downloadFile = QStringLiteral("downloadFile");       // copy one file
inline const QString checkoutFile = QStringLiteral("checkoutFile");       // lock + copy a file
inline const QString checkoutDir = QStringLiteral("checkoutDir");         // lock + copy a folder
inline const QString syncDirDownload = QStringLiteral("syncDirDownload"); // copy a folder
inline const QString lock = QStringLiteral("lock");
inline const QString unlock = QStringLiteral("unlock");
inline const QString uploadFile = QStringLiteral("uploadFile");
inline const QString syncDirUpload = QStringLiteral("syncDirUpload");
inline const QString dirty = QStringLiteral("dirty"); // the editor has unsaved changes
inline const QString clean = QStringLiteral("clean"); // ... and now it has none
inline const QString navigate = QStringLiteral("navigate");
} // namespace HostCommand

namespace HostOperation {
inline const QString download = QStringLiteral("download");
inline const QString lock = QStringLiteral("lock");
inline const QString upload = QStringLiteral("upload");
inline const QString dir = QStringLiteral("dir");
} // namespace HostOperation
