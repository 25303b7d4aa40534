#include "core/module_file.h"

#include "core/ini_profile.h"
#include "core/profile_lines.h"
#include "core/slot_rules.h"
#include "core/text_codec.h"

#include <QRegularExpression>

namespace {

enum Section { None = 0, TolvConfig = 1, Process = 2, System = 3, Templates = 4, Instances = 5 };

Section sectionOf(const QString& name) {
    static const QHash<QString, Section> table = {{QStringLiteral("TOLV_CONFIG"), TolvConfig},
                                                  {QStringLiteral("Process"), Process},
                                                  {QStringLiteral("System"), System},
                                                  {QStringLiteral("Templates"), Templates},
                                                  {QStringLiteral("Instances"), Instances}};
    return table.value(name, None);
}

// The first two non-empty pieces of the line split at "=".
void splitKeyValue(const QString& line, QString& key, QString& value) {
    key.clear();
    value.clear();
    int found = 0;
    qsizetype start = 0;
    while (found < 2 && start <= line.size()) {
        qsizetype end = line.indexOf('=', start);
        if (end < 0)
            end = line.size();
        if (end > start) {
            (found == 0 ? key : value) = line.mid(start, end - start);
            ++found;
        }
        start = end + 1;
    }
}

void appendLine(QByteArray& out, const QString& line) {
    out += toEightBit(line);
    out += "\r\n";
}

// Template text from the template store ends its lines with "\n".
void appendLines(QByteArray& out, const QString& text) {
    QByteArray bytes = toEightBit(text);
    if (!bytes.isEmpty() && !bytes.endsWith('\n'))
        bytes += '\n';
    bytes.replace("\n", "\r\n");
    out += bytes;
}

} // namespace

ModuleFileContent parseModuleFile(const QByteArray& bytes, bool recordLines) {
    ModuleFileContent content;
    Section section = None;
    QString key;
    QString value;
    int number = 0;
    for (const QString& line : profileLines(bytes)) {
        ++number;
        if (line.startsWith('[') && line.endsWith(']') && line.size() >= 2) {
            section = sectionOf(line.mid(1, line.size() - 2));
            continue;
        }
        if (section == None)
            continue;
        if (section == Templates) {
            content.templateLines.append(line);
            if (recordLines)
                content.lines.templates.append(number);
            continue;
        }
        splitKeyValue(line, key, value);
        switch (section) {
        case TolvConfig:
            if (key == QLatin1String("Driver")) {
                content.driver = value.toInt();
                content.lines.driver = number;
            }
            break;
        case Process:
            content.processes.insert(key, value);
            if (recordLines)
                content.lines.processes.insert(key, number);
            break;
        case System:
            if (key == QLatin1String("Module"))
                content.dbModule = value.endsWith(QLatin1String("db"));
            break;
        case Instances:
            content.instances.insert(key, value);
            if (recordLines)
                content.lines.instances.insert(key, number);
            break;
        default:
            break;
        }
    }
    // The name as the module list reads it (the profile lookup: the first "Name",
    // everything after its first "=", trimmed and unquoted), so that the title,
    // the device type ids and the checker all mean the module the list shows.
    const ProfileEntry name =
        findProfileEntry(QStringLiteral("System"), QStringLiteral("Name"), bytes);
    if (name.found) {
        content.name = name.value;
        content.lines.name = name.line;
    }
    return content;
}

QStringList moduleTemplateLines(const QByteArray& bytes) {
    QStringList lines;
    // Section names are ASCII, which the 8-bit mapping keeps as it is, and no
    // other byte becomes ASCII: the header's bytes decide. A file without them
    // has no template lines.
    if (!bytes.contains("[Templates]"))
        return lines;
    bool inTemplates = false;
    ProfileLineReader reader(bytes);
    for (QByteArrayView line; reader.next(line);) {
        if (line.startsWith('[') && line.endsWith(']') && line.size() >= 2)
            inTemplates = line == QByteArrayView("[Templates]");
        else if (inTemplates)
            lines.append(fromEightBit(line.data(), line.size()));
    }
    return lines;
}

QByteArray formatModuleFile(const ModuleFileData& data) {
    QByteArray out;
    out.reserve(256 + data.processes.size() * 24);
    appendLine(out, QStringLiteral("[System]"));
    appendLine(out, "Name=" + data.name);
    appendLine(out, "ConfigTool=" + data.configTool);
    appendLine(out, data.dbModule ? QStringLiteral("Module=alm_tolv_opdb")
                                  : QStringLiteral("Module=alm_tolv_op"));
    appendLine(out, "AlmSystem=" + data.systemName);
    appendLine(out, QStringLiteral("[TOLV_CONFIG]"));
    appendLine(out, "Driver=" + data.driver);
    if (data.withTemplates) {
        appendLine(out, QStringLiteral("[Templates]"));
        appendLines(out, data.templateText);
        appendLine(out, QStringLiteral("[Instances]"));
        appendLines(out, data.instanceText);
    }
    appendLine(out, QStringLiteral("[Process]"));
    for (const ModuleProcess& process : data.processes)
        if (isValidSlotText(process.slot, data.maxSlot))
            appendLine(out, process.name + '=' + process.slot);
    return out;
}

bool isPathSafeName(const QString& name) {
    for (const QChar c : name) {
        if (c == '/' || c == '\\' || c.category() == QChar::Other_Control)
            return false;
    }
    return true;
}

bool isStorableProcessName(const QString& name) {
    auto isBlank = [](QChar c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    return !name.isEmpty() && !isBlank(name.front()) && !isBlank(name.back()) &&
           !name.contains('=') && !name.contains('\n') && !name.contains('\r');
}

bool isModuleFileName(const QString& fileName) {
    // Whole names only: "$" alone would also match before a final line feed.
    static const QRegularExpression pattern(
        QRegularExpression::anchoredPattern(QStringLiteral("al_out_\\d{4}.cfg")));
    return pattern.match(fileName).hasMatch();
}
