// tolv-check: checks a configuration store for the faults that the output
// editor would otherwise show one module at a time, or that only the runtime
// would meet. Exit 0 when clean, 1 on an error (or a warning with --werror),
// 2 when the store cannot be read or the arguments are wrong.
#include "tools/check/store_check.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

int usageError(const QString& message) {
    std::fprintf(stderr, "tolv-check: %s\n", message.toLocal8Bit().constData());
    return 2;
}

// The readers of core/ trace what the editor traces; a checker reports findings.
void quietTraces(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tolv-check");
    qInstallMessageHandler(quietTraces);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Checks the output modules, process definitions, system ini and shared device files "
        "of a configuration store.");
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption storeOption("store", "Root folder of the configuration store.", "DIR");
    const QCommandLineOption systemOption(
        "system", "Check only this alarm system (may be given more than once).", "NAME");
    const QCommandLineOption formatOption("format", "Output format: text or json.", "FORMAT",
                                          "text");
    const QCommandLineOption werrorOption("werror", "Treat warnings as errors (exit code 1).");
    const QCommandLineOption pluginOption(
        "plugin-name", "ConfigTool value of the modules to check.", "NAME", "alm_tolv_output");
    parser.addOptions({storeOption, systemOption, formatOption, werrorOption, pluginOption});

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError("unexpected argument '" + parser.positionalArguments().first() + "'");
    if (!parser.isSet(storeOption))
        return usageError("--store DIR is required");
    const QString format = parser.value(formatOption);
    if (format != "text" && format != "json")
        return usageError("--format must be text or json, not '" + format + "'");

    CheckOptions options;
    options.storeDir = parser.value(storeOption);
    options.systems = parser.values(systemOption);
    options.pluginName = parser.value(pluginOption);
    const CheckResult result = checkStore(options);
    if (!result.fatal.isEmpty())
        return usageError(result.fatal);

    const CheckSummary summary = summarize(result.findings, result.systems, result.modules);
    const QString output = format == "json" ? formatJson(result.findings, summary)
                                            : formatText(result.findings, summary);
    const QByteArray bytes = output.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    return exitCodeFor(summary, parser.isSet(werrorOption));
}
