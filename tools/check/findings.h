#pragma once

// What the store checker reports: findings in the form compilers use, and the
// two ways of printing them.

#include <QString>
#include <QVector>

enum class Severity { Warning, Error };

struct Finding {
    QString path; // as shown: the store folder as given, joined with the store path
    int line = 0; // 1-based; 0 when the finding concerns the whole file
    Severity severity = Severity::Error;
    QString message;
    QString check; // the check's name, e.g. "duplicate-slot"
};

// Collects findings with paths made from the store folder as the user gave it,
// so that an editor or CI run from the same folder finds the files.
class Findings {
public:
    explicit Findings(const QString& storeDir = QString());

    // The shown path of a store path ("config/...").
    QString shownPath(const QString& storePath) const;

    void add(const QString& storePath, int line, Severity severity, const QString& check,
             const QString& message);
    void error(const QString& storePath, int line, const QString& check, const QString& message) {
        add(storePath, line, Severity::Error, check, message);
    }
    void warning(const QString& storePath, int line, const QString& check, const QString& message) {
        add(storePath, line, Severity::Warning, check, message);
    }

    // Sorted by path, line, check and message, so runs compare byte for byte.
    QVector<Finding> sorted() const;
    const QVector<Finding>& all() const { return list; }

private:
    QString prefix;
    QVector<Finding> list;
};

struct CheckSummary {
    int errors = 0;
    int warnings = 0;
    int systems = 0;
    int modules = 0;
};

CheckSummary summarize(const QVector<Finding>& findings, int systems, int modules);

// "path:line: error|warning: message [check]" per finding, then the summary line;
// control characters and line separators in path and message are written as
// escapes (\n, \r, \t, \uXXXX), so each finding stays one line.
QString formatText(const QVector<Finding>& findings, const CheckSummary& summary);

// {"findings": [{path, line, severity, check, message}...], "summary": {...}}
QString formatJson(const QVector<Finding>& findings, const CheckSummary& summary);

// 0 when nothing counts, 1 when there is an error (or, with werror, a warning).
int exitCodeFor(const CheckSummary& summary, bool werror);
