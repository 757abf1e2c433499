// SettingsPage: "系统设置", the settings sheet with the own profile and the transfer logs. A tab
// refills when it becomes the current tab, not when the page is shown again, so what the user
// typed survives a visit to another page; a new own profile brings the profile tab to the front
// and refills it. The key-change notice leaves through `keyNotice`. Under the sheet, the switch for
// the background check for new files and its announcements, taken at once.
#pragma once

#include "account/settings/profilesettings.h"
#include "core/frame/page.h"

class QCheckBox;

namespace tessan {

class ArrivalSwitch;
class CSetupSheet;

class SettingsPage final : public Page {
    Q_OBJECT
  public:
    // The profile is saved through `library`; it and `arrivals` must outlive the page.
    SettingsPage(ClientSession& session, Library& library, MessageBoxes& boxes,
                 ProfileSettings::KeyNotice keyNotice, ArrivalSwitch& arrivals,
                 QWidget* parent = nullptr);

    ProfileSettings& Profile() { return profile_; }
    CSetupSheet& Sheet() const { return *sheet_; }
    QCheckBox* ArrivalBox() const { return arrivalBox_; }

  private:
    ProfileSettings profile_;
    CSetupSheet* sheet_;
    QCheckBox* arrivalBox_;
};

}  // namespace tessan
