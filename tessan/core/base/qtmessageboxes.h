// MessageBoxes shown as QMessageBox, modal over the window the user is working in.
#pragma once

#include "core/base/messageboxes.h"

namespace tessan {

class QtMessageBoxes final : public MessageBoxes {
  public:
    Answer Show(const Box& box) override;
};

}  // namespace tessan
