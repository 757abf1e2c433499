// MessageBoxes for tests: records every box and answers from a script given beforehand.
#pragma once

#include "core/base/messageboxes.h"

#include <deque>
#include <functional>
#include <vector>

namespace tessan {

class ScriptedMessageBoxes final : public MessageBoxes {
  public:
    // Answers given in order, one per box. A box without a scripted answer is answered with the
    // box's escape answer (Cancel, No or Ok) and counted in Unscripted().
    void Script(std::initializer_list<Answer> answers) { answers_.insert(answers_.end(), answers); }

    Answer Show(const Box& box) override;
    // Runs once, while the next box is on screen: what the box's own event loop would handle
    // meanwhile (a notification, the user's clicks elsewhere).
    std::function<void()> whileOpen;

    const std::vector<Box>& Shown() const { return shown_; }
    QStringList Texts() const;
    int Unscripted() const { return unscripted_; }
    void Reset();

  private:
    std::deque<Answer> answers_;
    std::vector<Box> shown_;
    int unscripted_ = 0;
};

}  // namespace tessan
