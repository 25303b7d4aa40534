#pragma once

#include <QString>

#include <memory>
#include <vector>

class ISendCommand;

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
