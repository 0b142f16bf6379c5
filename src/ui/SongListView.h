// CSongListView: the CD writer's song list. Rows are dragged within the list
// to change the playing order; a drop asks for the selected rows to be moved
// before the row under the drop point, and the list itself changes only when
// the controller's new order is shown again.
#pragma once

#include <QTreeWidget>
#include <functional>

class CSongListView : public QTreeWidget {
public:
    // move: called once the drag has ended with the row the selection goes before (the row
    // count: to the end).
    using MoveFn = std::function<void(size_t before)>;
    CSongListView(QWidget* parent, MoveFn move);

    // The row a drop at this viewport point puts the selection before: the upper half of a row
    // means before it, the lower half after it, below the rows the end.
    size_t DropRow(const QPoint& at) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Only rows of this list are taken: other programs' drags are turned away.
    bool Ours(const QDropEvent* event) const;

    MoveFn m_move;
};
