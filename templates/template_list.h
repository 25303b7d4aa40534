#pragma once

// The editor keeps the templates of the module shown in a TemplateList. The
// device description file of a template is read and written here.
#include "core/device_template.h"

class IGetDocuments;
class QString;

// Replaces the template's parameters from its device description file at the
// local path, which must describe typeId; traces why a file is refused and, with
// why given, says it there for the user.
bool loadDevDesc(devTemplate& entry, const QString& localPath, const QString& typeId,
                 QString* why = nullptr);

// Writes the template's device description file: the parameters with a slot
// 1..maxSlot of the system document. Without parameters the file is removed.
// False only when the file could not be written.
bool saveDevDescFile(const devTemplate& entry, const QString& localPath, const QString& typeId,
                     IGetDocuments* documents);
