#include "demo.h"

#include "text.h"

namespace tessd {

const std::vector<DemoAccount>& DemoAccounts() {
    // Public keys equal the numbers, as the client proposes by default, so that friends can be
    // added with the digits-and-dashes input of the add-friend dialog.
    static const std::vector<DemoAccount> accounts = {
        {"0086-10-1234567", "zhang123", "0086-10-1234567", "张三"},
        {"0086-10-7654321", "li123", "0086-10-7654321", "李四"},
        {"0086-10-5555555", "wang123", "0086-10-5555555", "王五"},
    };
    return accounts;
}

const std::vector<DemoCard>& DemoCards() {
    static const std::vector<DemoCard> cards = {
        {"100000001", "1111", '1'},
        {"200000001", "2222", '2'},
        {"300000001", "3333", '3'},
    };
    return cards;
}

bool SeedDemo(Store& store) {
    bool ok = true;
    for (const DemoAccount& a : DemoAccounts()) {
        if (store.FindAccount(a.number)) continue;
        UserProfile p;
        p.SetNumber(a.number);
        p.SetPrivateKey(a.privateKey);
        p.SetPublicKey(a.publicKey);
        p.SetName(Gbk(a.name));
        p.SetUserType('0');
        ok = store.CreateAccount(p) && ok;
    }
    // Zhang and Li know each other; Zhang also knows Wang.
    const auto& acc = DemoAccounts();
    const std::pair<int, int> friendships[] = {{0, 1}, {1, 0}, {0, 2}};
    for (const auto& [owner, other] : friendships)
        if (!store.HasFriend(acc[owner].number, acc[other].number))
            ok = store.PutFriend(acc[owner].number, acc[other].number, acc[other].publicKey) && ok;
    for (const DemoCard& c : DemoCards()) ok = store.AddCard(c.number, c.password, c.type) && ok;
    return ok;
}

}  // namespace tessd
