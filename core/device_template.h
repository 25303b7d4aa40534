#pragma once

// A device template of a module: process-name suffixes (parameters) bound to a
// slot within one device, and process-name prefixes (instances) placed one after
// another from a base slot at a fixed offset.

#include <QMap>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

class devTemplate {
public:
    devTemplate() = default;
    // From a "[Templates]" line of a module file, or a bare name.
    explicit devTemplate(const QString& entry);
    virtual ~devTemplate() = default;
    devTemplate(const devTemplate&) = default;
    devTemplate& operator=(const devTemplate&) = default;

    QString getName() const { return name; }

    int baseSlot = 0;          // device offset of the first instance
    QStringList instances;     // process-name prefixes, in user order
    QString prefix;            // lists the candidate parameters in the template manager
    int offset = 1;            // distance between the devices of consecutive instances
    QMap<QString, int> params; // process-name suffix -> slot within the device
    QString name;
};

// The line of a template under "[Templates]" in a module file, without line end:
// name=baseSlot,offset,'prefix' (the prefix always quoted, also when empty).
QString templatesLine(const devTemplate& entry);

// The line of a template under "[Instances]", without line end: name= and every
// instance followed by a comma; "name=," without instances.
QString instancesLine(const devTemplate& entry);

// The instances of an "[Instances]" value: split at commas, empty entries dropped.
QStringList instancesFromValue(const QString& value);

// The templates of one module, by name, owning them; iterated sorted by name.
class TemplateList {
public:
    using Map = std::map<QString, std::unique_ptr<devTemplate>>;

    // A template of the module file that could not be loaded (its device
    // description is missing or unreadable): its lines go back into the file as
    // they were, so that nothing is lost while the description cannot be read.
    struct Unloaded {
        QString name;
        QString templateLine;
        QString instanceLine; // empty when the file has none
    };

    bool isEmpty() const { return byName.empty(); }
    int count() const { return int(byName.size()); }
    void clear() {
        byName.clear();
        unloaded.clear();
    }
    // Whether the module file gets "[Templates]" and "[Instances]" sections.
    bool hasLines() const { return !byName.empty() || !unloaded.empty(); }
    // Replaces any template of the same name.
    void insert(std::unique_ptr<devTemplate> entry) {
        const QString key = entry->name;
        byName[key] = std::move(entry);
    }
    bool remove(const QString& name) { return byName.erase(name) > 0; }
    devTemplate* find(const QString& name) const {
        const auto it = byName.find(name);
        return it == byName.end() ? nullptr : it->second.get();
    }
    // A deep copy, for dialogs that edit templates and may be cancelled.
    TemplateList copy() const {
        TemplateList result;
        for (const auto& [key, entry] : byName)
            result.byName[key] = std::make_unique<devTemplate>(*entry);
        result.unloaded = unloaded;
        return result;
    }

    Map::const_iterator begin() const { return byName.begin(); }
    Map::const_iterator end() const { return byName.end(); }

    std::vector<Unloaded> unloaded;

private:
    Map byName;
};
