// The transfer list at the bottom of the main window: a grid over the queue's TransferTable, where
// Delete or "删除(&D)" in the context menu removes a selected upload that is still waiting.
#pragma once

#include <QTableView>

namespace tessan {

class TransferQueue;

class TransferListView final : public QTableView {
    Q_OBJECT
  public:
    // `queue` must outlive the view.
    TransferListView(TransferQueue& queue, QWidget* parent = nullptr);

    static constexpr int kVisibleRows = 6;
    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

    // The first selected row, -1 when none.
    int SelectedRow() const;
    void RemoveSelectedWaitingUpload();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    TransferQueue& queue_;
};

}  // namespace tessan
