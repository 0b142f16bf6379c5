// CWorklistPane: the "Working On" pane over CWorkList: one row per song with
// its length, the three stage flags and the last edit; names are edited in
// place (F2, a slow second click or the menu), and a right click offers
// Preview, Rename and Delete.
#pragma once

#include "ui/PaneWidget.h"

class CWorkList;
class QTreeWidget;
class QTreeWidgetItem;

class CWorklistPane : public CPaneWidget {
    Q_OBJECT
public:
    CWorklistPane(CWorkList& list, QWidget* parent);
    const void* Controller() const override { return m_worklist; }
    void Detach() override { m_worklist = nullptr; }
    void Reload() override;

    QTreeWidget* List() const { return m_list; }
    // Opens the name of row for editing in place.
    void EditName(int row);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnSelectionChanged();
    void OnItemChanged(QTreeWidgetItem* item, int column);

    CWorkList* m_worklist;
    QTreeWidget* m_list;
    bool m_filling = false;
};
