// The rewrites of the two shared device files on arbitrary old content, a save
// and a rename each: a file left alone is reported with the bytes unchanged; a
// rewritten one parses for a second reader (Qt's), keeps everything that is not
// the module's as that reader sees it, holds each of the module's entries once,
// and a second save changes nothing. A result that fails the rewrite's own check
// is a fault of the rewrite.
#include "core/device_template.h"
#include "core/shared_files.h"
#include "tests/common/shared_file_view.h"

#include <cstdlib>

namespace {

void check(bool condition, const char* what, const QByteArray& content) {
    if (condition)
        return;
    if (qEnvironmentVariableIsSet("TOLV_FUZZ_VERBOSE"))
        qWarning("%s\n--- content:\n%s", what, content.constData());
    std::abort();
}

void rewriteBoth(const QByteArray& content, const TemplateList& templates, const QString& former) {
    const QString id = QStringLiteral("north_Pumps");
    QSet<QString> keys{id, id + "_pump"};
    if (!former.isEmpty())
        keys += {former, former + "_pump"};
    for (const bool instances : {false, true}) {
        const SharedFileKind& kind = instances ? instancesFile : deviceTypesFile;
        auto entries = [&](const QString& from) {
            return instances ? instanceEntries(id, "12", templates, from)
                             : deviceTypeEntries(id, templates, from);
        };
        const SharedRewrite result = rewriteSharedFile(content, kind, entries(former));
        check(!result.errorInResult, "the result failed its own check", content);
        if (result.error.isError()) {
            check(!result.changed && result.content == content, "an unfit file changed", content);
            continue;
        }
        const QString element = instances ? "instance" : "type";
        const QString key = instances ? "type" : "id";
        const SharedFileView before = viewSharedFile(content, element, key, keys);
        const SharedFileView after = viewSharedFile(result.content, element, key, keys);
        check(after.error.isEmpty(), "the result does not parse", content);
        check(after.foreign == before.foreign, "other content changed", content);
        const QStringList ids =
            instances ? QStringList{id, id + "_P1", id + "_P2"} : QStringList{id, id + "_pump"};
        check(after.ownIds == ids, "the module's entries are not there once each", content);
        check(rewriteSharedFile(result.content, kind, entries({})).content == result.content,
              "a second save changed the file", content);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    TemplateList templates;
    auto pump = std::make_unique<devTemplate>(QStringLiteral("pump=0,10,'P'"));
    pump->instances = {"P1", "P2"};
    templates.insert(std::move(pump));
    rewriteBoth(content, templates, {});
    rewriteBoth(content, templates, QStringLiteral("north_Old"));
    return 0;
}
