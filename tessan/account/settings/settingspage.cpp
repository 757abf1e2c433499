#include "account/settings/settingspage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessan {

SettingsPage::SettingsPage(ClientSession& session, QWidget* parent)
    : Page(session, QStringLiteral("系统设置"), QStringLiteral("settingsPage"), parent) {
    auto* label = new QLabel(Title(), this);
    label->setObjectName(QStringLiteral("pageTitle"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}

}  // namespace tessan
