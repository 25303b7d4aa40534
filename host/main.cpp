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
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

QString defaultPluginPath() {
    const QString beside = QCoreApplication::applicationDirPath() + '/' + TOLV_PLUGIN_FILE_NAME;
    return QFileInfo::exists(beside) ? beside : QStringLiteral(TOLV_PLUGIN_BUILD_PATH);
}

QString defaultOwner() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty())
        user = QStringLiteral("user");
    return user + '@' + QSysInfo::machineHostName();
}

int fail(const QString& message) {
    std::fprintf(stderr, "tolv-host: %s\n", qPrintable(message));
    return 1;
}

// Nobody can answer a message box in screenshot mode: report it and dismiss it.
void dismissModalDialogs(QObject* owner) {
    auto* timer = new QTimer(owner);
    QObject::connect(timer, &QTimer::timeout, [] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal)
            return;
        QString text;
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            text = box->text();
        std::fprintf(stderr, "tolv-host: dismissed \"%s\": %s\n", qPrintable(modal->windowTitle()),
                     qPrintable(text));
        modal->reject();
    });
    timer->start(100);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("tolv-host");

    QCommandLineParser parser;
    parser.setApplicationDescription("Runs the TOLV output configuration plug-in on a store.");
    parser.addHelpOption();
    const QCommandLineOption storeOption("store", "Configuration store folder.", "DIR");
    const QCommandLineOption workOption(
        "work", "Working copy folder (default: a fresh temporary folder).", "DIR");
    const QCommandLineOption pluginOption("plugin", "Plug-in library to load.", "PATH",
                                          defaultPluginPath());
    const QCommandLineOption nameOption("plugin-name", "Name the plug-in is known by.", "NAME",
                                        "alm_tolv_output");
    const QCommandLineOption ownerOption("owner", "Owner named in the locks.", "NAME",
                                         defaultOwner());
    const QCommandLineOption modeOption("reply-mode", "immediate or queued.", "MODE", "immediate");
    const QCommandLineOption systemOption("system", "Alarm system to choose after start.", "NAME");
    const QCommandLineOption navigateOption(
        "navigate", "Show MODULE[;PROCESS] in the editor after start, as another tool would.",
        "CONTEXT");
    const QCommandLineOption shotOption(
        "screenshot", "Save a picture of the window to FILE once the editor is shown, then exit.",
        "FILE");
    parser.addOptions({storeOption, workOption, pluginOption, nameOption, ownerOption, modeOption,
                       systemOption, navigateOption, shotOption});
    parser.process(app);

    if (!parser.isSet(storeOption))
        return fail("--store DIR is required");
    const QString store = parser.value(storeOption);
    if (!QFileInfo(store).isDir())
        return fail(QStringLiteral("no store folder %1").arg(store));

    StoreHost::ReplyMode mode = StoreHost::ReplyMode::Immediate;
    if (parser.value(modeOption) == "queued")
        mode = StoreHost::ReplyMode::Queued;
    else if (parser.value(modeOption) != "immediate")
        return fail("--reply-mode is immediate or queued");

    std::unique_ptr<QTemporaryDir> temporaryWork;
    QString work = parser.value(workOption);
    if (work.isEmpty()) {
        temporaryWork = std::make_unique<QTemporaryDir>(QDir::tempPath() + "/tolv-work-XXXXXX");
        if (!temporaryWork->isValid())
            return fail("cannot create a temporary working copy");
        work = temporaryWork->path();
    } else if (!QDir().mkpath(work)) {
        return fail(QStringLiteral("cannot create the working copy %1").arg(work));
    }
    work = QDir(work).absolutePath();

    PluginLoader loader(parser.value(pluginOption));
    if (!loader.load())
        return fail(loader.errorString());

    StoreHost host(store, work, parser.value(ownerOption));
    host.setReplyMode(mode);

    HostWindow window(loader, host, {work, parser.value(nameOption), QString()});
    window.resize(1280, 800);
    window.show();
    if (!window.openEntry())
        return fail("the plug-in made no editor");

    const QString shot = parser.value(shotOption);
    if (!shot.isEmpty())
        dismissModalDialogs(&window);

    const QString system = parser.value(systemOption);
    window.whenIdle([&] {
        if (!system.isEmpty() && !window.chooseSystem(system))
            std::fprintf(stderr, "tolv-host: no alarm system %s in the selector\n",
                         qPrintable(system));
        if (parser.isSet(navigateOption))
            window.editor()->navigate(QString(), parser.value(navigateOption));
        if (shot.isEmpty())
            return;
        window.whenIdle([&] {
            const bool saved = window.grab().save(shot, "PNG");
            if (!saved)
                std::fprintf(stderr, "tolv-host: cannot write %s\n", qPrintable(shot));
            window.close();
            QCoreApplication::exit(saved ? 0 : 1);
        });
    });
    return app.exec();
}
