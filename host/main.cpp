// tolv-host: a small configuration tool that loads the output plug-in, embeds its
// editor and carries out its commands against a configuration store folder.
#include "host/host_options.h"
#include "host/host_window.h"
#include "host/plugin_loader.h"
#include "host/read_only_notice.h"
#include "host/store_host.h"
#include "host/unattended.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// The offscreen platform tells of every window feature it lacks; nobody needs that.
QtMessageHandler defaultHandler = nullptr;
void quietOffscreenNotes(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtWarningMsg && text.startsWith(QLatin1String("This plugin does not support")))
        return;
    defaultHandler(type, context, text);
}

int fail(const QString& message) {
    std::fprintf(stderr, "tolv-host: %s\n", qPrintable(message));
    return 1;
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

// Without a display the toolkit would abort: run on the offscreen platform
// instead, unless a platform was asked for.
void useOffscreenWithoutDisplay(const std::vector<char*>& qtArguments) {
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
        !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return;
    for (const char* argument : qtArguments)
        if (argument && std::strcmp(argument, "-platform") == 0)
            return;
    std::fprintf(stderr, "tolv-host: no display; running on the offscreen platform "
                         "(--screenshot FILE saves a picture)\n");
    qputenv("QT_QPA_PLATFORM", "offscreen");
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

// What the options ask for after start: a system, a navigation, a click, a screenshot.
void startSession(HostWindow& window, const HostOptions& options) {
    window.whenIdle([&window, options] {
        if (!options.system.isEmpty() && !window.chooseSystem(options.system)) {
            std::fprintf(stderr, "tolv-host: no alarm system %s in the selector\n",
                         qPrintable(options.system));
            window.close();
            QCoreApplication::exit(1);
            return;
        }
        if (options.navigate && window.editor())
            window.editor()->navigate(QString(), options.navigateContext);
        window.readOnlyNotice()->holdSummary(false); // one box for the locks of the start
        if (!options.screenshot.isEmpty())
            takeScreenshotWhenIdle(window, options.click, options.screenshot);
        else if (!options.click.isEmpty())
            window.whenIdle([&window, click = options.click] {
                if (!clickNamed(window, click))
                    std::fprintf(stderr,
                                 "tolv-host: --click %s: no such button or action enabled\n",
                                 qPrintable(click));
            });
    });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName("tolv-host");
    QCoreApplication::setApplicationVersion(TOLV_VERSION);
    std::vector<char*> qtArguments;
    const QStringList ours = takeHostArguments(argc, argv, &qtArguments);
    HostOptions options;
    QString message;
    const HostOptions::Outcome outcome = options.parse(ours, &message);
    if (outcome == HostOptions::Outcome::Print) {
        std::fputs(qPrintable(message), stdout);
        return 0;
    }
    if (outcome == HostOptions::Outcome::Fail)
        return fail(message);
    if (outcome == HostOptions::Outcome::PrintWithToolkitOptions)
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the list needs no display
    else
        useOffscreenWithoutDisplay(qtArguments);

    int qtArgc = int(qtArguments.size());
    qtArguments.push_back(nullptr);
    QApplication app(qtArgc, qtArguments.data());
    if (outcome == HostOptions::Outcome::PrintWithToolkitOptions)
        printHelpAll();
    if (QApplication::arguments().size() > 1)
        return fail(QStringLiteral("unknown argument %1 (--help-all lists the options)")
                        .arg(QApplication::arguments().at(1)));
    // The trace lines are for whoever looks into the plug-in or the store host;
    // QT_LOGGING_RULES still turns them on without --verbose.
    if (!options.verbose) {
        QLoggingCategory::setFilterRules("default.debug=false\ntolv.host.debug=false");
        defaultHandler = qInstallMessageHandler(quietOffscreenNotes);
    }

    std::unique_ptr<QTemporaryDir> temporaryWork;
    const QString work = setUpWorkFolder(options.work, &temporaryWork, &message);
    if (work.isEmpty())
        return fail(message);

    PluginLoader loader(options.plugin.isEmpty() ? defaultPluginPath() : options.plugin);
    if (!loader.load())
        return fail(loader.errorString());

    StoreHost host(options.store, work, options.owner);
    if (host.ownerInUse())
        return fail(QStringLiteral("the owner '%1' is already used by another running tolv-host "
                                   "on this store: give another --owner")
                        .arg(options.owner));
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
    window.readOnlyNotice()->holdSummary(true);
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
