#include "platform/icon_store.h"

const char* const* fnIconStore(const char*) {
    return nullptr;
}
