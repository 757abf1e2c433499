#include "testsupport/scriptedmessageboxes.h"

#include <QStringList>

#include <utility>

namespace tessan {

MessageBoxes::Answer ScriptedMessageBoxes::Show(const Box& box) {
    shown_.push_back(box);
    if (auto during = std::exchange(whileOpen, {})) during();
    if (answers_.empty()) {
        ++unscripted_;
        if (box.buttons == Buttons::OkCancel) return Answer::Cancel;
        if (box.buttons == Buttons::YesNo) return Answer::No;
        return Answer::Ok;
    }
    const Answer answer = answers_.front();
    answers_.pop_front();
    return answer;
}

QStringList ScriptedMessageBoxes::Texts() const {
    QStringList texts;
    for (const Box& box : shown_) texts.append(box.text);
    return texts;
}

void ScriptedMessageBoxes::Reset() {
    answers_.clear();
    shown_.clear();
    unscripted_ = 0;
}

}  // namespace tessan
