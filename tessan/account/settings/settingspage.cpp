#include "account/settings/settingspage.h"

#include "account/settings/setupsheet.h"
#include "core/session/arrivalswitch.h"
#include "core/session/clientsession.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace tessan {

SettingsPage::SettingsPage(ClientSession& session, Library& library, MessageBoxes& boxes,
                           ProfileSettings::KeyNotice keyNotice, ArrivalSwitch& arrivals,
                           QWidget* parent)
    : Page(session, QStringLiteral("系统设置"), QStringLiteral("settingsPage"), parent),
      profile_(
          library, boxes, session.CurrentAccount(),
          [&session]() -> const UserProfile& { return session.OwnProfile(); },
          std::move(keyNotice)),
      sheet_(new CSetupSheet(profile_, session.AppDir(), session.CurrentAccount(), this)),
      arrivalBox_(new QCheckBox(QStringLiteral("在后台查收新文件并提醒"), this)) {
    arrivalBox_->setObjectName(QStringLiteral("arrivalSwitch"));
    arrivalBox_->setChecked(arrivals.IsOn());
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(sheet_);
    layout->addWidget(arrivalBox_);
    connect(arrivalBox_, &QCheckBox::toggled, &arrivals, &ArrivalSwitch::Set);
    connect(&arrivals, &ArrivalSwitch::changed, arrivalBox_, &QCheckBox::setChecked);
    connect(&session, &ClientSession::ownProfileChanged, sheet_, &CSetupSheet::ShowProfile);
}

}  // namespace tessan
