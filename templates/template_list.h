#pragma once

#include <map>
#include <memory>

#include <QString>

// A device template of a module; its contents arrive with the template model.
class devTemplate {
public:
    virtual ~devTemplate() = default;
    QString name;
};

// The templates of the current module, by name, owning them.
class TemplateList {
public:
    bool isEmpty() const { return byName.empty(); }
    void clear() { byName.clear(); }

private:
    std::map<QString, std::unique_ptr<devTemplate>> byName;
};
