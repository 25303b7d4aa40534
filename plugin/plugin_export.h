#pragma once

// Symbols that a separately built host resolves from the plug-in libraries.
#define TOLV_EXPORT __attribute__((visibility("default")))
