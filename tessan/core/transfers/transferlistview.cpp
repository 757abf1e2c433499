#include "core/transfers/transferlistview.h"

#include "core/transfers/transferqueue.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>

namespace tessan {

TransferListView::TransferListView(TransferQueue& queue, QWidget* parent)
    : QTableView(parent), queue_(queue) {
    setObjectName(QStringLiteral("transferList"));
    setAccessibleName(QStringLiteral("传输列表"));
    setModel(&queue.Table());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(true);
    setWordWrap(false);
    verticalHeader()->hide();
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setHighlightSections(false);
    // The last column takes what is left of the width.
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Side by side without a scroll bar in the main window's width.
    const int widths[TransferTable::kColumnCount] = {160, 70, 70, 130, 100, 100};
    for (int column = 0; column < TransferTable::kColumnCount; ++column)
        setColumnWidth(column, widths[column]);
}

QSize TransferListView::minimumSizeHint() const {
    // The heading and six rows: a queue of a few files is seen whole.
    const int height = 2 * frameWidth() + horizontalHeader()->sizeHint().height() +
                       kVisibleRows * verticalHeader()->defaultSectionSize();
    return QSize(QTableView::minimumSizeHint().width(), height);
}

QSize TransferListView::sizeHint() const {
    return QTableView::sizeHint().expandedTo(minimumSizeHint());
}

int TransferListView::SelectedRow() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TransferListView::RemoveSelectedWaitingUpload() {
    const int row = SelectedRow();
    if (row >= 0) queue_.RemoveWaitingUpload(row);
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
