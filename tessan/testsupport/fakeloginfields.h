// The login dialog's number box, key box and "记住密码" as plain values, for tests of the rules
// that fill them.
#pragma once

#include "core/login/rememberedlogins.h"

#include <QStringList>

#include <vector>

namespace tessan {

class FakeLoginFields final : public LoginFields {
  public:
    void ClearNumbers() override {
        numbers.clear();
        indexes.clear();
        selected = -1;
    }
    void AddNumber(const QString& number, int recordIndex) override {
        numbers.append(number);
        indexes.push_back(recordIndex);
    }
    void SelectNumber(int position) override { selected = position; }
    void SetPrivateKey(const QString& k) override { key = k; }
    void SetRememberKey(bool checked) override { remember = checked; }

    QStringList numbers;
    std::vector<int> indexes;
    int selected = -1;
    QString key = QStringLiteral("typed");
    bool remember = true;
};

}  // namespace tessan
