#pragma once

#include "core/documents.h"
#include "core/output_file.h"
#include "core/store_paths.h"
#include "editor/loaders.h"
#include "plugin/config_plugin_base.h"
#include "plugin/plugin_interfaces.h"
#include "templates/template_list.h"

#include <QDateTime>
#include <QMap>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

class CSystemChooser;
class QAction;
class QDockWidget;
class QMenu;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;
class dialog;

// The TOLV output editor: module list dock, tool bar, menu and process list editor,
// and the host protocol that keeps the working copy in step with the store.
class alm_tolv_output : public config_plugin_base,
                        public IDomDoc,
                        public IGetDocuments,
                        public ISendCommand {
    Q_OBJECT
    Q_INTERFACES(IDomDoc IGetDocuments ISendCommand)
public:
    // Loads the system ini into its document.
    class FileLoad_TolvSystem : public FileLoad {
    public:
        explicit FileLoad_TolvSystem(alm_tolv_output* owner);
        ~FileLoad_TolvSystem() override;
        bool load(const QString& fileName) override;

        Document_TolvSystem* document = nullptr;
        alm_tolv_output* owner;
    };

    alm_tolv_output(const QString& rootDir, const QString& pluginName, const QString& extraParam);
    ~alm_tolv_output() override;

    // config_plugin_base
    QDockWindowList dockWindows() override;
    QPopupMenuList popupMenus() override;
    void activate(bool active) override;
    void navigate(const QString& target, const QString& context) override;
    void reply(const HostReply& reply) override;

    // IDomDoc
    void createDocument(const QString& docType, const QString& systemId,
                        QDomDocument& doc) override;
    void writeDocument(const QDomDocument& doc, const QString& name) override;

    // IGetDocuments
    Document* getDocument0() override { return nullptr; }
    Document* getDocument1() override { return nullptr; }
    Document* getDocument2() override { return nullptr; }
    Document* getDocument3() override { return nullptr; }
    Document* getDocument4() override { return nullptr; }
    Document* getSystemDocument() override;

    // ISendCommand
    void sendCommand(const QString& command, const QString& file) override;

    void updateActions();
    void lockDevDesc(const QString& path);
    bool loadProcesses(const QString& path);
    bool saveFile(cOutputFile* module, bool requireLock, bool duplicate);
    bool loadFile(const QString& path);
    void updateFileList();
    void newFile(const QString& name);
    void nextFileName(QString& name, QString& path);
    void copyName(QString& name);

    // The templates of the module shown, and the device files written with it
    // (templates/).
    void loadTemplates(const QStringList& templateLines, const QMap<QString, QString>& instances);
    void saveTemplates(cOutputFile* module, bool duplicate, QString& templateText,
                       QString& instanceText);
    void writeDevDescFile(cOutputFile* module, bool requireLock);
    bool createFolder(const QString& folder);
    // The module's lines in the two shared files.
    bool writeDeviceTypesFile(cOutputFile* module);
    bool writeInstances();
    QString insertModifiedInstances(const QString& base, const QString& driver,
                                    const QString& type);
    void createModuleDeviceTypes();
    void createModuleInstances();
    // The module's device types under a new id, in the shared files and the device
    // description folder.
    void changeDevType(const QString& oldTypeId, const QString& newTypeId);
    void changeDevTypeDevicetypes(const QString& oldTypeId, const QString& newTypeId);
    void changeDevTypeInstances(const QString& oldTypeId, const QString& newTypeId);
    void deleteAndLockDevDescs(const QString& oldTypeId, const QString& newTypeId);
    void createDeviceTypesFile(const QString& typeId);
    void createInstancesFile(const QString& typeId);

signals:
    void command(QString command, QString file);

public slots:
    void dummy() {}
    void applyTemplates();
    void manageTemplate();
    QString about() override;
    bool isDirty() override;
    void apply() override;
    void markDirty();
    void menuDeleteFile();
    void menuDuplicateFile();
    void menuRename();
    void menuNewFile();
    void EditProcess();
    void renameModule(QTreeWidgetItem* item, int column, const QString& text);
    void selectFile(QTreeWidgetItem* item);
    void fileListContextMenu(QTreeWidgetItem* item, const QPoint& pos, int column);

protected slots:
    void dummy1() {}
    void selectSystem(const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Commits a slot still being typed, as any commit judges it; false when the
    // entry was refused (its edit stays open and the module unsaved).
    bool commitTypedSlot();
    void createDock();
    void createActions();
    QString outputsDir() const;
    QString processDefinitionsPath() const;
    QString localPath(const QString& storePath) const;
    // The infodriver number as the process list editor shows it.
    QString driverText() const;
    void traceLockedDevDescFiles() const;
    // Traces "<caller>. command=<word> file='<file>'" and emits the command.
    void rereadTemplates();
    void send(const char* caller, const QString& word, const QString& file = QString());
    void replyDownload(const HostReply& reply);
    void doOk(const HostReply& reply);
    void doDone(const HostReply& reply);
    void replyLock(const HostReply& reply);
    void replyUpload(const HostReply& reply);
    void replyDir(const HostReply& reply);
    void addModuleRow(cOutputFile* module, const QString& fileName);
    // A row of the module list belongs to the record of its Config File.
    cOutputFile* moduleOfRow(const QTreeWidgetItem* row) const;
    // The module of that store path, looked up again after the world may have changed.
    cOutputFile* moduleOfFile(const QString& fileName) const;
    QTreeWidgetItem* rowOf(const cOutputFile* module) const;
    void applyRename(cOutputFile* module, const QString& text);
    // Why the module cannot take the name, or an empty text when it can.
    QString refusedModuleName(const cOutputFile* module, const QString& name) const;
    // Renames only of modules in an outputs folder this session holds.
    bool mayRename(const cOutputFile* module) const;
    void showModuleTitle(const QString& name);
    // The current module whose file has gone: nothing of it stays shown.
    void dropVanishedModule();
    // A module file changed on disk since it was loaded or saved: the user
    // chooses whether the save overwrites it; false when it must not.
    bool mayOverwrite(cOutputFile*& module);
    void reloadModule(cOutputFile* module);
    bool writeEmptyModule(const QString& name, const QString& path, QString* error);
    static bool isOutputsDir(const QString& path);
    // Device type ids across the modules of the system (modules/type_ids.cpp).
    QStringList templateNamesOf(const cOutputFile* module) const;
    QSet<QString> typeIdsOfOtherModules(const cOutputFile* except) const;
    // The first id of a module of that name with those templates that is taken;
    // empty when none.
    QString typeIdClash(const QSet<QString>& taken, const QString& name,
                        const QStringList& templateNames) const;
    // Template names that would give the module the id of another's type.
    QStringList templateNamesClashing(const cOutputFile* module) const;
    // An id the module shown shares with another module or template of the store
    // (whose device description its save would overwrite); empty when none.
    QString typeIdClashOfShown() const;
    void clearModules();

    std::unique_ptr<Loaders> loaders;
    FileLoad_TolvSystem* systemLoad = nullptr;
    bool devTypesSynced = false;
    QStringList processNames;
    QString systemName;
    bool devTypesLocked = false;
    bool instancesLocked = false;
    bool devDescLocked = false;
    QStringList lockedDevDescFiles;
    // typeIdClashOfShown() when the module shown was loaded: while it is not
    // empty the module is read-only, as a name unfit for a path makes it.
    QString shownTypeIdClash;
    // Type ids of templates deleted in the manager: their entries leave the shared
    // files at the next save that writes both.
    QStringList deletedTemplateTypes;
    // Device description locks given back since they were last asked for: a
    // grant that arrives for one of them is late and is given back at once.
    QSet<QString> givenBackDevDescLocks;
    bool loadingModule = true;
    bool dirty = false;
    QString pendingContext;
    bool navigatePending = false;
    QStringList downloadedFiles;
    QStringList checkedOutDirs;
    QStringList lockedDirs;
    // Module files the store holds but the host left out of the working copy (a
    // download that failed): no new module takes their names.
    QSet<QString> storeOnlyFiles;
    bool processesLoaded = false;
    QString processesPath; // the file of the last load; another file is always read
    QDateTime processesModified;
    // The uploads of the last Apply still unanswered (a path once per upload),
    // whether one of them failed, and whether anything changed since it began:
    // only a fully successful Apply of unchanged work makes the editor clean.
    QStringList pendingUploads;
    bool uploadFailed = false;
    bool changedSinceApply = false;
    // Outputs folders changed since an Apply last uploaded them.
    QSet<QString> changedOutputsDirs;
    // Where the save in progress counts the writes of device description and
    // shared files that failed: its module stays modified. A save started while
    // a message box of another is open counts its own.
    int* deviceFileFailures = nullptr;
    void noteDeviceFileFailure() {
        if (deviceFileFailures)
            ++*deviceFileFailures;
    }
    // The shared files that the save in progress found unfit to edit (file, line,
    // column, message), told in one box at its end.
    QStringList* sharedFileProblems = nullptr;
    void noteSharedFileProblem(bool failed, const QString& problem);
    void reportSharedFileProblems(const QStringList& problems);
    CSystemChooser* systemChooser = nullptr;
    bool dbModule = false;
    QPointer<QDockWidget> fileDock;
    QPointer<QMenu> popupMenu;
    QPointer<QToolBar> toolBar;
    QTreeWidget* fileList = nullptr;
    QAction* newAction = nullptr;
    QAction* duplicateAction = nullptr;
    QAction* deleteAction = nullptr;
    QAction* renameAction = nullptr;
    dialog* processEditor = nullptr;
    cOutputFile* currentModule = nullptr;
    std::vector<std::unique_ptr<cOutputFile>> modules;
    TemplateList templates;
    int maxSlot = StorePaths::defaultMaxSlot;

    friend class EditorProbe; // white-box access for the tests
};
