#include "core/transferlistview.h"

#include "core/transferlist.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace tessan {

TransferListView::TransferListView(TransferList& list, QWidget* parent)
    : QTableView(parent), list_(list) {
    setObjectName(QStringLiteral("transferList"));
    setAccessibleName(QStringLiteral("传输列表"));
    setModel(&list);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    const int widths[TransferList::kColumnCount] = {175, 80, 70, 120, 120};
    for (int column = 0; column < TransferList::kColumnCount; ++column)
        setColumnWidth(column, widths[column]);
}

int TransferListView::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TransferListView::RemoveSelectedWaitingUpload() {
    const int row = SelectedRow();
    if (row >= 0) list_.RemoveWaitingUpload(row);
}

void TransferListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        RemoveSelectedWaitingUpload();
        return;
    }
    QTableView::keyPressEvent(event);
}

void TransferListView::contextMenuEvent(QContextMenuEvent* event) {
    if (SelectedRow() < 0) return;
    QMenu menu(this);
    menu.addAction(QStringLiteral("删除(&D)"), this,
                   &TransferListView::RemoveSelectedWaitingUpload);
    menu.exec(event->globalPos());
}

}  // namespace tessan
