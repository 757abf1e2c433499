// The transfer list at the bottom of the main window: a grid over TransferList, where Delete or
// "删除(&D)" in the context menu removes a selected upload that is still waiting.
#pragma once

#include <QTableView>

namespace tessan {

class TransferList;

class TransferListView final : public QTableView {
    Q_OBJECT
  public:
    // `list` must outlive the view.
    TransferListView(TransferList& list, QWidget* parent = nullptr);

    // The first selected row, -1 when none.
    int SelectedRow() const;
    void RemoveSelectedWaitingUpload();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    TransferList& list_;
};

}  // namespace tessan
