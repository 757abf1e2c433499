// The few values the whole client shares for the life of the process. Start-up sets AppDir once;
// only the login writes CurrentAccount and CurrentPrivateKey (cleared, then refilled on every
// attempt, so they hold the last attempt even when it failed); the main window's set-up reads
// ParameterByte from para.ini; the notification dispatcher replaces OwnProfile and OwnQuota.
// Everything else only reads them. Classes that need the program folder take it through their
// constructor; these globals are for the wiring in main.cpp and the main window, which hands them
// on.
#pragma once

#include "account/userprofile.h"
#include "core/gbk.h"

#include <QString>

#include <cstdint>

namespace tessan {

inline constexpr std::size_t kAccountFieldWidth = 32;  // numbers, keys and names: char[32]

using AccountText = FixedText<kAccountFieldWidth>;

// The program's folder, base of every local path ("<AppDir>/cache", "<AppDir>/remember.ini", ...).
inline QString AppDir;
// Account number of the current or last attempted login; empty when none was ever attempted.
inline AccountText CurrentAccount;
// Private key typed for that login.
inline AccountText CurrentPrivateKey;
// First byte of para.ini; 0 when the file is missing. Nothing in the client consults it yet.
inline std::uint8_t ParameterByte = 0;
// Profile of the logged-in account as the server last sent it, and its space quota in bytes;
// both replaced by every own profile that arrives.
inline UserProfile OwnProfile;
inline std::int64_t OwnQuota = 0;

}  // namespace tessan
