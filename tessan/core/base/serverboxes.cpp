#include "core/base/serverboxes.h"

#include "core/base/diagnostics.h"

#include <algorithm>

namespace tessan {

namespace {

bool Same(const MessageBoxes::Box& a, const MessageBoxes::Box& b) {
    return a.text == b.text && a.caption == b.caption && a.icon == b.icon && a.buttons == b.buttons;
}

}  // namespace

ServerBoxes::ServerBoxes(MessageBoxes& boxes, Later later, QObject* parent)
    : QObject(parent), boxes_(boxes), later_(std::move(later)) {
    if (!later_)
        later_ = [this](std::function<void()> call) {
            QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
        };
}

bool ServerBoxes::Show(const MessageBoxes::Box& box, const QObject* context, Then then) {
    // A question is awaited: the same words may ask about another friend's file.
    const bool repeat =
        !then && ((open_ && Same(*open_, box)) ||
                  std::any_of(waiting_.begin(), waiting_.end(),
                              [&box](const Pending& p) { return Same(p.box, box); }));
    if (repeat) {
        qCInfo(lcNotifications) << "a box like one on screen or waiting, not shown again:"
                                << box.text;
        return false;
    }
    waiting_.push_back({box, context, context != nullptr, std::move(then)});
    // A box on screen: the loop below takes this one when that box closes.
    if (!open_ && !std::exchange(scheduled_, true)) later_([this] { ShowWaiting(); });
    return true;
}

void ServerBoxes::ShowWaiting() {
    scheduled_ = false;
    if (open_) return;
    while (!waiting_.empty()) {
        Pending next = std::move(waiting_.front());
        waiting_.pop_front();
        // Its question concerned something that is gone.
        if (next.hasContext && !next.context) continue;
        open_ = next.box;
        const MessageBoxes::Answer answer = boxes_.Show(next.box);
        open_.reset();
        if (next.then && (!next.hasContext || next.context)) next.then(answer);
    }
}

}  // namespace tessan
