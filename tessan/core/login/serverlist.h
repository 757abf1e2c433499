// Account numbers and the lookup of an account's server in "<AppDir>/serverlist.ini".
#pragma once

#include <QByteArray>
#include <QString>

namespace tessan {

// The server used for every prefix that serverlist.ini does not name, and when the file is missing.
inline constexpr char kDefaultServerAddress[] = "127.0.0.1";
inline constexpr int kDefaultServerPort = 8800;
// A server is a dotted IPv4 address, an IPv6 address or a host name (looked up by ServerLookup):
// at most 255 characters are used (the longest host name fits).
inline constexpr qsizetype kServerAddressSize = 256;
// Each piece of a split number fits a buffer of 32 characters.
inline constexpr qsizetype kAccountPieceSize = 32;

struct AccountNumberParts {
    QByteArray prefix;  // country code, dash, area code: the section name in serverlist.ini
    QByteArray country;
    QByteArray area;
    QByteArray personal;  // everything after the second dash, further dashes included
};

// Splits "0086-10-1234567" at its first two dashes. Returns 1 on success, 0 when no text is given
// (null), -1 when the text has fewer than two dashes. Pieces longer than 31 bytes are cut.
int SplitAccountNumber(const char* text, AccountNumberParts& parts);

// Looks up the server of an account number. Returns 1 and sets both outputs on success; returns
// the result of SplitAccountNumber (0 or -1) and touches neither otherwise, so callers preset
// them (the login presets an empty address and port 8800).
int ResolveServer(const QString& appDir, const char* accountNumber, QByteArray& address, int& port);

}  // namespace tessan
