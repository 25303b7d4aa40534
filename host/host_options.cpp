#include "host/host_options.h"

#include "core/store_paths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdlib>

namespace {

const QStringList valueOptions = {"store",      "work",   "plugin",   "plugin-name", "owner",
                                  "reply-mode", "system", "navigate", "click",       "screenshot"};
const QStringList flagOptions = {"-h", "-?",        "--help",   "--help-all",
                                 "-v", "--version", "--verbose"};

struct Parser {
    QCommandLineParser parser;
    QCommandLineOption store{"store", "Configuration store folder (required).", "DIR"};
    QCommandLineOption work{"work", "Working copy folder (default: a fresh temporary folder).",
                            "DIR"};
    QCommandLineOption plugin{
        "plugin", "Plug-in library to load (default: the one beside tolv-host).", "PATH"};
    QCommandLineOption pluginName{"plugin-name", "Name the plug-in is known by.", "NAME",
                                  "alm_tolv_output"};
    QCommandLineOption owner{"owner", "Owner named in the locks (default: user@host:process id).",
                             "NAME"};
    QCommandLineOption mode{"reply-mode", "immediate or queued.", "MODE", "immediate"};
    QCommandLineOption system{"system", "Alarm system to choose after start.", "NAME"};
    QCommandLineOption navigate{
        "navigate",
        "Show MODULE[;PROCESS] of the chosen system after start, as another tool would.",
        "CONTEXT"};
    QCommandLineOption click{"click",
                             "Click the button or trigger the action with this object name once "
                             "the editor has settled (with --screenshot: the picture shows the "
                             "dialog it opens).",
                             "NAME"};
    QCommandLineOption screenshot{
        "screenshot",
        "Save a picture of the window to FILE once the editor has settled, then exit; dialogs "
        "are reported on stderr and dismissed.",
        "FILE"};
    QCommandLineOption verbose{"verbose", "Write the trace lines of the plug-in and the store host "
                                          "(logging categories default and tolv.host)."};
    Parser() {
        parser.setApplicationDescription("Runs the TOLV output configuration plug-in on a store.");
        parser.addHelpOption();
        parser.addVersionOption();
        parser.addOptions({store, work, plugin, pluginName, owner, mode, system, navigate, click,
                           screenshot, verbose});
    }
};

// Whether the folder is a store and holds the system asked for; otherwise says why not.
bool checkStore(const QString& store, const QString& system, QString* message) {
    const QFileInfo info(store);
    if (!info.exists())
        *message = QStringLiteral("no store folder %1").arg(store);
    else if (!info.isDir())
        *message = QStringLiteral("--store %1 is a file, not a store folder").arg(store);
    else if (!QFileInfo(store + '/' + StorePaths::alarmsDir).isDir())
        *message = QStringLiteral("%1 is not a configuration store: it has no %2 folder")
                       .arg(store, StorePaths::alarmsDir);
    if (!message->isEmpty())
        return false;
    if (system.isEmpty())
        return true;
    const QStringList systems =
        QDir(store + '/' + StorePaths::alarmsDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (systems.contains(system) && StoreHost::isListableName(system))
        return true;
    *message = QStringLiteral("no alarm system %1 in %2 (there are: %3)")
                   .arg(system, store, systems.join(QLatin1String(", ")));
    return false;
}

} // namespace

QString defaultPluginPath() {
    const QString here = QCoreApplication::applicationDirPath() + '/';
    for (const QString& candidate : {here + TOLV_PLUGIN_FILE_NAME, // in the build
                                     here + TOLV_PLUGIN_INSTALL_DIR "/" TOLV_PLUGIN_FILE_NAME})
        if (QFileInfo::exists(candidate))
            return QDir::cleanPath(candidate);
    return QStringLiteral(TOLV_PLUGIN_BUILD_PATH);
}

QStringList takeHostArguments(int argc, char** argv, std::vector<char*>* qtArguments) {
    QStringList ours;
    qtArguments->push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        const QString name = argument.mid(2).section('=', 0, 0);
        if (argument.startsWith("--") && valueOptions.contains(name)) {
            ours << argument;
            if (!argument.contains('=') && i + 1 < argc)
                ours << QString::fromLocal8Bit(argv[++i]);
        } else if (flagOptions.contains(argument)) {
            ours << argument;
        } else {
            qtArguments->push_back(argv[i]);
        }
    }
    return ours;
}

HostOptions::Outcome HostOptions::parse(const QStringList& ours, QString* message) {
    Parser p;
    if (!p.parser.parse(QStringList{QCoreApplication::applicationName()} + ours)) {
        *message = p.parser.errorText();
        return Outcome::Fail;
    }
    if (p.parser.isSet("help-all"))
        return Outcome::PrintWithToolkitOptions;
    if (p.parser.isSet("help")) {
        // Without the application the parser does not know the program's name.
        *message =
            p.parser.helpText().replace("<executable_name>", QCoreApplication::applicationName());
        return Outcome::Print;
    }
    if (p.parser.isSet("version")) {
        *message = QCoreApplication::applicationName() + ' ' +
                   QCoreApplication::applicationVersion() + '\n';
        return Outcome::Print;
    }
    if (!p.parser.isSet(p.store))
        *message = "--store DIR is required (--help lists the options)";
    else if (p.parser.value(p.mode) != "immediate" && p.parser.value(p.mode) != "queued")
        *message = "--reply-mode is immediate or queued";
    else if (p.parser.isSet(p.owner) && !StoreHost::isValidOwner(p.parser.value(p.owner)))
        *message = "--owner needs a name: not empty, not only blanks, no control characters";
    else if (p.parser.isSet(p.plugin) && !QFileInfo(p.parser.value(p.plugin)).isFile())
        *message = QStringLiteral("--plugin %1: no such file").arg(p.parser.value(p.plugin));
    else if (p.parser.isSet(p.navigate) && !p.parser.isSet(p.system))
        *message = "--navigate needs --system: a module is found in the chosen alarm system";
    if (!message->isEmpty())
        return Outcome::Fail;
    if (!checkStore(p.parser.value(p.store), p.parser.value(p.system), message))
        return Outcome::Fail;
    store = p.parser.value(p.store);
    work = p.parser.value(p.work);
    plugin = p.parser.value(p.plugin);
    pluginName = p.parser.value(p.pluginName);
    owner = p.parser.isSet(p.owner) ? p.parser.value(p.owner) : StoreHost::defaultOwner();
    replyMode = p.parser.value(p.mode) == "queued" ? StoreHost::ReplyMode::Queued
                                                   : StoreHost::ReplyMode::Immediate;
    system = p.parser.value(p.system);
    navigate = p.parser.isSet(p.navigate);
    navigateContext = p.parser.value(p.navigate);
    click = p.parser.value(p.click);
    screenshot = p.parser.value(p.screenshot);
    verbose = p.parser.isSet(p.verbose);
    return Outcome::Run;
}

void printHelpAll() {
    Parser p;
    p.parser.process(QStringList{QCoreApplication::applicationName(), "--help-all"});
    std::exit(0); // process() has exited already
}
