// AddressBookPage: "地址簿", the own account's friends. Until its own issue fills it, the page
// shows only its title.
#pragma once

#include "core/frame/page.h"

namespace tessan {

class AddressBookPage final : public Page {
    Q_OBJECT
  public:
    explicit AddressBookPage(ClientSession& session, QWidget* parent = nullptr);
};

}  // namespace tessan
