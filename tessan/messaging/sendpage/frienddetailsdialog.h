// "好友详情": one friend's profile, read-only, from the page's copy of it.
#pragma once

#include "core/records/userprofile.h"

#include <QDialog>

namespace tessan {

class FriendDetailsDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit FriendDetailsDialog(const UserProfile& profile, QWidget* parent = nullptr);
    // The text shown for `label` ("公钥", "姓名", ...); empty when there is no such line.
    QString Shown(const QString& label) const;
};

}  // namespace tessan
