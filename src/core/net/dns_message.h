// Bounded reading of a DNS message: header, names, questions and records.
// Every read checks the message's end, so a short, cut or hostile message
// (lengths past the end, counts larger than the message, compression loops)
// gives a failed read, never a read past the buffer.
//
// The one reader of server messages in the program: the DNS engine
// (core/dns) and the internal resolver (name_resolvers.cpp here) both read
// with it. It does no I/O and knows record types only by number, so it lives
// in core/net, below both: a layer may include only the layers before it,
// and core/net comes before core/dns. What a record's data means is core/dns's
// business (dns_record_data.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tesmo {

constexpr size_t kDnsHeaderSize = 12;
// Longest domain name text, terminating zero included.
constexpr size_t kDnsNameSize = 1025;

struct DnsHeader {
  uint16_t id = 0;
  bool response = false;
  int opcode = 0;
  bool authoritative = false;
  bool truncated = false;
  bool recursionDesired = false;
  bool recursionAvailable = false;
  bool unusedBit = false;
  bool authenticData = false;
  bool checkingDisabled = false;
  int rcode = 0;
  uint16_t questions = 0;
  uint16_t answers = 0;
  uint16_t authority = 0;
  uint16_t additional = 0;
};

// One resource record's fixed part; its data lies at data..data+dataLength.
struct DnsRecord {
  std::string owner;
  int type = 0;
  int dnsClass = 0;
  uint32_t ttl = 0;
  size_t data = 0;
  size_t dataLength = 0;
};

class CDnsMessage {
 public:
  CDnsMessage(const uint8_t* bytes, size_t size) : bytes(bytes), size(size) {}

  const uint8_t* Bytes() const { return bytes; }
  size_t Size() const { return size; }

  // The header; bytes missing from a short message read as zeros.
  DnsHeader Header() const;

  // The name at offset as text ("" for the root; dots and unprintable bytes
  // inside labels escaped); the offset just after it, or nothing when the
  // name cannot be read.
  std::optional<size_t> ReadName(size_t offset, std::string& name) const;
  std::optional<size_t> SkipName(size_t offset) const;
  // Skips the header's question count of questions after the header.
  std::optional<size_t> SkipQuestions() const;

  enum class RecordStatus {
    kOk,
    kBadName,    // the owner name cannot be read
    kCutHeader,  // type, class, time to live or data length lie past the end
    kCutData,    // the data length runs past the end
  };
  // The record at offset. With kCutHeader or kCutData, record.owner is set
  // and next holds the bytes the message still had after the owner name or
  // the fixed part.
  RecordStatus ReadRecord(size_t offset, DnsRecord& record, size_t& next) const;
  // The record at offset, moving offset past it; false when it cannot be read
  // whole.
  bool NextRecord(size_t& offset, DnsRecord& record) const;
  // The offset just after the last record the header counts, moving past the
  // questions and records by their lengths alone (names skipped, not
  // expanded) as the resolver library's own parser does; nothing when one
  // runs past the end.
  std::optional<size_t> EndOfRecords() const;

  // Fixed-size fields; the caller has checked the bounds.
  uint16_t U16(size_t offset) const {
    return static_cast<uint16_t>(bytes[offset] << 8 | bytes[offset + 1]);
  }
  uint32_t U32(size_t offset) const {
    return uint32_t{bytes[offset]} << 24 | uint32_t{bytes[offset + 1]} << 16 |
           uint32_t{bytes[offset + 2]} << 8 | bytes[offset + 3];
  }

 private:
  const uint8_t* bytes;
  size_t size;
};

}  // namespace tesmo
