#pragma once

#include "core/device_template.h"
#include "forms/manage_temp_base.h"

#include <QSet>
#include <QStringList>

class IGetDocuments;
class QTreeWidgetItem;

// The template manager: edits copies of a module's templates (prefix, base slot,
// offset, parameter slots and instances). The editor takes the copies back only
// when the dialog is accepted.
//
// The dialog keeps nothing of the editor: the process names and the templates
// are copied in at construction and the system document is read only there, so
// that replies reloading or switching the editor's lists while the dialog runs
// its loop cannot reach into it.
class manage_temp : public manage_tempBase {
    Q_OBJECT
public:
    manage_temp(const QStringList& processNames, const TemplateList& templates,
                IGetDocuments* documents, QWidget* parent = nullptr, const char* name = nullptr,
                bool modal = false, Qt::WindowFlags flags = {});
    ~manage_temp() override;

    // Fills the instance table with the candidates of the current template: every
    // prefix X such that X + P is a process for each of its parameters P.
    void showInstances();

public slots:
    void selectAllInstances();
    void unselectAllInstances();
    void selectSelectedInstances();
    void unselectSelectedInstances();
    void newTemplate();
    void changeTab(QWidget* page);
    void saveCurrentTemplate();
    void itemDoubleClicked(QTreeWidgetItem* item);
    void slotChange(QTreeWidgetItem* item, int column, const QString& text);
    void changePrefix(const QString& prefix);
    void selectTemplate(const QString& name);
    void autoNumberSlots();
    void clearSlots();
    // Empties the target and fills it with copies of the dialog's templates.
    void getTemplates(TemplateList* const target);

private:
    void takeTemplates(const TemplateList& source);
    void setInstanceChecks(bool checked, bool selectedOnly);
    void sortComboTemplates();

    devTemplate* current = nullptr;
    QStringList processNames;
    QSet<QString> processNameSet; // answers "is X + P a process?" for the instance table
    TemplateList templates;
};
