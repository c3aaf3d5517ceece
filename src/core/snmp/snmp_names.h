// The names of SNMP versions, SNMPv3 security levels and USM protocols: one
// table each, in the order the Parameters page's choosers list them. The
// choosers, the settings, the --batch options and their help text all read
// these tables, so a name is written once.
#pragma once

#include <QString>
#include <span>
#include <string>
#include <string_view>

#include "core/base/snmp_target.h"

namespace tesmo {

// Indexed by SnmpVersion and SnmpUsm::Level.
inline constexpr const char* kSnmpVersionNames[] = {"1", "2c", "3"};
inline constexpr const char* kSnmpLevelNames[] = {"noAuthNoPriv", "authNoPriv", "authPriv"};
inline constexpr const char* kSnmpAuthProtocolNames[] = {"MD5",     "SHA",     "SHA-224",
                                                         "SHA-256", "SHA-384", "SHA-512"};
inline constexpr const char* kSnmpPrivProtocolNames[] = {"DES", "AES", "AES-192", "AES-256"};

// The position of text in names, letter case ignored; -1 when it is none.
int SnmpNameIndex(std::span<const char* const> names, std::string_view text);
// "A, B or C", for help texts and messages.
QString SnmpNameChoice(std::span<const char* const> names);

// As stored and shown. Reading a stored text is lenient: an unknown version
// is 1 ("2" is 2c), an unknown level authPriv.
const char* SnmpVersionText(SnmpVersion version);
SnmpVersion SnmpVersionOfText(const std::string& text);
const char* SnmpLevelText(SnmpUsm::Level level);
SnmpUsm::Level SnmpLevelOfText(const std::string& text);

}  // namespace tesmo
