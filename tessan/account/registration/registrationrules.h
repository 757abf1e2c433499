// The rules of the registration wizard, without its widgets: the inputs of its three pages with
// their limits and help texts, the typing filters, the default public key, the checks of the
// first page and how each page writes into the profile being registered.
#pragma once

#include "core/records/userprofile.h"

#include <QString>

#include <optional>

namespace tessan::registration {

enum class Input {
    // page 1
    CountryCode,
    AreaCode,
    Number,
    Name,
    PublicKey,
    PrivateKey,
    Confirmation,
    // page 2
    UserType,
    Phone,
    Fax,
    Videophone,
    Mobile,
    WebAddress,
    // page 3
    Company,
    CountryName,
    Province,
    Address,
    PostCode,
    Occupation,
};

// The most characters the input takes.
int Limit(Input input);
// The most GBK bytes the input takes: what its field in the profile holds.
int MaxBytes(Input input);
// The text shown in the page's help static while the input has the focus.
QString HelpText(Input input);

// What the input's typing filter made of its text. A filter looks only at the last character
// and repeats on its own result until that character is allowed.
struct Filtered {
    QString text;
    bool changed = false;
    // A trailing '-' took the focus on to the next part of the number.
    std::optional<Input> moveFocusTo;
};
Filtered FilterTyping(Input input, const QString& text);

// The public key every change of the number proposes: "country-area-number".
QString DefaultPublicKey(const QString& countryCode, const QString& areaCode,
                         const QString& number);

struct Step1 {
    QString countryCode;
    QString areaCode;
    QString number;
    QString name;
    QString publicKey;
    QString privateKey;
    QString confirmation;
};
struct Step2 {
    QString phone;
    QString fax;
    QString videophone;
    QString mobile;
    QString webAddress;
};
struct Step3 {
    QString company;
    QString countryName;
    QString province;
    QString address;
    QString postCode;
    QString occupation;
};

struct Refusal {
    QString message;
    Input focus;
};
// The first check of page 1 that fails, in the order the user reads the page.
std::optional<Refusal> CheckStep1(const Step1& step);

// Each page writes its fields when it is left forward. Page 2 also makes the account a free one.
void WriteStep1(UserProfile& profile, const Step1& step);
void WriteStep2(UserProfile& profile, const Step2& step);
void WriteStep3(UserProfile& profile, const Step3& step);

}  // namespace tessan::registration
