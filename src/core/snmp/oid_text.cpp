// The text form of object identifiers.
#include "core/snmp/oid_text.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/snmp/mib_gate.h"
#include "core/snmp/mib_tree.h"
#include "core/snmp/text_append.h"

namespace tesmo {
namespace {

// The numeric prefix that relative identifiers are read under and that
// printed identifiers lose: PREFIX from the environment, else .1.3.6.1.2.1.
const std::string& NumericPrefix() {
  static const std::string prefix = [] {
    const char* env = std::getenv("PREFIX");
    std::string text = env != nullptr ? env : ".1.3.6.1.2.1";
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
  }();
  return prefix;
}

void Log(const char* format, std::string_view argument = {}) {
  std::fprintf(stderr, format, std::string(argument).c_str());
}

// The name-prefix table, longest match first in this order; the numeric
// prefix first.
struct NamePrefix {
  const char* text;
  size_t length;
};
constexpr NamePrefix kNamePrefixes[] = {
    {".iso.org.dod.internet.mgmt.mib-2", sizeof(".iso.org.dod.internet.mgmt.mib-2") - 1},
    {".iso.org.dod.internet.experimental", sizeof(".iso.org.dod.internet.experimental") - 1},
    {".iso.org.dod.internet.private", sizeof(".iso.org.dod.internet.private") - 1},
    {".iso.org.dod.internet.snmpParties", sizeof(".iso.org.dod.internet.snmpParties") - 1},
    {".iso.org.dod.internet.snmpSecrets", sizeof(".iso.org.dod.internet.snmpSecrets") - 1},
};

// Length of the prefix to drop (with the dot after it), or 0.
size_t PrefixToDrop(std::string_view text) {
  auto matches = [&](std::string_view prefix) {
    return text.size() > prefix.size() && text.substr(0, prefix.size()) == prefix &&
           text[prefix.size()] == '.';
  };
  const std::string& numeric = NumericPrefix();
  if (!numeric.empty() && matches(numeric)) return numeric.size() + 1;
  for (const NamePrefix& prefix : kNamePrefixes) {
    if (matches(std::string_view(prefix.text, prefix.length))) return prefix.length + 1;
  }
  return 0;
}

}  // namespace

void AppendObjectId(std::string& out, std::span<const uint32_t> id) {
  std::string full;
  full.reserve(16 * id.size());
  const tree* children = MibTreeHead();
  for (size_t i = 0; i < id.size(); ++i) {
    const uint32_t subid = id[i];
    const tree* child = children != nullptr ? ChildAlong(children, id.subspan(i)) : nullptr;
    full.push_back('.');
    if (child == nullptr) {
      children = nullptr;
      AppendUnsigned(full, subid);
      continue;
    }
    if (child->label == nullptr || std::strncmp(child->label, "anonymous#", 10) == 0) {
      AppendUnsigned(full, subid);
    } else {
      full += child->label;
    }
    children = child->child_list;
  }
  size_t drop = PrefixToDrop(full);
  out.append(full, drop, std::string::npos);
}

bool ParseObjectId(std::string_view text, ObjectId& result, size_t maxLength) {
  return ParseObjectIdLogging(text, result, maxLength, true);
}

bool ParseObjectIdQuietly(std::string_view text, ObjectId& result) {
  return ParseObjectIdLogging(text, result, kMaxObjectIdLength, false);
}

bool ParseObjectIdLogging(std::string_view text, ObjectId& result, size_t maxLength, bool log) {
  if (text.empty() || text == ".") return false;
  const tree* head = MibTreeHead();
  if (head == nullptr) {
    // Without a tree no label can be read; the tree is loaded at start-up,
    // so this only happens when that failed.
    if (log) Log("Mib not initialized.  Exiting.\n");
    return false;
  }
  std::string relative;
  if (text[0] == '.') {
    text.remove_prefix(1);
  } else {
    const std::string& prefix = NumericPrefix();
    relative.reserve(prefix.size() + 1 + text.size());
    relative.append(prefix, prefix.empty() || prefix[0] != '.' ? 0 : 1, std::string::npos);
    relative.push_back('.');
    relative.append(text);
    text = relative;
  }

  ObjectId id;
  id.reserve(16);
  const tree* children = head;
  bool known = true;  // still on a node of the tree
  size_t start = 0;
  while (true) {
    size_t dot = text.find('.', start);
    std::string_view component =
        text.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
    if (id.size() >= maxLength) {
      if (log) Log("object identifier too long\n");
      return false;
    }
    bool numeric = !component.empty() && std::all_of(component.begin(), component.end(),
                                                     [](char c) { return c >= '0' && c <= '9'; });
    if (numeric) {
      uint32_t value = 0;
      auto [end, error] =
          std::from_chars(component.data(), component.data() + component.size(), value);
      if (error != std::errc() || end != component.data() + component.size()) {
        if (log) Log("sub-identifier not found: %s\n", component);
        return false;
      }
      id.push_back(value);
      const tree* child =
          known ? ChildAlong(children, std::span<const uint32_t>(&value, 1)) : nullptr;
      if (child != nullptr) {
        children = child->child_list;
      } else {
        known = false;
        children = nullptr;
      }
    } else {
      const tree* child = known ? ChildWithLabel(children, component) : nullptr;
      if (child == nullptr) {
        if (log) Log("sub-identifier not found: %s\n", component);
        return false;
      }
      id.push_back(static_cast<uint32_t>(child->subid));
      children = child->child_list;
    }
    if (dot == std::string_view::npos) break;
    start = dot + 1;
  }
  result = std::move(id);
  return true;
}

std::string FormatObjectId(std::span<const uint32_t> id) {
  std::string out;
  AppendObjectId(out, id);
  return out;
}

}  // namespace tesmo
