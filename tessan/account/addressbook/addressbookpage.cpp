#include "account/addressbook/addressbookpage.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tessan {

AddressBookPage::AddressBookPage(ClientSession& session, QWidget* parent)
    : Page(session, QStringLiteral("地址簿"), QStringLiteral("addressBookPage"), parent) {
    auto* label = new QLabel(Title(), this);
    label->setObjectName(QStringLiteral("pageTitle"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addStretch();
}

}  // namespace tessan
