#include "ui/WorklistPane.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "shell/WorkList.h"

namespace {

enum Column { kName, kLength, kClean, kEnhance, kFinal, kLastEdit };

// The name is edited without its extension, which the song keeps.
class CNameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        QString name = index.data(Qt::DisplayRole).toString();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0) name.truncate(dot);
        static_cast<QLineEdit*>(editor)->setText(name);
    }
};

}  // namespace

CWorklistPane::CWorklistPane(CWorkList& list, QWidget* parent) : CPaneWidget(parent), m_worklist(&list) {
    m_list = new QTreeWidget(this);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    m_list->setItemDelegateForColumn(kName, new CNameDelegate(m_list));
    m_list->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Length"), QStringLiteral("Clean"),
                             QStringLiteral("Enh"), QStringLiteral("Final"), QStringLiteral("Last Edit")});
    QHeaderView* header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(kName, QHeaderView::Stretch);
    for (int c = kLength; c <= kLastEdit; ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(m_list);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, [this] { OnSelectionChanged(); });
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int c) { OnItemChanged(item, c); });
    Reload();
}

void CWorklistPane::Reload() {
    if (!m_worklist) return;
    m_filling = true;
    m_list->clear();
    QTreeWidgetItem* current = nullptr;
    for (const WorkRow& row : m_worklist->Rows()) {
        auto* item = new QTreeWidgetItem(
            m_list,
            {QString::fromStdString(row.name), QString::fromStdString(row.length).trimmed(),
             QString::fromLatin1(CWorkList::YesNo(row.clean)), QString::fromLatin1(CWorkList::YesNo(row.enhance)),
             QString::fromLatin1(CWorkList::YesNo(row.final)), QString::fromStdString(row.lastEdit)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        for (int c = kClean; c <= kFinal; ++c) item->setTextAlignment(c, Qt::AlignCenter);
        item->setSelected(row.selected);
        if (row.selected && !current) current = item;
    }
    if (current) m_list->scrollToItem(current);
    m_filling = false;
}

void CWorklistPane::EditName(int row) {
    QTreeWidgetItem* item = m_list->topLevelItem(row);
    if (item) m_list->editItem(item, kName);
}

void CWorklistPane::OnSelectionChanged() {
    if (m_filling || !m_worklist) return;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const bool on = m_list->topLevelItem(i)->isSelected();
        if (m_worklist->Rows()[static_cast<size_t>(i)].selected != on) {
            m_worklist->SetSelected(static_cast<size_t>(i), on);
        }
    }
}

void CWorklistPane::OnItemChanged(QTreeWidgetItem* item, int column) {
    if (m_filling || !m_worklist || column != kName) return;
    const int row = m_list->indexOfTopLevelItem(item);
    const QString typed = item->text(kName).trimmed();
    // Renamed or not, the list shows the names the bin holds.
    if (row >= 0 && !typed.isEmpty()) m_worklist->Rename(static_cast<size_t>(row), typed.toStdString());
    Reload();
}

void CWorklistPane::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_worklist) return;
    QTreeWidgetItem* item = m_list->itemAt(m_list->viewport()->mapFromGlobal(event->globalPos()));
    QMenu menu(this);
    QAction* preview =
        menu.addAction(QString::fromStdString(m_worklist->PreviewCaption()), this, [this] { m_worklist->Preview(); });
    QAction* rename =
        menu.addAction(QStringLiteral("Rename"), this, [this, item] { EditName(m_list->indexOfTopLevelItem(item)); });
    QAction* remove = menu.addAction(QStringLiteral("Delete"), this, [this] {
        if (m_worklist->DeleteSelected()) Reload();
    });
    const bool any = m_worklist->SelectedCount() > 0;
    preview->setEnabled(any);
    rename->setEnabled(item != nullptr);
    remove->setEnabled(any);
    menu.exec(event->globalPos());
}
