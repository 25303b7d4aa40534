#pragma once

#include <QString>

#include <memory>
#include <vector>

class ISendCommand;

// Prefix of the local paths from which documents read their files; the editor
// sets it to its working copy's root.
extern QString documentsRoot;

// A configuration file shared by the host's plug-ins, parsed into memory.
class Document {
public:
    explicit Document(const QString& path) : path(path) {}
    virtual ~Document() = default;

    QString path; // relative to the store's config directory
};

// The system ini: the fixed bounds of the TOLV system and the device status id.
class Document_TolvSystem : public Document {
public:
    Document_TolvSystem();

    bool load();

    int maxInfodriver() const { return maxInfodriver_; }
    int maxSlot() const { return maxSlot_; }
    int spareLimit() const { return spareLimit_; }
    int deviceInfodriverId() const { return deviceInfodriverId_; }

private:
    int maxInfodriver_ = 999;
    int maxSlot_ = 4096;
    int spareLimit_ = 999;
    int deviceInfodriverId_ = -1;
};

// Knows one file's store path, asks the host for it and loads it.
class FileLoad {
public:
    explicit FileLoad(const QString& path) : path(path) {}
    virtual ~FileLoad() = default;

    virtual bool load(const QString& fileName) = 0;
    virtual void handle(const QString& = QString()) {}

    QString getPath() const { return path; }
    bool isLoaded() const { return loaded; }
    void setLocalFile(const QString& file) { localFile = file; }
    void setLoaded(bool value) { loaded = value; }
    bool isFile(const QString& other) const { return other.toLower() == path.toLower(); }
    void requestDownload(ISendCommand* sender);

protected:
    QString path;
    QString localFile;
    bool loaded = false;
};

// Directory loaders are part of the shared framework; this plug-in has none.
class DirLoad {
public:
    virtual ~DirLoad() = default;
};

// Owns the file and directory loaders.
class Loaders {
public:
    void addFile(FileLoad* loader) { files.emplace_back(loader); }

private:
    std::vector<std::unique_ptr<FileLoad>> files;
    std::vector<std::unique_ptr<DirLoad>> dirs;
};

// Leading decimal integer with optional blanks and sign, 0 without digits.
int atoiLike(const QString& text);
