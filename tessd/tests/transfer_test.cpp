// Uploads into a space, listing, downloading, deleting, quota and configuration files.
#include <fstream>

#include "packet.h"
#include "test_client.h"
#include "text.h"

namespace tessd::test {
namespace {

using namespace tessnet;
namespace fs = std::filesystem;

// Downloads a stored file; returns the reassembled bytes and the final answer.
struct DownloadResult {
    Bytes content;
    std::vector<ChunkHead> heads;
    std::vector<PacketHeader> headers;
    std::optional<Packet> answer;
};

DownloadResult DownloadFile(RawClient& c, std::string_view stored) {
    DownloadResult r;
    c.SendName(CMD_DOWNLOAD, stored);
    while (auto p = c.Receive()) {
        if (p->header.command == CMD_DOWNLOAD_ANSWER) {
            r.answer = std::move(p);
            break;
        }
        if (p->header.command != CMD_CHUNK) continue;
        ChunkHead head;
        EXPECT_TRUE(ChunkHead::Decode(p->payload.data(), p->payload.size(), head));
        EXPECT_EQ(head.fileOffset, r.content.size());
        r.content.insert(r.content.end(), p->payload.begin() + ChunkHead::kSize,
                         p->payload.begin() + ChunkHead::kSize + head.chunkLength);
        r.heads.push_back(head);
        r.headers.push_back(p->header);
    }
    return r;
}

std::size_t FilesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++n;
    return n;
}

using TransferTest = ServerTest;

TEST_F(TransferTest, UploadListDownloadDeleteRoundTrip) {
    const Bytes content = RandomBytes(2 * kChunkData + 1, 1);  // three chunks, last of one byte
    const std::string name = Gbk("报告.bin");
    EXPECT_EQ(Upload(bob_, name, content, alice_.number), kUploadReceived);

    auto bob = LoginOwner(bob_);
    const auto entries = ListFiles(*bob);
    ASSERT_EQ(entries.size(), 1u);
    const std::string stored = alice_.number + "@" + name;
    EXPECT_EQ(entries[0].senderNumber, alice_.number);
    EXPECT_EQ(entries[0].senderName, alice_.name);
    EXPECT_EQ(entries[0].senderKey, alice_.publicKey);
    EXPECT_EQ(entries[0].storedName, stored);
    EXPECT_EQ(entries[0].fileSize, content.size());
    EXPECT_NEAR(entries[0].sentAt, std::time(nullptr), 60);

    const auto dl = DownloadFile(*bob, stored);
    EXPECT_EQ(dl.content, content);
    ASSERT_EQ(dl.heads.size(), 3u);
    for (std::uint32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(dl.heads[k].fileName, stored);
        EXPECT_EQ(dl.heads[k].sender, alice_.number);
        EXPECT_EQ(dl.heads[k].chunkCount, 3u);
        EXPECT_EQ(dl.heads[k].chunkNumber, k + 1);
        EXPECT_EQ(dl.heads[k].fileSize, content.size());
        EXPECT_EQ(dl.headers[k].pieceCount, 3u);
        EXPECT_EQ(dl.headers[k].pieceNumber, k + 2);
        EXPECT_LE(dl.headers[k].bodyLength, kMaxBodyLength);
    }
    ASSERT_TRUE(dl.answer);
    EXPECT_EQ(dl.answer->payload[0], 1);
    EXPECT_EQ(TextAt(dl.answer->payload, 1, kNameWidth), name);  // plain name, no sender
    EXPECT_FALSE(TextAt(dl.answer->payload, kDownloadText).empty());

    bob->SendName(CMD_DELETE, stored);
    auto del = bob->Expect(CMD_DELETE_RESULT);
    ASSERT_TRUE(del);
    EXPECT_EQ(del->payload[0], 1);
    EXPECT_TRUE(ListFiles(*bob).empty());
    EXPECT_EQ(FilesIn(dir_ / "files"), 0u);

    bob->SendName(CMD_DELETE, stored);
    del = bob->Expect(CMD_DELETE_RESULT);
    ASSERT_TRUE(del);
    EXPECT_EQ(del->payload[0], 0);
    const auto missing = DownloadFile(*bob, stored);
    EXPECT_TRUE(missing.content.empty());
    ASSERT_TRUE(missing.answer);
    EXPECT_EQ(missing.answer->payload[0], 0);
}

TEST_F(TransferTest, ExistingNameAsksAndOverwritesOnlyWhenChunksCome) {
    ASSERT_EQ(Upload(bob_, "a.txt", Bytes(100, 'x'), alice_.number), kUploadReceived);
    auto c = Connect();
    ASSERT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
    c->Announce("a.txt", 50, alice_.number);
    auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[0], 1);
    EXPECT_EQ(answer->payload[1], kUploadExists);
    EXPECT_EQ(TextAt(answer->payload, kUploadName, kNameWidth), "a.txt");
    EXPECT_EQ(answer->payload[262], 0);

    // Cancelled on the client: nothing arrives, the old file stays.
    auto bob = LoginOwner(bob_);
    EXPECT_EQ(ListFiles(*bob).at(0).fileSize, 100u);

    // Confirmed: the chunks replace it.
    c->SendChunks("a.txt", Bytes(50, 'y'), alice_.number);
    answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[1], kUploadReceived);
    const auto entries = ListFiles(*bob);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].fileSize, 50u);
    EXPECT_EQ(DownloadFile(*bob, alice_.number + "@a.txt").content, Bytes(50, 'y'));
    EXPECT_EQ(FilesIn(dir_ / "files"), 1u);
}

TEST_F(TransferTest, QuotaOfTheUserTypeIsEnforced) {
    constexpr std::uint32_t kFree = 5u << 20;
    auto c = Connect();
    ASSERT_EQ(c->LoginStatus(bob_.number, bob_.publicKey), 1);
    c->Announce("big.bin", kFree + 1, alice_.number);
    auto answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[0], 0);
    EXPECT_EQ(answer->payload[1], kUploadOverQuota);
    EXPECT_FALSE(TextAt(answer->payload, kUploadText).empty());

    // Announcing small and then streaming a larger file is caught at the first chunk.
    c->Announce("sneaky.bin", 10, alice_.number);
    answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->payload[1], kUploadGo);
    ChunkHead head{"sneaky.bin", kFree + 1, alice_.number, 700, 1, 0, 0};
    c->Send(CMD_CHUNK, head.Encode(Bytes(kChunkData, 0).data(), kChunkData), 700, 2);
    answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[1], kUploadOverQuota);

    // A business account holds more.
    store_->AddCard("card", "pw", '1');
    ASSERT_EQ(store_->Recharge(bob_.number, '1', "card", "pw"), RechargeResult::Ok);
    c->Announce("big.bin", kFree + 1, alice_.number);
    answer = c->Expect(CMD_ANNOUNCE_ANSWER);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->payload[1], kUploadGo);
}

TEST_F(TransferTest, OwnerSeesSendersFromElsewhereWithTheKeyOfTheAddressBook) {
    store_->PutFriend(bob_.number, "0099-1-7777777", "remote-key");
    ASSERT_EQ(Upload(bob_, "r.txt", Bytes(10, 'r'), "0099-1-7777777"), kUploadReceived);
    ASSERT_EQ(Upload(bob_, "s.txt", Bytes(10, 's'), "0099-1-8888888"), kUploadReceived);
    auto bob = LoginOwner(bob_);
    const auto entries = ListFiles(*bob);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].senderKey, "remote-key");
    EXPECT_EQ(entries[1].senderKey, "");
    EXPECT_EQ(entries[1].storedName, "0099-1-8888888@s.txt");
}

TEST_F(TransferTest, ManyFilesListInSeveralPacketsThenSummary) {
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(store_->CommitUpload(
                        bob_.number,
                        {0, alice_.number + "@f" + std::to_string(i), alice_.number, 1, 0}, [&] {
                            const auto path = store_->NewTempPath();
                            std::ofstream(path) << 'x';
                            return path;
                        }()) == CommitResult::Ok);
    auto bob = LoginOwner(bob_);
    const Bytes list{'l', 'i', 's', 't', ' ', 'f', 'i', 'l', 'e'};
    bob->Send(CMD_LIST, list);
    std::size_t entries = 0, packets = 0;
    while (auto p = bob->Receive()) {
        if (p->header.command == CMD_LIST_SUMMARY) {
            EXPECT_EQ(p->payload[0], 1);
            EXPECT_FALSE(TextAt(p->payload, 1).empty());
            break;
        }
        if (p->header.command != CMD_FILE_ENTRIES) continue;
        ++packets;
        EXPECT_EQ(p->payload.size() % FileEntry::kSize, 0u);
        EXPECT_LE(p->header.bodyLength, kMaxBodyLength);
        entries += p->payload.size() / FileEntry::kSize;
    }
    EXPECT_EQ(entries, 30u);
    EXPECT_GE(packets, 2u);
}

TEST_F(TransferTest, ConfigFilesComeFromTheConfigFolderOnly) {
    const Bytes content = RandomBytes(kChunkData + 10, 7);
    std::ofstream(dir_ / "config" / "serverlist.ini", std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    std::ofstream(dir_ / "secret.txt") << "secret";
    auto c = Connect();
    c->SendName(CMD_CONFIG_REQUEST, "serverlist.ini");
    Bytes got;
    while (auto p = c->Receive(1000ms)) {
        ASSERT_EQ(p->header.command, CMD_CONFIG_CHUNK);
        ChunkHead head;
        ASSERT_TRUE(ChunkHead::Decode(p->payload.data(), p->payload.size(), head));
        EXPECT_EQ(head.fileName, "serverlist.ini");
        got.insert(got.end(), p->payload.begin() + ChunkHead::kSize, p->payload.end());
        if (head.chunkNumber == head.chunkCount) break;
    }
    EXPECT_EQ(got, content);

    for (const char* bad : {"../secret.txt", "missing.ini", "/etc/passwd", "..\\secret.txt"}) {
        c->SendName(CMD_CONFIG_REQUEST, bad);
        auto p = c->Receive();
        ASSERT_TRUE(p) << bad;
        EXPECT_EQ(p->header.command, CMD_NOTICE) << bad;
        EXPECT_EQ(p->payload[0], 0);
    }
}

}  // namespace
}  // namespace tessd::test
