// The client's diagnostics: one logging category per area, for what is dropped, refused or fails
// without a word to the user. Messages from QtInfoMsg up are on by default; QT_LOGGING_RULES
// ("tessan.transfers.debug=true") turns on more.
#pragma once

#include <QLoggingCategory>

namespace tessan {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)        // tessan.startup: lock, folders, program folder
Q_DECLARE_LOGGING_CATEGORY(lcLogin)          // tessan.login: server lookup, connection, verdict
Q_DECLARE_LOGGING_CATEGORY(lcNotifications)  // tessan.notifications: unknown and unhandled types
Q_DECLARE_LOGGING_CATEGORY(lcTransfers)  // tessan.transfers: unmatched progress, refused uploads
Q_DECLARE_LOGGING_CATEGORY(lcFiles)      // tessan.files: logs, remember.ini, para.ini

}  // namespace tessan
