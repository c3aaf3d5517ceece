// Reading addresses out of table indexes.
#include "core/snmp/inet_index.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string_view>

#include "core/snmp/oid_text.h"

namespace tesmo {
namespace {

// ipAddressPrefixOrigin: the column every ipAddressPrefix value points into
// (ipAddressPrefixEntry.5), followed by ifIndex, type, address and length.
constexpr uint32_t kPrefixEntry[] = {1, 3, 6, 1, 2, 1, 4, 32, 1};

// ".1.3.6.1..." with numbers only (a text printed without the MIB tree).
bool ReadNumericObjectId(std::string_view text, ObjectId& id) {
  if (text.empty() || text[0] != '.') return false;
  text.remove_prefix(1);
  while (!text.empty()) {
    if (id.size() >= kMaxObjectIdLength) return false;
    const size_t dot = std::min(text.find('.'), text.size());
    uint32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + dot, value);
    if (ec != std::errc() || end != text.data() + dot || dot == 0) return false;
    id.push_back(value);
    text.remove_prefix(dot == text.size() ? dot : dot + 1);
  }
  return !id.empty();
}

std::string ZoneSuffix(const InetIndexAddress& address) {
  if (address.type != kInetIpv4z && address.type != kInetIpv6z) return {};
  return "%" + std::to_string(address.zone);
}

}  // namespace

std::string InetIndexAddress::GridText() const {
  if (address.IsNull()) return {};
  return address.GridText() + ZoneSuffix(*this);
}

std::string InetIndexAddress::Text() const {
  if (address.IsNull()) return {};
  return address.Text() + ZoneSuffix(*this);
}

bool CInetIndexReader::Fail(std::string why) {
  error_ = std::move(why);
  return false;
}

bool CInetIndexReader::ReadNumber(uint32_t& value) {
  if (position_ >= index_.size()) return Fail("the index ends early");
  value = index_[position_++];
  return true;
}

bool CInetIndexReader::ReadAddress(InetIndexAddress& out) {
  uint32_t type = 0, length = 0;
  if (!ReadNumber(type) || !ReadNumber(length)) return false;
  size_t expected = 0;
  switch (type) {
    case kInetUnknown:
      expected = 0;
      break;
    case kInetIpv4:
      expected = 4;
      break;
    case kInetIpv6:
      expected = 16;
      break;
    case kInetIpv4z:
      expected = 8;
      break;
    case kInetIpv6z:
      expected = 20;
      break;
    default:
      return Fail("address type " + std::to_string(type) + " is not an IP address");
  }
  if (length != expected) {
    return Fail("address length " + std::to_string(length) + " does not fit address type " +
                std::to_string(type));
  }
  if (length > index_.size() - position_) return Fail("the address runs past the index's end");
  std::string bytes;
  bytes.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    const uint32_t byte = index_[position_ + i];
    if (byte > 255) return Fail("address byte " + std::to_string(byte) + " is above 255");
    bytes.push_back(static_cast<char>(byte));
  }
  position_ += length;
  out = InetIndexAddress();
  out.type = type;
  const std::string_view view(bytes);
  // The zone of ipv4z and ipv6z: four bytes after the address, network order.
  const auto zoneAt = [&](size_t at) {
    return uint32_t{static_cast<uint8_t>(bytes[at])} << 24 |
           uint32_t{static_cast<uint8_t>(bytes[at + 1])} << 16 |
           uint32_t{static_cast<uint8_t>(bytes[at + 2])} << 8 |
           uint32_t{static_cast<uint8_t>(bytes[at + 3])};
  };
  if (type == kInetIpv4 || type == kInetIpv6) {
    out.address = *IpAddress::FromBytes(view);
  } else if (type == kInetIpv4z) {
    out.address = *IpAddress::FromBytes(view.substr(0, 4));
    out.zone = zoneAt(4);
  } else if (type == kInetIpv6z) {
    out.address = *IpAddress::FromBytes(view.substr(0, 16));
    out.zone = zoneAt(16);
  }
  return true;
}

bool CInetIndexReader::SkipObjectId() {
  uint32_t length = 0;
  if (!ReadNumber(length)) return false;
  if (length > index_.size() - position_) {
    return Fail("an object identifier runs past the index's end");
  }
  position_ += length;
  return true;
}

namespace {

bool Finish(CInetIndexReader& reader, bool read, std::string* error) {
  if (read && !reader.AtEnd()) {
    if (error != nullptr) *error = "the index goes on after its last part";
    return false;
  }
  if (!read && error != nullptr) *error = reader.Error();
  return read;
}

}  // namespace

bool ParseIpAddressIndex(std::span<const uint32_t> index, InetIndexAddress& address,
                         std::string* error) {
  CInetIndexReader reader(index);
  return Finish(reader, reader.ReadAddress(address), error);
}

bool ParseNetToPhysicalIndex(std::span<const uint32_t> index, uint32_t& ifIndex,
                             InetIndexAddress& address, std::string* error) {
  CInetIndexReader reader(index);
  return Finish(reader, reader.ReadNumber(ifIndex) && reader.ReadAddress(address), error);
}

bool ParseInetCidrRouteIndex(std::span<const uint32_t> index, InetCidrRouteIndex& route,
                             std::string* error) {
  CInetIndexReader reader(index);
  bool read = reader.ReadAddress(route.destination) && reader.ReadNumber(route.prefixLength) &&
              reader.SkipObjectId() && reader.ReadAddress(route.nextHop);
  if (!Finish(reader, read, error)) return false;
  if (route.destination.address.IsNull()) {
    if (error != nullptr) *error = "the destination is no IP address";
    return false;
  }
  const uint32_t bits = route.destination.IsV4() ? 32 : 128;
  if (route.prefixLength > bits) {
    if (error != nullptr) {
      *error = "prefix length " + std::to_string(route.prefixLength) + " is above " +
               std::to_string(bits);
    }
    return false;
  }
  return true;
}

std::optional<uint32_t> PrefixLengthOfPointer(const std::string& pointerText) {
  ObjectId pointer;
  if (!ReadNumericObjectId(pointerText, pointer) && !ParseObjectIdQuietly(pointerText, pointer)) {
    return std::nullopt;
  }
  constexpr size_t kRoot = std::size(kPrefixEntry);
  // Root, column, then at least ifIndex, type, length and prefix length.
  if (pointer.size() < kRoot + 5) return std::nullopt;
  if (!std::equal(std::begin(kPrefixEntry), std::end(kPrefixEntry), pointer.begin())) {
    return std::nullopt;
  }
  const uint32_t length = pointer.back();
  if (length > 128) return std::nullopt;
  return length;
}

std::string PrefixMaskText(const IpAddress& address, uint32_t prefixLength) {
  if (address.IsV4()) {
    const uint32_t mask =
        prefixLength == 0 ? 0 : ~uint32_t{0} << (32 - std::min<uint32_t>(prefixLength, 32));
    return IpAddress::V4(mask).GridText();
  }
  return "/" + std::to_string(prefixLength);
}

std::string BadIndexText(const std::string& error) {
  return "(unreadable index: " + error + ")";
}

namespace {

constexpr const char* kRouteTypes[] = {nullptr, "other", "reject", "local", "remote", "blackhole"};
constexpr const char* kRouteProtocols[] = {
    nullptr, "other", "local",     "netmgmt",   "icmp", "egp", "ggp",  "hello",      "rip",
    "isIs",  "esIs",  "ciscoIgrp", "bbnSpfIgp", "ospf", "bgp", "idpr", "ciscoEigrp", "dvmrp"};

template <size_t N>
std::string Label(const std::string& text, const char* const (&labels)[N]) {
  if (text.empty() || text.size() > 3) return text;
  size_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return text;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  return value < N && labels[value] != nullptr ? labels[value] : text;
}

}  // namespace

std::string InetRouteTypeText(const std::string& text) {
  return Label(text, kRouteTypes);
}
std::string RouteProtocolText(const std::string& text) {
  return Label(text, kRouteProtocols);
}

bool ShownFromNewerTable(bool olderHasRows, bool readable, bool isV6) {
  return !olderHasRows || !readable || isV6;
}

}  // namespace tesmo
