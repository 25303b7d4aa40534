#pragma once

#include "core/device_template.h"
#include "forms/manage_temp_base.h"

#include <QModelIndex>
#include <QPoint>
#include <QSet>
#include <QSize>
#include <QStringList>

#include <vector>

class IGetDocuments;
class QAbstractItemView;
class InstanceTable;
class ParameterTable;

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
    // prefix X such that X + P is a process for each of its parameters P, except
    // names the module file cannot hold (returned).
    QStringList showInstances();

    // Names the dialog refuses for a new template besides its own: templates of
    // the module that it does not edit.
    void reserveNames(const QStringList& names) { reserved = names; }

    ParameterTable* parameterTable() const { return parameters; }
    InstanceTable* instanceTable() const { return instanceRows; }

public slots:
    void selectAllInstances();
    void unselectAllInstances();
    void selectSelectedInstances();
    void unselectSelectedInstances();
    void newTemplate();
    void changeTab(QWidget* page);
    void saveCurrentTemplate();
    void itemDoubleClicked(const QModelIndex& index);
    void changePrefix(const QString& prefix);
    void selectTemplate(const QString& name);
    void autoNumberSlots();
    void clearSlots();
    // Empties the target and fills it with copies of the dialog's templates.
    void getTemplates(TemplateList* const target);

protected:
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void restoreGeometry();
    void rememberNormalGeometry();
    void tellLeftOut(const QStringList& leftOut);
    // Display rows of a view's selection, one flag per row of the model.
    std::vector<bool> selectedRows(const QAbstractItemView* view, int column) const;
    void takeTemplates(const TemplateList& source);
    void setInstanceChecks(bool checked, bool selectedOnly);
    void sortComboTemplates();

    devTemplate* current = nullptr;
    QStringList processNames;
    QSet<QString> processNameSet; // answers "is X + P a process?" for the instance table
    TemplateList templates;
    QStringList reserved;
    // Instances of the current template shown in the table since it was selected:
    // a stored instance never shown (its processes are missing) is kept.
    QSet<QString> offered;
    ParameterTable* parameters = nullptr;
    InstanceTable* instanceRows = nullptr;
    // The last position and size in the normal state, stored when the dialog closes.
    QPoint normalPos;
    QSize normalSize;
};
