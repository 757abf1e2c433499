// The one way the client asks the user something or tells an input error in a modal box. Pages and
// dialogs get a MessageBoxes& through their constructor; the program passes QtMessageBoxes, tests
// a ScriptedMessageBoxes that records every box and answers from a script.
#pragma once

#include <QString>

namespace tessan {

class MessageBoxes {
  public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    struct Box {
        QString text;
        QString caption;  // empty: the program's name, kProgramCaption
        Icon icon = Icon::None;
        Buttons buttons = Buttons::Ok;
        // Button that Enter presses; the first button of the set when it is not one of them.
        Answer defaultAnswer = Answer::Ok;
    };

    static const QString kProgramCaption;

    virtual ~MessageBoxes() = default;

    // Shows the box modally and returns the button pressed. Closing the box without a button
    // answers Cancel for OK/Cancel, No for Yes/No and Ok for a lone OK.
    virtual Answer Show(const Box& box) = 0;

    // An input error or a plain message: OK only, the program's name as caption.
    void Tell(const QString& text, Icon icon = Icon::None);
    // A Yes/No question; true for Yes.
    bool AskYesNo(const QString& text, const QString& caption, Icon icon = Icon::Question,
                  Answer defaultAnswer = Answer::Yes);
};

}  // namespace tessan
