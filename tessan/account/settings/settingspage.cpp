#include "account/settings/settingspage.h"

#include "account/settings/setupsheet.h"
#include "core/session/clientsession.h"

#include <QVBoxLayout>

namespace tessan {

SettingsPage::SettingsPage(ClientSession& session, Library& library, MessageBoxes& boxes,
                           ProfileSettings::KeyNotice keyNotice, QWidget* parent)
    : Page(session, QStringLiteral("系统设置"), QStringLiteral("settingsPage"), parent),
      profile_(
          library, boxes, session.CurrentAccount(),
          [&session]() -> const UserProfile& { return session.OwnProfile(); },
          std::move(keyNotice)),
      sheet_(new CSetupSheet(profile_, session.AppDir(), session.CurrentAccount(), this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet_);
    connect(&session, &ClientSession::ownProfileChanged, sheet_, &CSetupSheet::ShowProfile);
}

}  // namespace tessan
