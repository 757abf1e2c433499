#include "core/base/messageboxes.h"

namespace tessan {

const QString MessageBoxes::kProgramCaption = QStringLiteral("Tessan");

void MessageBoxes::Tell(const QString& text, Icon icon) {
    Show({text, QString(), icon, Buttons::Ok, Answer::Ok});
}

bool MessageBoxes::AskYesNo(const QString& text, const QString& caption, Icon icon,
                            Answer defaultAnswer) {
    return Show({text, caption, icon, Buttons::YesNo, defaultAnswer}) == Answer::Yes;
}

}  // namespace tessan
