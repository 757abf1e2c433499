// The tessd program itself: options, the demo data, and a clean stop on SIGTERM.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include "test_client.h"

extern char** environ;

namespace tessd::test {
namespace {

namespace fs = std::filesystem;

struct Process {
    pid_t pid = -1;
    fs::path out, err;

    std::string Read(const fs::path& p) const {
        std::ifstream in(p);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Exit status, or -1 when it does not end before the deadline.
    int Wait(std::chrono::milliseconds timeout = 5000ms) {
        int status = 0;
        const bool ended =
            WaitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, timeout);
        if (!ended) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return -1;
        }
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
};

Process Spawn(const std::vector<std::string>& args, const fs::path& dir) {
    Process p;
    p.out = dir / "stdout.txt";
    p.err = dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, p.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, p.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> all = {TESSD_BINARY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&p.pid, TESSD_BINARY, &actions, nullptr, argv.data(), environ) != 0) p.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return p;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("tessd-cli-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(CliTest, HelpAndBadOptions) {
    auto help = Spawn({"--help"}, dir_);
    EXPECT_EQ(help.Wait(), 0);
    const std::string text = help.Read(help.out);
    for (const char* option :
         {"--listen", "--data", "--demo", "--upgrade", "--cards", "30 seconds"})
        EXPECT_NE(text.find(option), std::string::npos) << option;

    auto bad = Spawn({"--listen", "nowhere", "--data", (dir_ / "d").string()}, dir_);
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.Read(bad.err).find("--listen"), std::string::npos);
    auto noData = Spawn({}, dir_);
    EXPECT_EQ(noData.Wait(), 2);
}

// The port a started tessd reports, or 0 when it does not in time.
std::uint16_t WaitForPort(const Process& p) {
    std::uint16_t port = 0;
    WaitFor([&] {
        const std::string out = p.Read(p.out);
        const auto at = out.find("listening on 127.0.0.1:");
        if (at == std::string::npos) return false;
        port = static_cast<std::uint16_t>(std::stoi(out.substr(at + 23)));
        return true;
    });
    return port;
}

TEST_F(CliTest, DemoServesItsAccountsAndStopsOnSigterm) {
    auto p = Spawn({"--listen", "127.0.0.1:0", "--data", (dir_ / "data").string(), "--demo"}, dir_);
    ASSERT_GT(p.pid, 0);
    const std::uint16_t port = WaitForPort(p);
    ASSERT_NE(port, 0);
    const std::string out = p.Read(p.out);
    EXPECT_NE(out.find("0086-10-1234567  zhang123  0086-10-1234567  张三"), std::string::npos);

    RawClient c(port);
    EXPECT_EQ(c.LoginStatus("0086-10-1234567", "zhang123"), 1);
    auto book = c.Expect(tessnet::CMD_ADDRESS_BOOK);
    ASSERT_TRUE(book);
    EXPECT_EQ(book->payload.size(), 2 * UserProfile::kSize);

    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    EXPECT_TRUE(c.WaitClosed());
    EXPECT_NE(p.Read(p.err).find("login as owner"), std::string::npos);
}

TEST_F(CliTest, DataStaysPrivateAndCardsComeFromAFile) {
    // A folder left open to everyone, as by an earlier version or by hand.
    const fs::path data = dir_ / "data";
    fs::create_directories(data / "config");
    std::ofstream(data / "config" / "serverlist.ini") << "[default]\n";
    fs::permissions(data, fs::perms::all);
    fs::permissions(data / "config" / "serverlist.ini", fs::perms::all);
    std::ofstream(dir_ / "cards.txt") << "# cards for the group\n400000001:4444:2\n\n";
    const mode_t umask = ::umask(0);
    auto p = Spawn({"--listen", "127.0.0.1:0", "--data", data.string(), "--demo", "--cards",
                    (dir_ / "cards.txt").string()},
                   dir_);
    ::umask(umask);
    ASSERT_GT(p.pid, 0);
    ASSERT_NE(WaitForPort(p), 0);

    // While it runs, so that the database's side files exist.
    auto mode = [&](const char* name) {
        struct stat st {};
        return ::stat((data / name).c_str(), &st) == 0 ? st.st_mode & 07777 : 01;
    };
    for (const char* folder : {"", "files", "tmp", "config"})
        EXPECT_EQ(mode(folder), 0700u) << folder;
    for (const char* file : {"tessd.db", "tessd.db-wal", "tessd.db-shm", "config/serverlist.ini"})
        EXPECT_EQ(mode(file), 0600u) << file;
    ::kill(p.pid, SIGTERM);
    EXPECT_EQ(p.Wait(), 0);
    std::string error;
    EXPECT_EQ(Store::Open(data, error)->Recharge("0086-10-1234567", '2', "400000001", "4444"),
              RechargeResult::Ok);

    std::ofstream(dir_ / "bad.txt") << "400000002:5555:1\n400000003:6666:7\n";
    auto bad = Spawn({"--data", data.string(), "--cards", (dir_ / "bad.txt").string()}, dir_);
    EXPECT_EQ(bad.Wait(), 2);
    EXPECT_NE(bad.Read(bad.err).find("bad.txt line 2"), std::string::npos) << bad.Read(bad.err);
    // A folder opens like a file but cannot be read: no cards is not the same as an empty file.
    auto folder =
        Spawn({"--listen", "127.0.0.1:0", "--data", data.string(), "--cards", data.string()}, dir_);
    EXPECT_EQ(folder.Wait(), 2);
    EXPECT_NE(folder.Read(folder.err).find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace tessd::test
