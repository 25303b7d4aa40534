// Preloaded into a session: ends the process just before its n-th change of the store (a
// rename, link or unlink of a path under TOLV_CUT_STORE, the calls the store host's writes
// make), counting only while TOLV_CUT_ARMED is set, so that each run stops at another point.
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

extern "C" [[noreturn]] void _exit(int status);

namespace {

int changes = 0;

void point(const char* path) {
    const char* store = getenv("TOLV_CUT_STORE");
    const char* at = getenv("TOLV_CUT_AT");
    if (!store || !at || !getenv("TOLV_CUT_ARMED") || !path || strncmp(path, store, strlen(store)))
        return;
    if (++changes == atoi(at))
        _exit(77);
}

} // namespace

#define NEXT(name) reinterpret_cast<decltype(&name)>(dlsym(RTLD_NEXT, #name))

extern "C" {

int rename(const char* from, const char* to) {
    point(to);
    return NEXT(rename)(from, to);
}
int link(const char* from, const char* to) {
    point(to);
    return NEXT(link)(from, to);
}
int unlink(const char* path) {
    point(path);
    return NEXT(unlink)(path);
}
}
