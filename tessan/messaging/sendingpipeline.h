// The sending pipeline: a file for a friend is uploaded into the friend's space on the friend's
// own server, through a connection opened under the friend's number and public key. Every upload
// is first a row of the transfer queue; the queue hands the library each friend's uploads one at a
// time, in row order, except where a dialog sends at once.
//
// Pages use it three ways:
//   - SendImmediately(recipient, path, remoteName): one file to one friend, started at once even
//     while other uploads run (text and voice dialogs, the public-key notice). True when the
//     connection was opened, or when the friend's server, named by its host name, is being looked
//     up (a name not found is then a notice); the dialogs close only then. Immediately() wraps it
//     for the dialogs.
//   - FanOut(recipients, files): every file to every recipient, friend by friend; the friends
//     without an upload running start at once (the send page's send button).
//   - FanOutFile(recipients, path, remoteName): the same for one file (group text, group voice,
//     the key-change notice of the settings page).
// Failures are reported as notices; nothing here asks the user. What the friends' servers answer
// is the transfer queue's, which owns their connections. The remote name is always the base name of
// the local path: the library stores a file under that name and the transfer list matches progress
// on it.
#pragma once

#include "messaging/recipient.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <vector>

namespace tessan {

class ClientSession;
class TransferQueue;

class SendingPipeline final : public QObject {
    Q_OBJECT
  public:
    struct OutgoingFile {
        QString localPath;
        QString remoteName;
    };
    enum class Enqueued { Queued, Skipped, NoMemory };

    // Both must outlive the pipeline.
    SendingPipeline(ClientSession& session, TransferQueue& transfers, QObject* parent = nullptr);

    // Appends a waiting upload row for `to` on the given server; does not connect. `row` receives
    // the new row's index when queued.
    Enqueued EnqueueUpload(const Recipient& to, const QByteArray& serverAddress, int serverPort,
                           const QString& localPath, const QString& remoteName, int* row = nullptr);
    bool SendImmediately(const Recipient& to, const QString& localPath, const QString& remoteName);
    void FanOut(const std::vector<Recipient>& recipients, const std::vector<OutgoingFile>& files);
    void FanOutFile(const std::vector<Recipient>& recipients, const QString& localPath,
                    const QString& remoteName);
    // SendImmediately for the text and voice dialogs; safe to call after the pipeline is gone.
    SendImmediatelyFn Immediately();

  private:
    bool Resolve(const Recipient& to, QByteArray& address, int& port);

    ClientSession& session_;
    TransferQueue& transfers_;
};

}  // namespace tessan
