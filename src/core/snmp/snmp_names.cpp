// The SNMP name tables.
#include "core/snmp/snmp_names.h"

#include <strings.h>

namespace tesmo {

int SnmpNameIndex(std::span<const char* const> names, std::string_view text) {
  for (size_t i = 0; i < names.size(); ++i) {
    const std::string_view name(names[i]);
    if (name.size() == text.size() && strncasecmp(name.data(), text.data(), text.size()) == 0) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

QString SnmpNameChoice(std::span<const char* const> names) {
  QString text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? QStringLiteral(" or ") : QStringLiteral(", ");
    text += QString::fromLatin1(names[i]);
  }
  return text;
}

const char* SnmpVersionText(SnmpVersion version) {
  const auto index = static_cast<size_t>(version);
  return index < std::size(kSnmpVersionNames) ? kSnmpVersionNames[index] : kSnmpVersionNames[0];
}

SnmpVersion SnmpVersionOfText(const std::string& text) {
  if (text == "2") return SnmpVersion::kV2c;
  const int index = SnmpNameIndex(kSnmpVersionNames, text);
  return index < 0 ? SnmpVersion::kV1 : static_cast<SnmpVersion>(index);
}

const char* SnmpLevelText(SnmpUsm::Level level) {
  const auto index = static_cast<size_t>(level);
  return index < std::size(kSnmpLevelNames) ? kSnmpLevelNames[index] : kSnmpLevelNames[2];
}

SnmpUsm::Level SnmpLevelOfText(const std::string& text) {
  const int index = SnmpNameIndex(kSnmpLevelNames, text);
  return index < 0 ? SnmpUsm::kAuthPriv : static_cast<SnmpUsm::Level>(index);
}

}  // namespace tesmo
