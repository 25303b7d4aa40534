#pragma once

#include "plugin/plugin_export.h"

// XPM data of a named icon ("filenew", "filedelete", "duplicate", "up", "down",
// "paste", "copy"); null for an unknown name.
TOLV_EXPORT const char* const* fnIconStore(const char* name);
