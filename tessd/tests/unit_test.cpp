// Record layouts, name checks, stream cutting and the server list, without sockets.
#include <gtest/gtest.h>

#include "framing.h"
#include "packet.h"
#include "records.h"
#include "remote.h"
#include "text.h"

namespace tessd {
namespace {

using namespace tessnet;

TEST(Records, ReplyOffsetsMatchWhatTheClientReads) {
    const Bytes up = UploadReply(1, 3, "a.txt", "msg");
    EXPECT_EQ(up[0], 1);
    EXPECT_EQ(up[1], 3);
    EXPECT_EQ(ReadText(up.data() + 2, 260), "a.txt");
    EXPECT_EQ(up[262], 0);
    EXPECT_EQ(ReadText(up.data() + 263, 16), "msg");

    const Bytes dl = DownloadReply(1, "b.txt", "done");
    EXPECT_EQ(ReadText(dl.data() + 1, 260), "b.txt");
    EXPECT_EQ(ReadText(dl.data() + 261, 16), "done");

    const Bytes fr = FriendReply(1, "0086-10-1", "key", "text");
    EXPECT_EQ(ReadText(fr.data() + 1, 32), "0086-10-1");
    EXPECT_EQ(ReadText(fr.data() + 33, 32), "key");
    EXPECT_EQ(ReadText(fr.data() + 65, 16), "text");
}

TEST(Records, FieldsAreCutToTheirWidthAndShortPayloadsReadAsZero) {
    Bytes raw(UserProfile::kSize, 'A');  // no terminators anywhere
    const UserProfile p = UserProfile::FromBytes(raw.data(), raw.size());
    EXPECT_EQ(p.Number(), std::string(31, 'A'));
    EXPECT_EQ(p.data()[UserProfile::kNumber + 31], 0);
    EXPECT_EQ(p.PrivateKey(), std::string(31, 'A'));
    EXPECT_EQ(p.data()[UserProfile::kTailWord], 'A');  // non-text bytes are kept

    const Bytes shortLogin = {2, 1, 'a', 'b'};
    const LoginRequest login = LoginRequest::Decode(shortLogin.data(), shortLogin.size());
    EXPECT_EQ(login.account, "ab");
    EXPECT_EQ(login.key, "");

    ChunkHead head;
    const Bytes chunk = ChunkHead{"n", 10, "s", 1, 1, 0, 0}.Encode(Bytes(10, 'x').data(), 10);
    EXPECT_TRUE(ChunkHead::Decode(chunk.data(), chunk.size(), head));
    EXPECT_EQ(head.chunkLength, 10u);
    EXPECT_FALSE(ChunkHead::Decode(chunk.data(), chunk.size() - 1, head));  // data cut short
}

TEST(Text, FileNamesThatCouldLeaveAFolderAreRefused) {
    for (const char* ok : {"a.txt", "my file (1).doc", ".hidden", "a@b.txt"})
        EXPECT_TRUE(IsSafeFileName(ok)) << ok;
    for (const char* bad : {"", ".", "..", "../a", "a..b", "a/b", "a\\b", "/abs", "a\nb", "\x81"})
        EXPECT_FALSE(IsSafeFileName(bad)) << bad;
    EXPECT_FALSE(IsSafeFileName(std::string(260, 'a')));
    // GBK characters whose second byte is 0x5C are names, not separators.
    const std::string gbk = Gbk("表格.txt");
    EXPECT_TRUE(IsSafeFileName(gbk));
    EXPECT_TRUE(IsSafeFileName(std::string("\x95\x5C.txt")));
    EXPECT_FALSE(IsSafeFileName(std::string("\x95\x2F.txt")));  // lead byte before '/'
    EXPECT_EQ(Utf8(gbk), "表格.txt");
}

TEST(Text, AccountNumbers) {
    EXPECT_TRUE(IsAccountNumber("0086-10-1234567"));
    EXPECT_TRUE(IsAccountNumber("0086-10-12-34"));
    for (const char* bad : {"", "0086-10", "0086--1234567", "0086-10-12a", "a@b", "0086-10-1-"})
        EXPECT_FALSE(IsAccountNumber(bad)) << bad;
    EXPECT_TRUE(IsRegistrableNumber("0086-10-1234567"));
    EXPECT_TRUE(IsRegistrableNumber("001-99999-12345678"));
    for (const char* bad : {"86-10-1234567", "0086-010-1234567", "0086-10-123456",
                            "0086-10-123456789", "0086-10-12-34567", "000086-10-1234567"})
        EXPECT_FALSE(IsRegistrableNumber(bad)) << bad;
}

TEST(Framing, CutsPacketsFromPiecesAndSkipsBadOnes) {
    const Bytes payload(300, 'p');  // compresses
    Bytes one(kWorkAreaSize);
    std::uint16_t length = 0;
    ASSERT_TRUE(BuildPacket(payload.data(), 300, 4, 1, 1, 1, one.data(), 8192, length));
    one.resize(length);

    StreamCutter cutter;
    Packet p;
    // Two stray bytes, then the packet fed one byte at a time.
    cutter.Append(reinterpret_cast<const std::uint8_t*>("ab"), 2);
    for (std::size_t i = 0; i + 1 < one.size(); ++i) {
        cutter.Append(&one[i], 1);
        EXPECT_FALSE(cutter.Next(p));
    }
    cutter.Append(&one.back(), 1);
    ASSERT_TRUE(cutter.Next(p));
    EXPECT_EQ(p.header.command, 4);
    EXPECT_EQ(p.payload, payload);
    EXPECT_EQ(cutter.SkippedBytes(), 2u);

    // "::" and a third byte that is not a colon are consumed together.
    cutter.Append(reinterpret_cast<const std::uint8_t*>("::x"), 3);
    Bytes bad = one;
    bad[kOffChecksum] ^= 1;
    cutter.Append(bad.data(), bad.size());
    cutter.Append(one.data(), one.size());
    ASSERT_TRUE(cutter.Next(p));
    EXPECT_EQ(cutter.SkippedBytes(), 5u);
    EXPECT_EQ(cutter.DroppedPackets(), 1u);
    EXPECT_FALSE(cutter.Next(p));
    EXPECT_EQ(cutter.Buffered(), 0u);
}

TEST(ServerList, ResolvesLikeTheClient) {
    const auto list = ServerList::Parse(
        "[0086-10]\nserver=127.0.0.1\nport=9001\n"
        "[0086-21]\nport=9002\n"
        "[DEFAULT]\r\nServer = 127.0.0.2\r\nport=9003\r\n"
        "[0086-10]\nserver=10.0.0.1\n");
    auto a = list.Resolve("0086-10-1234567");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "127.0.0.1");  // first section wins
    EXPECT_EQ(a->port, 9001);
    a = list.Resolve("0086-21-1234567");  // no server of its own: default address and port
    ASSERT_TRUE(a);
    EXPECT_EQ(a->host, "127.0.0.2");
    EXPECT_EQ(a->port, 9003);
    EXPECT_FALSE(list.Resolve("0086-10"));
    EXPECT_FALSE(ServerList::Parse("").Resolve("0086-10-1"));
}

}  // namespace
}  // namespace tessd
