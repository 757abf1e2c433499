#include "messaging/sendingpipeline.h"

#include "core/base/diagnostics.h"
#include "core/base/gbk.h"
#include "core/login/serverlist.h"
#include "core/session/clientsession.h"
#include "core/transfers/transferqueue.h"

#include <QFileInfo>
#include <QPointer>

#include <new>

namespace tessan {
namespace {

using Field = TransferItem::Field;
using Refusal = TransferQueue::Refusal;

}  // namespace

SendingPipeline::SendingPipeline(ClientSession& session, TransferQueue& transfers, QObject* parent)
    : QObject(parent), session_(session), transfers_(transfers) {}

bool SendingPipeline::Resolve(const Recipient& to, QByteArray& address, int& port) {
    port = kDefaultServerPort;
    const QByteArray number = to.number;  // zero-terminated for the lookup
    if (ResolveServer(session_.AppDir(), number.constData(), address, port) == 1) return true;
    session_.ShowNotice(
        QStringLiteral("无法解析用户：%1所在的服务器信息!").arg(GbkToQString(to.number)), true);
    return false;
}

SendingPipeline::Enqueued SendingPipeline::EnqueueUpload(const Recipient& to,
                                                         const QByteArray& serverAddress,
                                                         int serverPort, const QString& localPath,
                                                         const QString& remoteName, int* row) {
    // Read anew for every recipient: the file may have changed since the last one.
    const QFileInfo file(localPath);
    if (!file.exists() || !file.isFile()) {
        session_.ShowNotice(QStringLiteral("无法上传文件:%1，请确定是否存在!").arg(localPath),
                            true);
        return Enqueued::Skipped;
    }
    if (file.size() <= 0) {
        session_.ShowNotice(QStringLiteral("无法上传文件:%1，文件长度为零!").arg(localPath), true);
        return Enqueued::Skipped;
    }
    // The library stores the file under its base name and reports progress with it.
    const QString storedName = file.fileName();
    if (remoteName != storedName)
        qCWarning(lcSending) << "remote name" << remoteName << "differs from the stored name"
                             << storedName << "- the stored name is used";

    std::unique_ptr<TransferItem> item;
    try {
        item = std::make_unique<TransferItem>(TransferItem::Direction::Upload);
    } catch (const std::bad_alloc&) {
        session_.ShowNotice(QStringLiteral("没有足够内存"), true);
        return Enqueued::NoMemory;
    }
    // Fields that would be cut would name another file or account: refuse rather than guess.
    const bool whole = item->SetText(Field::RemoteName, storedName) &&
                       item->SetLocalPath(localPath) &&
                       item->SetRaw(Field::PeerNumber, to.number) &&
                       item->SetRaw(Field::AccountNumber, to.number) &&
                       item->SetRaw(Field::AccountKey, to.publicKey);
    if (!whole) {
        session_.ShowNotice(QStringLiteral("无法上传文件:%1，文件路径太长!").arg(localPath), true);
        return Enqueued::Skipped;
    }
    // A display name may be cut at a character; it only labels the row and the log.
    item->SetRaw(Field::PeerName, to.name);
    // A host name longer than the record's field travels whole beside it.
    const bool serverFits = item->SetRaw(Field::ServerAddress, serverAddress);
    item->SetServerPort(serverPort);
    const int added = transfers_.AppendUpload(std::move(item), file.size(),
                                              serverFits ? QByteArray() : serverAddress);
    if (row) *row = added;
    return Enqueued::Queued;
}

bool SendingPipeline::SendImmediately(const Recipient& to, const QString& localPath,
                                      const QString& remoteName) {
    QByteArray address;
    int port = kDefaultServerPort;
    if (!Resolve(to, address, port)) return false;
    int row = -1;
    if (EnqueueUpload(to, address, port, localPath, remoteName, &row) != Enqueued::Queued)
        return false;
    // Unreachable takes the row with every other upload to this friend; a refused file takes its
    // row, but the connection stands.
    return transfers_.StartUpload(row, Refusal::Long) != TransferQueue::StartResult::Unreachable;
}

void SendingPipeline::FanOut(const std::vector<Recipient>& recipients,
                             const std::vector<OutgoingFile>& files) {
    for (const Recipient& to : recipients) {
        QByteArray address;
        int port = kDefaultServerPort;
        if (!Resolve(to, address, port)) continue;
        for (const OutgoingFile& file : files) {
            // Rows already queued stay, but this send starts nothing.
            if (EnqueueUpload(to, address, port, file.localPath, file.remoteName) ==
                Enqueued::NoMemory)
                return;
        }
    }
    // Friends who have no upload running yet start now; the others' rows wait for their turn.
    if (transfers_.RowCount() > 0) transfers_.StartNextUpload(Refusal::Long);
}

void SendingPipeline::FanOutFile(const std::vector<Recipient>& recipients, const QString& localPath,
                                 const QString& remoteName) {
    FanOut(recipients, {{localPath, remoteName}});
}

SendImmediatelyFn SendingPipeline::Immediately() {
    QPointer<SendingPipeline> self(this);
    return [self](const Recipient& to, const QString& localPath, const QString& remoteName) {
        return self && self->SendImmediately(to, localPath, remoteName);
    };
}

}  // namespace tessan
