// A page that shows only its title: the place of a page whose widget is not wired in yet.
#pragma once

#include "core/frame/page.h"

namespace tessan {

class TitledPage final : public Page {
    Q_OBJECT
  public:
    TitledPage(ClientSession& session, const QString& title, const QString& objectName,
               bool showsTransferList, QWidget* parent = nullptr);
    bool ShowsTransferList() const override { return showsTransferList_; }

  private:
    bool showsTransferList_;
};

}  // namespace tessan
