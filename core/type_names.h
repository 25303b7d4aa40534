#pragma once

// Names typed by the user that become part of a device type id, and so of the
// name of a device description file in the store.

#include <QString>

// A template name stays inside its folder as part of a file name (no "/", no "\"
// and no control character) and is the whole key of its "[Templates]" line in
// the module file, which ends at the first "=", and that file holds it only in
// its 8-bit character set.
bool isTemplateName(const QString& name);

// An instance name is written into the "[Instances]" line of its template, where
// instances are separated by "," and the value ends at the next "=": it is not
// empty and holds neither nor a control character, and the file holds it in its
// 8-bit character set.
bool isInstanceName(const QString& name);
