// The line rewrites of the two shared device files on arbitrary old content: a
// rewrite of its own output changes nothing, the device types rewrite keeps
// every line that does not name the module, and no pass, the renames included,
// loses a line that holds the root's end tag.
#include "core/device_template.h"
#include "core/shared_files.h"

#include <cstdlib>

namespace {

// Lines as the rewrites see them: ended by LF, CR LF or a lone CR.
QList<QByteArray> lines(QByteArray content) {
    content.replace("\r\n", "\n");
    content.replace('\r', '\n');
    return content.split('\n');
}

// Every line of the old content that does not mention the module is still there.
void keepsForeignLines(const QByteArray& before, const QByteArray& after,
                       const QByteArray& module) {
    const QList<QByteArray> kept = lines(after);
    for (const QByteArray& line : lines(before))
        if (!line.contains(module) && !line.trimmed().isEmpty() && !kept.contains(line)) {
            if (qEnvironmentVariableIsSet("TOLV_FUZZ_VERBOSE"))
                qWarning("lost line: %s\n--- after:\n%s", line.constData(), after.constData());
            std::abort();
        }
}

// Every line that holds the root's end tag is still there.
void keepsEndTagLines(const QByteArray& before, const QByteArray& after, const QByteArray& endTag) {
    const QList<QByteArray> kept = lines(after);
    for (const QByteArray& line : lines(before))
        if (line.contains(endTag) && !kept.contains(line))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray content(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString module = QStringLiteral("north_Pumps");
    TemplateList templates;
    auto pump = std::make_unique<devTemplate>(QStringLiteral("pump=0,10,'P'"));
    pump->instances = {"P1", "P2"};
    pump->params.insert("_RUN", 1);
    templates.insert(std::move(pump));

    const QByteArray types = rewriteDeviceTypes(content, module, templates);
    if (rewriteDeviceTypes(types, module, templates) != types)
        std::abort();
    keepsForeignLines(content, types, module.toUtf8());
    keepsEndTagLines(content, types, "</devicetypes>");

    const QByteArray instances = rewriteInstances(content, module, "12", templates);
    if (rewriteInstances(instances, module, "12", templates) != instances)
        std::abort();
    // The instances rewrite also drops the continuation lines of the module's
    // multi-line elements, which need not name the module: only a line that
    // names no type of the module and ends no element that does is foreign, a
    // rule this target does not restate.
    keepsEndTagLines(content, instances, "</instances>");

    // A save (old id == new id) and a rename to an id that begins with the old one.
    // They drop continuation lines too, so only the end tag lines are checked.
    for (const QString& newId : {module, module + QStringLiteral("_main")}) {
        keepsEndTagLines(content, renameDeviceTypes(content, module, newId, templates),
                         "</devicetypes>");
        keepsEndTagLines(content, renameInstances(content, module, newId, "12", templates),
                         "</instances>");
    }
    return 0;
}
