#include "core/base/diagnostics.h"

namespace tessan {

Q_LOGGING_CATEGORY(lcStartup, "tessan.startup", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLogin, "tessan.login", QtInfoMsg)
Q_LOGGING_CATEGORY(lcNotifications, "tessan.notifications", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTransfers, "tessan.transfers", QtInfoMsg)
Q_LOGGING_CATEGORY(lcFiles, "tessan.files", QtInfoMsg)

}  // namespace tessan
