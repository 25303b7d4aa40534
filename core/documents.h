#pragma once

#include "core/store_paths.h"
#include <QString>

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
    int maxInfodriver_ = StorePaths::defaultMaxInfodriver;
    int maxSlot_ = StorePaths::defaultMaxSlot;
    int spareLimit_ = 999;
    int deviceInfodriverId_ = -1;
};

// Leading decimal integer with optional blanks and sign, 0 without digits.
int atoiLike(const QString& text);
