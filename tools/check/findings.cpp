#include "tools/check/findings.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

Findings::Findings(const QString& storeDir) {
    const QString cleaned = storeDir.isEmpty() ? QString() : QDir::cleanPath(storeDir);
    if (!cleaned.isEmpty() && cleaned != ".")
        prefix = cleaned.endsWith('/') ? cleaned : cleaned + '/';
}

QString Findings::shownPath(const QString& storePath) const {
    return prefix + storePath;
}

void Findings::add(const QString& storePath, int line, Severity severity, const QString& check,
                   const QString& message) {
    list.append({shownPath(storePath), line, severity, message, check});
}

QVector<Finding> Findings::sorted() const {
    QVector<Finding> result = list;
    std::stable_sort(result.begin(), result.end(), [](const Finding& a, const Finding& b) {
        if (a.path != b.path)
            return a.path < b.path;
        if (a.line != b.line)
            return a.line < b.line;
        if (a.check != b.check)
            return a.check < b.check;
        return a.message < b.message;
    });
    return result;
}

CheckSummary summarize(const QVector<Finding>& findings, int systems, int modules) {
    CheckSummary summary;
    for (const Finding& finding : findings)
        ++(finding.severity == Severity::Error ? summary.errors : summary.warnings);
    summary.systems = systems;
    summary.modules = modules;
    return summary;
}

namespace {

QString severityName(Severity severity) {
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

// A name from the store may hold a line break: written as it is, it would
// start a line of its own that an editor or CI takes for a finding.
QString escaped(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (category != QChar::Other_Control && category != QChar::Separator_Line &&
            category != QChar::Separator_Paragraph) {
            out += c;
        } else if (c == '\n') {
            out += QLatin1String("\\n");
        } else if (c == '\r') {
            out += QLatin1String("\\r");
        } else if (c == '\t') {
            out += QLatin1String("\\t");
        } else {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        }
    }
    return out;
}

QString counted(int n, const char* one, const char* many) {
    return QString::number(n) + ' ' + QLatin1String(n == 1 ? one : many);
}

} // namespace

QString formatText(const QVector<Finding>& findings, const CheckSummary& summary) {
    QString text;
    for (const Finding& finding : findings)
        text += escaped(finding.path) + ':' + QString::number(finding.line) + ": " +
                severityName(finding.severity) + ": " + escaped(finding.message) + " [" +
                finding.check + "]\n";
    text += counted(summary.errors, "error", "errors") + ", " +
            counted(summary.warnings, "warning", "warnings") + " in " +
            counted(summary.systems, "system", "systems") + ", " +
            counted(summary.modules, "module", "modules") + '\n';
    return text;
}

QString formatJson(const QVector<Finding>& findings, const CheckSummary& summary) {
    QJsonArray list;
    for (const Finding& finding : findings)
        list.append(QJsonObject{{"path", finding.path},
                                {"line", finding.line},
                                {"severity", severityName(finding.severity)},
                                {"check", finding.check},
                                {"message", finding.message}});
    const QJsonObject counts{{"errors", summary.errors},
                             {"warnings", summary.warnings},
                             {"systems", summary.systems},
                             {"modules", summary.modules}};
    const QJsonObject root{{"findings", list}, {"summary", counts}};
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

int exitCodeFor(const CheckSummary& summary, bool werror) {
    return summary.errors > 0 || (werror && summary.warnings > 0) ? 1 : 0;
}
