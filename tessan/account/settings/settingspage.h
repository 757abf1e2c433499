// SettingsPage: "系统设置", the settings sheet with the own profile and the transfer logs. The
// sheet's current tab refills each time the page is shown; a new own profile brings the profile
// tab to the front. The key-change notice leaves through `keyNotice`.
#pragma once

#include "account/settings/profilesettings.h"
#include "core/frame/page.h"

namespace tessan {

class CSetupSheet;

class SettingsPage final : public Page {
    Q_OBJECT
  public:
    SettingsPage(ClientSession& session, ProfileSettings::KeyNotice keyNotice,
                 QWidget* parent = nullptr);

    ProfileSettings& Profile() { return profile_; }
    CSetupSheet& Sheet() const { return *sheet_; }
    void Shown() override;

  private:
    ProfileSettings profile_;
    CSetupSheet* sheet_;
};

}  // namespace tessan
