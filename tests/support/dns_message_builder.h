// Builds DNS messages byte by byte for tests: well-formed ones, and hostile
// ones (counts that lie, lengths past the end, compression loops) that no
// real name server sends.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace tesmo::test {

using Bytes = std::vector<uint8_t>;

// A name in wire form, uncompressed ("" is the root).
inline Bytes WireName(const std::string& name) {
  Bytes wire;
  size_t start = 0;
  while (start < name.size()) {
    size_t dot = name.find('.', start);
    if (dot == std::string::npos) dot = name.size();
    wire.push_back(static_cast<uint8_t>(dot - start));
    wire.insert(wire.end(), name.begin() + static_cast<long>(start),
                name.begin() + static_cast<long>(dot));
    start = dot + 1;
  }
  wire.push_back(0);
  return wire;
}

inline void Put16(Bytes& bytes, uint32_t value) {
  bytes.push_back(static_cast<uint8_t>(value >> 8));
  bytes.push_back(static_cast<uint8_t>(value));
}

inline void Put32(Bytes& bytes, uint32_t value) {
  Put16(bytes, value >> 16);
  Put16(bytes, value & 0xFFFF);
}

// Record data pieces, joined with Concat.
inline Bytes U16(uint32_t value) {
  Bytes bytes;
  Put16(bytes, value);
  return bytes;
}
inline Bytes U32(uint32_t value) {
  Bytes bytes;
  Put32(bytes, value);
  return bytes;
}
inline Bytes Text(const std::string& text) {
  Bytes bytes{static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  return bytes;
}
inline Bytes Concat(std::initializer_list<Bytes> pieces) {
  Bytes all;
  for (const auto& piece : pieces) all.insert(all.end(), piece.begin(), piece.end());
  return all;
}

class CDnsMessageBuilder {
 public:
  enum Section { kAnswer, kAuthority, kAdditional };

  CDnsMessageBuilder& Id(uint16_t value) {
    id = value;
    return *this;
  }
  // The third and fourth header bytes (QR, opcode, AA, TC, RD / RA, Z, AD,
  // CD, rcode).
  CDnsMessageBuilder& Flags(uint16_t value) {
    flags = value;
    return *this;
  }
  CDnsMessageBuilder& Question(const std::string& name, uint16_t type, uint16_t dnsClass = 1) {
    Bytes& q = questions;
    Bytes wire = WireName(name);
    q.insert(q.end(), wire.begin(), wire.end());
    Put16(q, type);
    Put16(q, dnsClass);
    ++counts[0];
    return *this;
  }
  CDnsMessageBuilder& Record(Section section, const std::string& owner, uint16_t type,
                             const Bytes& data, uint16_t dnsClass = 1, uint32_t ttl = 3600) {
    return RawRecord(section, WireName(owner), type, data, dnsClass, ttl);
  }
  // The owner as given wire bytes (a pointer, a loop, a cut name).
  CDnsMessageBuilder& RawRecord(Section section, const Bytes& owner, uint16_t type,
                                const Bytes& data, uint16_t dnsClass = 1, uint32_t ttl = 3600,
                                int dataLength = -1) {
    Bytes& r = records[section];
    r.insert(r.end(), owner.begin(), owner.end());
    Put16(r, type);
    Put16(r, dnsClass);
    Put32(r, ttl);
    Put16(r,
          dataLength < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(dataLength));
    r.insert(r.end(), data.begin(), data.end());
    ++counts[1 + section];
    return *this;
  }
  CDnsMessageBuilder& Answer(const std::string& owner, uint16_t type, const Bytes& data,
                             uint16_t dnsClass = 1, uint32_t ttl = 3600) {
    return Record(kAnswer, owner, type, data, dnsClass, ttl);
  }
  // Header counts that differ from what was added.
  CDnsMessageBuilder& Counts(uint16_t qd, uint16_t an, uint16_t ns, uint16_t ar) {
    forced = {qd, an, ns, ar};
    return *this;
  }

  Bytes Build() const {
    Bytes bytes;
    Put16(bytes, id);
    Put16(bytes, flags);
    const auto& c = forced.empty() ? std::vector<uint16_t>(counts, counts + 4) : forced;
    for (uint16_t count : c) Put16(bytes, count);
    bytes.insert(bytes.end(), questions.begin(), questions.end());
    for (const auto& section : records) bytes.insert(bytes.end(), section.begin(), section.end());
    return bytes;
  }

 private:
  uint16_t id = 0x1234;
  uint16_t flags = 0x8500;  // response, authoritative, recursion desired
  uint16_t counts[4] = {};
  std::vector<uint16_t> forced;
  Bytes questions;
  Bytes records[3];
};

}  // namespace tesmo::test
