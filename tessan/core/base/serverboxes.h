// ServerBoxes: the boxes a server causes (its payment reminder, its notices, the question whether
// an upload may overwrite a file there, a refused key) never stack. Each is shown after the
// notification that caused it has been handled, so the library goes on meanwhile; one at a time,
// in the order they came; a box like the one on screen, or like one already waiting, is not shown
// again, unless its answer is awaited. A flood of them is one box, not a pile the user has to
// click away.
#pragma once

#include "core/base/messageboxes.h"

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>
#include <optional>

namespace tessan {

class ServerBoxes final : public QObject {
    Q_OBJECT
  public:
    using Then = std::function<void(MessageBoxes::Answer)>;
    // Runs a call once the current notification has been handled.
    using Later = std::function<void(std::function<void()>)>;

    // `boxes` must outlive this. `later` empty: the call is queued on the event loop.
    explicit ServerBoxes(MessageBoxes& boxes, Later later = {}, QObject* parent = nullptr);

    // Shows `box` when its turn comes and hands the answer to `then`, unless `context` went
    // meanwhile. False when a box without `then` repeats the one on screen or one waiting:
    // nothing is shown. A box with `then` is always shown, since its caller waits for the answer.
    bool Show(const MessageBoxes::Box& box, const QObject* context = nullptr, Then then = {});

    bool Showing() const { return open_.has_value(); }
    int Waiting() const { return static_cast<int>(waiting_.size()); }

  private:
    struct Pending {
        MessageBoxes::Box box;
        QPointer<const QObject> context;
        bool hasContext = false;
        Then then;
    };
    void ShowWaiting();

    MessageBoxes& boxes_;
    Later later_;
    std::deque<Pending> waiting_;
    std::optional<MessageBoxes::Box> open_;
    bool scheduled_ = false;
};

}  // namespace tessan
