// The received-files page: the list of files stored in the own space with its four buttons, its
// context menu, the space summary and the used-space bar. What a click or a notification does is
// ReceivedFiles'; this widget shows its model and state and passes the selection in.
#pragma once

#include "core/frame/page.h"
#include "messaging/received/overwritedialog.h"
#include "messaging/received/receivedfiles.h"

#include <QTimer>

#include <memory>

class QLabel;
class QMenu;
class QProgressBar;
class QTableView;

namespace tessan {

class ImageButton;

class ReceivedFilesPage final : public Page {
    Q_OBJECT
  public:
    // Opens the text or voice message dialog for a reply, modal over `parent` (ReplyDialogs).
    using ReplyFn = std::function<void(const ReplyDraft& draft, QWidget* parent)>;

    struct Replies {
        ReplyFn text;
        ReplyFn voice;
    };

    // What the rules use (ReceivedFiles); `replies` open the message dialogs.
    ReceivedFilesPage(ClientSession& session, LoginState& login, Library& library,
                      MessageBoxes& boxes, TransferQueue& transfers,
                      std::function<void()> openLogin, Replies replies, QWidget* parent = nullptr);
    ~ReceivedFilesPage() override;

    bool ShowsTransferList() const override { return true; }
    // Each time the page is shown, the list is asked for again.
    void Shown() override { rules_->Refresh(); }

    ReceivedFiles& Rules() { return *rules_; }
    QTableView* View() const { return view_; }
    // The context menu as it opens on a right click; the caller owns it.
    std::unique_ptr<QMenu> ContextMenu();
    // The view's selected rows.
    QList<int> SelectedRows() const;

    void ReplyWithText();
    void ReplyWithVoice();

    // The view's repaints while rows arrive are held back this long, at most.
    static constexpr int kRepaintIntervalMs = 100;

  private:
    void HoldRepaints();
    void ShowSummary(const ReceivedFilesModel::SpaceSummary& summary);

    std::unique_ptr<OverwriteDialogQuestion> overwrite_;
    std::unique_ptr<ReceivedFiles> rules_;
    Replies replies_;
    ImageButton* selectAll_;
    ImageButton* refresh_;
    ImageButton* delete_;
    ImageButton* download_;
    QTableView* view_;
    QLabel* summary_;
    QProgressBar* bar_;
    QTimer repaintTimer_;
};

}  // namespace tessan
