// AddFriendFlow: the two steps of the add-friend dialog, asking in one edit box first for the
// friend's number and then for the friend's public key. The dialog shows View() after each step
// and reads Step(), FriendNumber() and FriendKey() when it closes; only step 2 means both values
// were given.
#pragma once

#include "core/base/messageboxes.h"

#include <QString>

#include <optional>

namespace tessan {

class AddFriendFlow {
  public:
    // The most GBK bytes the edit box takes.
    static constexpr qsizetype kEditLimit = 31;

    struct View {
        QString prompt;
        bool backEnabled = false;
        QString nextLabel;
        // Text to put into the edit box, when the step changes it.
        std::optional<QString> editText;
        bool selectAll = false;
    };

    explicit AddFriendFlow(MessageBoxes& boxes);

    // "下一步>>" / "完成" (also Enter) with the edit box's text. True when the dialog closes with
    // OK.
    bool Next(const QString& editText);
    // "<<上一步".
    void Back();

    int Step() const { return step_; }
    const QString& FriendNumber() const { return friendNumber_; }
    const QString& FriendKey() const { return friendKey_; }
    // What the dialog shows now; the edit text only right after a step that sets it.
    const View& CurrentView() const { return view_; }

  private:
    void AskForNumber();

    MessageBoxes& boxes_;
    int step_ = 0;
    QString friendNumber_;
    QString friendKey_;
    View view_;
};

}  // namespace tessan
