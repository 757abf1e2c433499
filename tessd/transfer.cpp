// The file side of a session: listing, downloading, deleting and receiving uploads, and the
// configuration files.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "session.h"
#include "text.h"
#include "wire_text.h"

namespace tessd {

using namespace tessnet;

namespace {

bool WriteAllAt(int fd, const std::uint8_t* data, std::size_t length, off_t offset) {
    while (length > 0) {
        const ssize_t n = ::pwrite(fd, data, length, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

std::size_t ReadUpTo(int fd, std::uint8_t* data, std::size_t length) {
    std::size_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd, data + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

constexpr std::size_t kMaxPendingUploads = 512;

}  // namespace

bool Session::SendChunks(std::uint8_t command, int fd, const std::string& fileName,
                         std::uint32_t size, const std::string& sender) {
    ChunkHead head;
    head.fileName = fileName;
    head.fileSize = size;
    head.sender = sender;
    // An empty file still gets one (empty) chunk, so that the client sees its last chunk.
    head.chunkCount =
        size == 0 ? 1 : static_cast<std::uint32_t>((size + kChunkData - 1) / kChunkData);
    std::uint8_t data[kChunkData];
    for (std::uint32_t k = 1; k <= head.chunkCount; ++k) {
        head.chunkNumber = k;
        head.fileOffset = (k - 1) * static_cast<std::uint32_t>(kChunkData);
        const std::size_t want = std::min<std::size_t>(kChunkData, size - head.fileOffset);
        // A body file shorter than its index entry is sent zero-padded rather than cut.
        const std::size_t got = ReadUpTo(fd, data, want);
        if (got < want) std::fill(data + got, data + want, std::uint8_t{0});
        if (!Send(command, head.Encode(data, want), head.chunkCount, k + 1)) return false;
    }
    return true;
}

bool Session::List() {
    if (!RequireOwner()) return Send(CMD_LIST_SUMMARY, StatusReply(0, Gbk("请先登录服务器!")));
    const auto files = store_.Files(account_);
    const auto friends = store_.Friends(account_);
    Bytes records(files.size() * FileEntry::kSize, 0);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const StoredFile& f = files[i];
        FileEntry e;
        e.senderNumber = f.sender;
        e.storedName = f.storedName;
        e.fileSize = f.size;
        e.sentAt = f.sentAt;
        // The key lets the owner answer the sender: the sender's own account when it is held
        // here, else the key the owner's address book knows.
        if (const auto sender = store_.FindAccount(f.sender)) {
            e.senderName = sender->Name();
            e.senderKey = sender->PublicKey();
        } else {
            if (const auto known = store_.FindRemoteProfile(f.sender)) e.senderName = known->Name();
            for (const FriendEntry& fr : friends)
                if (fr.number == f.sender) e.senderKey = fr.key;
        }
        e.EncodeInto(records.data() + i * FileEntry::kSize);
        total += f.size;
    }
    note_ = "list: " + std::to_string(files.size()) + " files";
    const std::string summary = Gbk("共有") + std::to_string(files.size()) + Gbk("个文件,占用") +
                                std::to_string((total + 1023) / 1024) + Gbk("KB空间.");
    return SendRecords(CMD_FILE_ENTRIES, records, FileEntry::kSize) &&
           Send(CMD_LIST_SUMMARY, StatusReply(1, summary));
}

bool Session::Download(const Bytes& b) {
    const Bytes req = PaddedCopy(b.data(), b.size(), kNameWidth);
    const std::string stored = ReadText(req.data(), kNameWidth);
    const auto split = StoredName::Split(stored);
    const std::string plain(split ? split->name : std::string_view());
    if (!RequireOwner())
        return Send(CMD_DOWNLOAD_ANSWER, DownloadReply(0, plain, NotAllowedText(role_)));
    note_ = "download " + Utf8(stored);
    const auto file = store_.FindFile(account_, stored);
    UniqueFd fd(file ? ::open(store_.BodyPath(file->id).c_str(), O_RDONLY | O_CLOEXEC) : -1);
    if (!fd.valid()) {
        note_ += " refused, no such file";
        return Send(CMD_DOWNLOAD_ANSWER, DownloadReply(0, plain, Gbk("文件不存在!")));
    }
    if (!SendChunks(CMD_CHUNK, fd.get(), stored, file->size, file->sender)) return false;
    note_ += " ok, " + std::to_string(file->size) + " bytes";
    return Send(CMD_DOWNLOAD_ANSWER,
                DownloadReply(1, plain, Gbk("文件:") + plain + Gbk("下载完毕!")));
}

bool Session::Delete(const Bytes& b) {
    const Bytes req = PaddedCopy(b.data(), b.size(), kNameWidth);
    const std::string stored = ReadText(req.data(), kNameWidth);
    if (!RequireOwner()) return Send(CMD_DELETE_RESULT, StatusReply(0, NotAllowedText(role_)));
    note_ = "delete " + Utf8(stored);
    if (!store_.DeleteFile(account_, stored)) {
        note_ += " refused, no such file";
        return Send(CMD_DELETE_RESULT, StatusReply(0, Gbk("文件不存在!")));
    }
    note_ += " ok";
    return Send(CMD_DELETE_RESULT, StatusReply(1, Gbk("文件:") + stored + Gbk("已经删除!")));
}

bool Session::FitsQuota(std::string_view storedName, std::uint64_t size) {
    const auto profile = store_.FindAccount(account_);
    if (!profile) return false;
    const auto existing = store_.FindFile(account_, storedName);
    const std::uint64_t used = store_.UsedSpace(account_) - (existing ? existing->size : 0);
    return used + size <= QuotaForUserType(profile->UserType());
}

bool Session::Announce(const Bytes& b) {
    const Announcement a = Announcement::Decode(b.data(), b.size());
    auto answer = [&](std::uint8_t status, std::uint8_t reason, const std::string& gbkText,
                      const char* why) {
        note_ += why;
        return Send(CMD_ANNOUNCE_ANSWER, UploadReply(status, reason, a.fileName, gbkText));
    };
    note_ = "announce " + Utf8(a.fileName) + " (" + std::to_string(a.fileSize) + " bytes)";
    if (role_ == Role::None)
        return answer(0, kUploadRefused, NotAllowedText(role_), " refused, not logged in");
    if (!IsSafeFileName(a.fileName))
        return answer(0, kUploadRefused, Gbk("文件名不合法!"), " refused, bad name");
    if (!IsAccountNumber(a.sender))
        return answer(0, kUploadRefused, Gbk("发送者号码不合法!"), " refused, bad sender");
    const std::string stored = StoredName{a.sender, a.fileName}.Joined();
    if (stored.size() >= kNameWidth)
        return answer(0, kUploadRefused, Gbk("文件名太长!"), " refused, name too long");
    if (a.fileSize == 0)
        return answer(0, kUploadRefused, Gbk("不能上传空文件!"), " refused, empty");
    if (!FitsQuota(stored, a.fileSize))
        return answer(0, kUploadOverQuota, Gbk("对方的Tessan空间已满，不能上传文件:") + a.fileName,
                      " refused, over quota");
    if (pending_.size() >= kMaxPendingUploads && !pending_.contains(a.fileName))
        return answer(0, kUploadRefused, Gbk("等待上传的文件太多!"), " refused, too many");
    // Announcing a file again starts it over.
    if (active_ && active_->fileName == a.fileName) active_.reset();
    pending_[a.fileName] = {a.sender, a.fileSize};
    if (store_.FindFile(account_, stored))
        return answer(1, kUploadExists, Gbk("文件已经存在!"), " exists, asking");
    return answer(1, kUploadGo, "", " released");
}

bool Session::FailUpload(std::uint8_t reason, std::string_view gbkText) {
    const std::string name = active_ ? active_->fileName : std::string();
    active_.reset();
    return Send(CMD_ANNOUNCE_ANSWER, UploadReply(0, reason, name, std::string(gbkText)));
}

bool Session::StartUpload(const ChunkHead& head) {
    const auto it = pending_.find(head.fileName);
    if (it == pending_.end()) return false;
    ActiveUpload up;
    up.fileName = head.fileName;
    up.sender = it->second.sender;
    up.size = head.fileSize;
    up.chunkCount = head.chunkCount;
    pending_.erase(it);
    const auto path = store_.NewTempPath();
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    up.file = TempFile(path, std::move(fd));
    active_ = std::move(up);
    return active_->file.fd() >= 0;
}

bool Session::Chunk(const Bytes& b) {
    if (role_ == Role::None) return true;  // chunks without a login are dropped
    ChunkHead head;
    const bool wellFormed = ChunkHead::Decode(b.data(), b.size(), head);
    if (!active_ || active_->fileName != head.fileName) {
        // A new file begins; a file left unfinished by this connection is abandoned.
        if (active_) {
            note_ = "upload " + Utf8(active_->fileName) + " abandoned; ";
            active_.reset();
        }
        if (!wellFormed || !pending_.contains(head.fileName)) {
            note_ += "chunk for " + Utf8(head.fileName) + " ignored, not announced";
            return true;
        }
        note_ += "upload " + Utf8(head.fileName) + " started";
        const bool first = head.chunkNumber == 1 && head.fileOffset == 0 && head.chunkCount >= 1;
        const std::string stored =
            StoredName{pending_[head.fileName].sender, head.fileName}.Joined();
        if (!StartUpload(head)) {
            note_ += ", cannot create the file";
            return FailUpload(kUploadBroken, Gbk("服务器保存文件失败!"));
        }
        if (!first || head.fileSize == 0) {
            note_ += ", refused: does not start with the first chunk";
            return FailUpload(kUploadBroken,
                              Gbk("上传数据错误，文件:") + head.fileName + Gbk("上传失败!"));
        }
        if (!FitsQuota(stored, head.fileSize)) {
            note_ += ", refused: over quota";
            return FailUpload(kUploadOverQuota,
                              Gbk("对方的Tessan空间已满，不能上传文件:") + head.fileName);
        }
    }
    ActiveUpload& up = *active_;
    if (!wellFormed || head.chunkNumber != up.nextChunk || head.fileOffset != up.written ||
        head.fileSize != up.size || head.chunkCount != up.chunkCount ||
        head.chunkLength > up.size - up.written) {
        note_ += "upload " + Utf8(up.fileName) + " refused: chunk out of order or too long";
        return FailUpload(kUploadBroken,
                          Gbk("上传数据错误，文件:") + up.fileName + Gbk("上传失败!"));
    }
    if (!WriteAllAt(up.file.fd(), b.data() + ChunkHead::kSize, head.chunkLength, up.written)) {
        note_ += "upload " + Utf8(up.fileName) + " failed: cannot write";
        return FailUpload(kUploadBroken, Gbk("服务器保存文件失败!"));
    }
    up.written += head.chunkLength;
    ++up.nextChunk;
    if (up.written == up.size) {
        if (head.chunkNumber != up.chunkCount) {
            note_ += "upload " + Utf8(up.fileName) + " refused: more chunks announced than data";
            return FailUpload(kUploadBroken,
                              Gbk("上传数据错误，文件:") + up.fileName + Gbk("上传失败!"));
        }
        return FinishUpload();
    }
    if (head.chunkNumber >= up.chunkCount) {
        note_ += "upload " + Utf8(up.fileName) + " refused: last chunk before the end";
        return FailUpload(kUploadBroken,
                          Gbk("上传数据错误，文件:") + up.fileName + Gbk("上传失败!"));
    }
    return true;
}

bool Session::FinishUpload() {
    ActiveUpload& up = *active_;
    StoredFile file;
    file.storedName = StoredName{up.sender, up.fileName}.Joined();
    file.sender = up.sender;
    file.size = up.size;
    file.sentAt = static_cast<std::uint32_t>(std::time(nullptr));
    ::fdatasync(up.file.fd());
    const auto result = store_.CommitUpload(account_, file, up.file.Release());
    const std::string name = up.fileName;
    active_.reset();
    note_ += "upload " + Utf8(name) + " (" + std::to_string(file.size) + " bytes)";
    switch (result) {
        case CommitResult::Ok:
            note_ += " stored";
            return Send(CMD_ANNOUNCE_ANSWER, UploadReply(1, kUploadReceived, name,
                                                         Gbk("文件:") + name + Gbk("上传成功!")));
        case CommitResult::OverQuota:
            note_ += " refused, over quota";
            return Send(CMD_ANNOUNCE_ANSWER,
                        UploadReply(0, kUploadOverQuota, name,
                                    Gbk("对方的Tessan空间已满，不能上传文件:") + name));
        case CommitResult::Failed:
            break;
    }
    note_ += " failed";
    return Send(CMD_ANNOUNCE_ANSWER,
                UploadReply(0, kUploadBroken, name, Gbk("服务器保存文件失败!")));
}

bool Session::ConfigFile(const Bytes& b) {
    const Bytes req = PaddedCopy(b.data(), b.size(), kNameWidth);
    const std::string name = ReadText(req.data(), kNameWidth);
    note_ = "config file " + Utf8(name);
    UniqueFd fd;
    struct stat st {};
    if (IsSafeFileName(name))
        fd = UniqueFd(::open((store_.Dir() / "config" / name).c_str(),
                             O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > 0xFFFFFFFFLL) {
        note_ += " refused, no such file";
        return Send(CMD_NOTICE, StatusReply(0, Gbk("配置文件:") + name + Gbk("不存在!")));
    }
    note_ += " ok";
    return SendChunks(CMD_CONFIG_CHUNK, fd.get(), name, static_cast<std::uint32_t>(st.st_size), "");
}

}  // namespace tessd
