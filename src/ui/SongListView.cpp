#include "ui/SongListView.h"

#include <QDropEvent>
#include <QMimeData>

CSongListView::CSongListView(QWidget* parent, MoveFn move) : QTreeWidget(parent), m_move(std::move(move)) {
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
}

size_t CSongListView::DropRow(const QPoint& at) const {
    const QModelIndex index = indexAt(at);
    if (!index.isValid()) return static_cast<size_t>(topLevelItemCount());
    const QRect rect = visualRect(index);
    return static_cast<size_t>(index.row() + (at.y() > rect.center().y() ? 1 : 0));
}

bool CSongListView::Ours(const QDropEvent* event) const {
    return event->source() == this || (!event->source() && event->mimeData()->hasFormat(model()->mimeTypes().value(0)));
}

void CSongListView::dragEnterEvent(QDragEnterEvent* event) {
    if (Ours(event)) {
        QTreeWidget::dragEnterEvent(event);
    } else {
        event->ignore();
    }
}

void CSongListView::dragMoveEvent(QDragMoveEvent* event) {
    if (Ours(event)) {
        QTreeWidget::dragMoveEvent(event);
    } else {
        event->ignore();
    }
}

void CSongListView::dropEvent(QDropEvent* event) {
    if (!Ours(event)) {
        event->ignore();
        return;
    }
    const size_t before = DropRow(event->position().toPoint());
    // A copy as far as the view knows: it must not take the dragged rows out by itself.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    stopAutoScroll();
    setState(NoState);
    // The drag is still unwinding: the rows are rebuilt once it has.
    QMetaObject::invokeMethod(
        this, [this, before] { m_move(before); }, Qt::QueuedConnection);
}
