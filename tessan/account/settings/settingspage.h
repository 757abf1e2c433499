// SettingsPage: "系统设置", the own profile and the transfer logs. Until its own issue fills it,
// the page shows only its title.
#pragma once

#include "core/frame/page.h"

namespace tessan {

class SettingsPage final : public Page {
    Q_OBJECT
  public:
    explicit SettingsPage(ClientSession& session, QWidget* parent = nullptr);
};

}  // namespace tessan
