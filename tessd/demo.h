// The demo data: a few accounts that know each other and some prepaid cards.
#pragma once

#include <string>
#include <vector>

#include "store.h"

namespace tessd {

struct DemoAccount {
    std::string number;
    std::string privateKey;
    std::string publicKey;
    std::string name;  // UTF-8
};

struct DemoCard {
    std::string number;
    std::string password;
    char type;
};

const std::vector<DemoAccount>& DemoAccounts();
const std::vector<DemoCard>& DemoCards();

// Creates the demo accounts, their address books and the cards; existing entries are kept.
bool SeedDemo(Store& store);

}  // namespace tessd
