// tessd: the development server. Parses the options, opens the store, serves until SIGINT or
// SIGTERM.
#include <signal.h>

#include <cctype>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "demo.h"
#include "remote.h"
#include "server.h"
#include "text.h"

namespace {

constexpr const char* kUsage = R"(Usage: tessd --data DIR [options]

Development server for Tessan: speaks the server side of the protocol, keeps accounts,
address books, stored files and prepaid cards in DIR.

Options:
  --listen HOST:PORT    address to listen on (default 127.0.0.1:8800; port 0 picks a free one)
  --data DIR            state folder (created when missing): tessd.db, files/, tmp/, config/
                        (configuration files served on request 128 live in DIR/config)
  --demo                create the demo accounts and cards when missing and print them
  --serverlist FILE     serverlist.ini-style map of account prefixes to servers; used to check
                        the public key of a friend whose account lives on another server and to
                        fetch the profile (name, ...) that friends see from there
  --cards FILE          add the prepaid cards of FILE, one NUMBER:PASSWORD:TYPE a line (TYPE 1,
                        2 or 3); empty lines and lines starting with # are skipped
  --card NUM:PASS:TYPE  add one prepaid card; may be repeated (the command line is visible to
                        every local user: prefer --cards)
  --upgrade TEXT        refuse every login with the upgrade marker "-1025" followed by TEXT
  --remind TEXT         send TEXT as a payment reminder after each owner login
  --notice TEXT         send TEXT as a server notice after each owner login
  --server-data TEXT    send TEXT as server data after each owner login
  --help                show this help

Texts given as options are UTF-8 and are sent as GBK. One line per request is logged to stderr.

Limits: at most 256 connections at once, and at most 64 from one address (behind an SSH tunnel
every client comes from 127.0.0.1). A connection that has not logged in within 30 seconds is
closed; one whose card query named an account (a recharge being typed) has 10 minutes. When every
slot is taken, a new connection replaces the oldest one without a login; with every slot logged
in, it is refused. A client that does not read for 15 seconds while tessd sends is dropped.

DIR holds every private key and card password: tessd makes it readable by its own user only
(folders 0700, files 0600), also when it exists already. The protocol itself is not encrypted.
)";

bool ParseListen(std::string_view text, std::string& host, std::uint16_t& port) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    host = std::string(text.substr(0, colon));
    const std::string_view portText = text.substr(colon + 1);
    unsigned value = 0;
    const auto [end, ec] =
        std::from_chars(portText.data(), portText.data() + portText.size(), value);
    if (ec != std::errc() || end != portText.data() + portText.size() || value > 65535)
        return false;
    port = static_cast<std::uint16_t>(value);
    return true;
}

bool ParseCard(std::string_view text, std::string& number, std::string& password, char& type) {
    const std::size_t a = text.find(':');
    const std::size_t b = a == std::string_view::npos ? a : text.find(':', a + 1);
    if (b == std::string_view::npos || a == 0 || b == a + 1 || b + 2 != text.size()) return false;
    number = std::string(text.substr(0, a));
    password = std::string(text.substr(a + 1, b - a - 1));
    type = text[b + 1];
    return type >= '1' && type <= '3' && number.size() < 32 && password.size() < 32;
}

struct Card {
    std::string number, password;
    char type;
};

// The cards of a file, one NUMBER:PASSWORD:TYPE a line; false with the bad line in `error`.
bool ReadCards(const std::string& path, std::vector<Card>& cards, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
            line.pop_back();
        if (line.empty() || line.front() == '#') continue;
        Card c;
        if (!ParseCard(line, c.number, c.password, c.type)) {
            error = path + " line " + std::to_string(number) +
                    ": not NUMBER:PASSWORD:TYPE with TYPE 1, 2 or 3";
            return false;
        }
        cards.push_back(c);
    }
    // A folder opens as a file and fails only at the first read.
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

int Fail(const std::string& message) {
    std::cerr << "tessd: " << message << "\n(tessd --help lists the options)\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tessd;
    ServerOptions options;
    std::string dataDir;
    std::string serverList;
    bool demo = false;
    std::vector<Card> cards;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--listen") {
            const char* v = value();
            if (!v || !ParseListen(v, options.host, options.port))
                return Fail("--listen needs HOST:PORT");
        } else if (arg == "--data") {
            const char* v = value();
            if (!v || !*v) return Fail("--data needs a folder");
            dataDir = v;
        } else if (arg == "--serverlist") {
            const char* v = value();
            if (!v) return Fail("--serverlist needs a file");
            serverList = v;
        } else if (arg == "--card") {
            const char* v = value();
            Card c;
            if (!v || !ParseCard(v, c.number, c.password, c.type))
                return Fail("--card needs NUMBER:PASSWORD:TYPE with TYPE 1, 2 or 3");
            cards.push_back(c);
        } else if (arg == "--cards") {
            const char* v = value();
            if (!v) return Fail("--cards needs a file");
            if (std::string error; !ReadCards(v, cards, error)) return Fail(error);
        } else if (arg == "--upgrade" || arg == "--remind" || arg == "--notice" ||
                   arg == "--server-data") {
            const char* v = value();
            if (!v) return Fail(std::string(arg) + " needs a text");
            const std::string gbk = Gbk(v);
            if (gbk.size() > 4000) return Fail(std::string(arg) + " text is too long");
            auto& hook = arg == "--upgrade"  ? options.hooks.upgradeNotice
                         : arg == "--remind" ? options.hooks.paymentReminder
                         : arg == "--notice" ? options.hooks.notice
                                             : options.hooks.serverData;
            hook = gbk;
        } else {
            return Fail("unknown option " + std::string(arg));
        }
    }
    if (dataDir.empty()) return Fail("--data DIR is required");

    std::string error;
    auto store = Store::Open(dataDir, error);
    if (!store) return Fail(error);
    for (const Card& c : cards)
        if (!store->AddCard(c.number, c.password, c.type)) return Fail("cannot add a card");
    if (demo) {
        if (!SeedDemo(*store)) return Fail("cannot create the demo data");
        std::cout << "Demo accounts (number, private key, public key, name):\n";
        for (const DemoAccount& a : DemoAccounts())
            std::cout << "  " << a.number << "  " << a.privateKey << "  " << a.publicKey << "  "
                      << a.name << "\n";
        std::cout << "Address books: 0086-10-1234567 knows 0086-10-7654321 and 0086-10-5555555;"
                     " 0086-10-7654321 knows 0086-10-1234567.\n";
        std::cout << "Prepaid cards (number, password, type):\n";
        for (const DemoCard& c : DemoCards())
            std::cout << "  " << c.number << "  " << c.password << "  " << c.type << "\n";
    }
    if (!serverList.empty()) {
        auto list = ServerList::Load(serverList);
        if (!list) return Fail("cannot read " + serverList);
        options.remoteLookup = MakeRemoteLookup(std::move(*list), {options.host, options.port});
    }

    // Signals are taken by sigwait below; block them before any thread starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    Server server(*store, options);
    if (!server.Start(error)) return Fail(error);
    std::cout << "tessd listening on " << options.host << ":" << server.Port() << " with data in "
              << dataDir << std::endl;

    int signalNumber = 0;
    sigwait(&stopSignals, &signalNumber);
    LogLine(std::string("stopping on ") + (signalNumber == SIGINT ? "SIGINT" : "SIGTERM"));
    server.Stop();
    return 0;
}
