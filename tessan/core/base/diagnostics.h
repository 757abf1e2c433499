// The client's diagnostics: one logging category per area, for what is dropped, refused or fails
// without a word to the user. Messages from QtInfoMsg up are on by default; QT_LOGGING_RULES
// ("tessan.transfers.debug=true") turns on more.
#pragma once

#include <QLoggingCategory>
#include <QString>

namespace tessan {

Q_DECLARE_LOGGING_CATEGORY(lcStartup)        // tessan.startup: lock, folders, program folder
Q_DECLARE_LOGGING_CATEGORY(lcLogin)          // tessan.login: server lookup, connection, verdict
Q_DECLARE_LOGGING_CATEGORY(lcNotifications)  // tessan.notifications: unknown and unhandled types
Q_DECLARE_LOGGING_CATEGORY(lcTransfers)  // tessan.transfers: unmatched progress, refused uploads
Q_DECLARE_LOGGING_CATEGORY(lcFiles)      // tessan.files: logs, remember.ini, para.ini
// tessan.engine: what the transfer library refused or failed at
Q_DECLARE_LOGGING_CATEGORY(lcEngine)
Q_DECLARE_LOGGING_CATEGORY(lcAccount)  // tessan.account: registration and recharge
Q_DECLARE_LOGGING_CATEGORY(lcSending)  // tessan.sending: what a send to friends passed over
Q_DECLARE_LOGGING_CATEGORY(lcVoice)    // tessan.voice: the sound card

// While it lives, the client's diagnostics (every tessan.* message that is enabled, and warnings of
// Qt itself) are appended to `path`, readable by the user only; a file grown past 1 MiB is kept
// as "<path>.old" and started afresh. Messages still reach the terminal as before. One at a time.
class DiagnosticsFile {
  public:
    explicit DiagnosticsFile(const QString& path);
    ~DiagnosticsFile();
    DiagnosticsFile(const DiagnosticsFile&) = delete;
    DiagnosticsFile& operator=(const DiagnosticsFile&) = delete;

    // Whether the file could be opened.
    bool IsOpen() const;
};

}  // namespace tessan
