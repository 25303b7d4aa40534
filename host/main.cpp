// tolv-host: a small configuration tool that loads the output plug-in, embeds its
// editor and carries out its commands against a configuration store folder.
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/store_host.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

struct HostOptions {
    QString store;
    QString work; // empty: a fresh temporary folder
    QString plugin;
    QString pluginName;
    QString owner;
    StoreHost::ReplyMode replyMode = StoreHost::ReplyMode::Immediate;
    QString system;
    bool navigate = false;
    QString navigateContext;
    QString screenshot;
};

// Our options, each with a value. Qt would take some of them for its own
// (--plugin is its -plugin), so they are taken out before it sees the arguments.
const QStringList valueOptions = {"store",      "work",   "plugin",   "plugin-name", "owner",
                                  "reply-mode", "system", "navigate", "screenshot"};

int fail(const QString& message) {
    std::fprintf(stderr, "tolv-host: %s\n", qPrintable(message));
    return 1;
}

// Splits the command line into our options (returned) and the toolkit's (left
// in qtArguments, with argv[0] first).
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
        } else if (argument == "--help" || argument == "-h" || argument == "-?") {
            ours << argument;
        } else {
            qtArguments->push_back(argv[i]);
        }
    }
    return ours;
}

QString defaultPluginPath() {
    const QString beside = QCoreApplication::applicationDirPath() + '/' + TOLV_PLUGIN_FILE_NAME;
    return QFileInfo::exists(beside) ? beside : QStringLiteral(TOLV_PLUGIN_BUILD_PATH);
}

// Parses our options into the struct; on false, *message is the text to print
// and *exitCode what to end with (0 for --help).
bool parseOptions(const QStringList& ours, HostOptions* options, QString* message, int* exitCode) {
    QCommandLineParser parser;
    parser.setApplicationDescription("Runs the TOLV output configuration plug-in on a store.");
    const QCommandLineOption help({"h", "?", "help"}, "Displays this help.");
    const QCommandLineOption store("store", "Configuration store folder.", "DIR");
    const QCommandLineOption work(
        "work", "Working copy folder (default: a fresh temporary folder).", "DIR");
    const QCommandLineOption plugin("plugin", "Plug-in library to load.", "PATH",
                                    defaultPluginPath());
    const QCommandLineOption pluginName("plugin-name", "Name the plug-in is known by.", "NAME",
                                        "alm_tolv_output");
    const QCommandLineOption owner("owner",
                                   "Owner named in the locks (default: user@host:process id).",
                                   "NAME", StoreHost::defaultOwner());
    const QCommandLineOption mode("reply-mode", "immediate or queued.", "MODE", "immediate");
    const QCommandLineOption system("system", "Alarm system to choose after start.", "NAME");
    const QCommandLineOption navigate(
        "navigate", "Show MODULE[;PROCESS] in the editor after start, as another tool would.",
        "CONTEXT");
    const QCommandLineOption screenshot(
        "screenshot", "Save a picture of the window to FILE once the editor is shown, then exit.",
        "FILE");
    parser.addOptions(
        {help, store, work, plugin, pluginName, owner, mode, system, navigate, screenshot});
    *exitCode = 1;
    if (!parser.parse(QStringList{QCoreApplication::applicationName()} + ours)) {
        *message = parser.errorText();
        return false;
    }
    if (parser.isSet(help)) {
        *message = parser.helpText();
        *exitCode = 0;
        return false;
    }
    if (!parser.isSet(store)) {
        *message = "--store DIR is required";
        return false;
    }
    if (parser.value(mode) != "immediate" && parser.value(mode) != "queued") {
        *message = "--reply-mode is immediate or queued";
        return false;
    }
    if (!StoreHost::isValidOwner(parser.value(owner))) {
        *message = "--owner needs a name: not empty, not only blanks, no control characters";
        return false;
    }
    options->store = parser.value(store);
    options->work = parser.value(work);
    options->plugin = parser.value(plugin);
    options->pluginName = parser.value(pluginName);
    options->owner = parser.value(owner);
    options->replyMode = parser.value(mode) == "queued" ? StoreHost::ReplyMode::Queued
                                                        : StoreHost::ReplyMode::Immediate;
    options->system = parser.value(system);
    options->navigate = parser.isSet(navigate);
    options->navigateContext = parser.value(navigate);
    options->screenshot = parser.value(screenshot);
    return true;
}

// The working copy: the folder asked for, or a temporary one that goes with the run.
QString setUpWorkFolder(const QString& requested, std::unique_ptr<QTemporaryDir>* temporary,
                        QString* error) {
    if (requested.isEmpty()) {
        *temporary = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tolv-work-XXXXXX");
        if (!(*temporary)->isValid()) {
            *error = "cannot create a temporary working copy";
            return QString();
        }
        return (*temporary)->path();
    }
    if (!QDir().mkpath(requested)) {
        *error = QStringLiteral("cannot create the working copy %1").arg(requested);
        return QString();
    }
    return QDir(requested).absolutePath();
}

// Nobody can answer a dialog in an unattended run: report each one as it is
// shown and dismiss it from within its own event loop.
class ModalDismisser : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (event->type() == QEvent::Show && dialog && dialog->isModal()) {
            QTimer::singleShot(0, dialog, [dialog] {
                QString text;
                if (auto* box = qobject_cast<QMessageBox*>(dialog))
                    text = box->text();
                std::fprintf(stderr, "tolv-host: dismissed \"%s\": %s\n",
                             qPrintable(dialog->windowTitle()), qPrintable(text));
                dialog->reject();
            });
        }
        return false;
    }
};

void dismissModalDialogs() {
    static ModalDismisser* dismisser = nullptr;
    if (dismisser)
        return;
    dismisser = new ModalDismisser(qApp);
    qApp->installEventFilter(dismisser);
}

// SIGTERM and SIGINT, turned into a call on the GUI thread: the handler only
// writes the signal's number to a socket that the event loop watches.
class TerminationSignals : public QObject {
public:
    explicit TerminationSignals(std::function<void(int)> onSignal)
        : QObject(qApp), handle(std::move(onSignal)) {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
            return;
        writeEnd = fds[0];
        auto* notifier = new QSocketNotifier(fds[1], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            char number = 0;
            if (::read(fds[1], &number, 1) == 1)
                handle(number);
        });
        struct sigaction action = {};
        action.sa_handler = [](int signal) {
            const char number = char(signal);
            [[maybe_unused]] const auto written = ::write(writeEnd, &number, 1);
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGTERM, &action, nullptr);
        sigaction(SIGINT, &action, nullptr);
    }

private:
    static inline int writeEnd = -1;
    int fds[2] = {-1, -1};
    std::function<void(int)> handle;
};

// Saves a picture of the window once everything has settled, then ends the run.
void takeScreenshotWhenIdle(HostWindow& window, const QString& file) {
    window.whenIdle([&window, file] {
        const bool saved = window.grab().save(file, "PNG");
        if (!saved)
            std::fprintf(stderr, "tolv-host: cannot write %s\n", qPrintable(file));
        window.close();
        QCoreApplication::exit(saved ? 0 : 1);
    });
}

// What the options ask for after start: a system, a navigation, a screenshot.
void startSession(HostWindow& window, const HostOptions& options) {
    window.whenIdle([&window, options] {
        if (!options.system.isEmpty() && !window.chooseSystem(options.system))
            std::fprintf(stderr, "tolv-host: no alarm system %s in the selector\n",
                         qPrintable(options.system));
        if (options.navigate && window.editor())
            window.editor()->navigate(QString(), options.navigateContext);
        if (!options.screenshot.isEmpty())
            takeScreenshotWhenIdle(window, options.screenshot);
    });
}

} // namespace

int main(int argc, char** argv) {
    std::vector<char*> qtArguments;
    const QStringList ours = takeHostArguments(argc, argv, &qtArguments);
    int qtArgc = int(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgc, qtArguments.data());
    QApplication::setApplicationName("tolv-host");
    if (QApplication::arguments().size() > 1)
        return fail(QStringLiteral("unknown argument %1").arg(QApplication::arguments().at(1)));

    HostOptions options;
    QString message;
    int exitCode = 1;
    if (!parseOptions(ours, &options, &message, &exitCode)) {
        if (exitCode == 0) {
            std::fputs(qPrintable(message), stdout);
            return 0;
        }
        return fail(message);
    }
    if (!QFileInfo(options.store).isDir())
        return fail(QStringLiteral("no store folder %1").arg(options.store));

    std::unique_ptr<QTemporaryDir> temporaryWork;
    const QString work = setUpWorkFolder(options.work, &temporaryWork, &message);
    if (work.isEmpty())
        return fail(message);

    PluginLoader loader(options.plugin);
    if (!loader.load())
        return fail(loader.errorString());

    StoreHost host(options.store, work, options.owner);
    host.setReplyMode(options.replyMode);
    int endedBy = 0; // the signal that ended the run
    new TerminationSignals([&host, &endedBy](int signal) {
        std::fprintf(stderr, "tolv-host: %s: releasing the locks and ending\n", strsignal(signal));
        endedBy = signal;
        host.shutdown();
        dismissModalDialogs(); // dialogs opened while unwinding end at once
        QCoreApplication::exit(128 + signal);
    });

    // In an unattended run the dismissal must be in place before the entry opens:
    // the editor may show a box while it starts.
    if (!options.screenshot.isEmpty())
        dismissModalDialogs();

    HostWindow window(loader, host, {work, options.pluginName, QString()});
    window.resize(1280, 800);
    window.show();
    if (!window.openEntry())
        return fail("the plug-in made no editor");
    // A signal that came while a box of the start was open ended only the box's
    // own loop: the main loop has not started yet.
    if (endedBy != 0)
        return 128 + endedBy;
    startSession(window, options);
    return app.exec();
}
