// SettingsPage: "系统设置", the settings sheet with the own profile and the transfer logs. A tab
// refills when it becomes the current tab, not when the page is shown again, so what the user
// typed survives a visit to another page; a new own profile brings the profile tab to the front
// and refills it. The key-change notice leaves through `keyNotice`.
#pragma once

#include "account/settings/profilesettings.h"
#include "core/frame/page.h"

namespace tessan {

class CSetupSheet;

class SettingsPage final : public Page {
    Q_OBJECT
  public:
    // The profile is saved through `library`; both must outlive the page.
    SettingsPage(ClientSession& session, Library& library, MessageBoxes& boxes,
                 ProfileSettings::KeyNotice keyNotice, QWidget* parent = nullptr);

    ProfileSettings& Profile() { return profile_; }
    CSetupSheet& Sheet() const { return *sheet_; }

  private:
    ProfileSettings profile_;
    CSetupSheet* sheet_;
};

}  // namespace tessan
