// A resource record's data decoded once into a typed value, by the record's
// type. The two line forms (dns_record_lines.h) and the reading of answers
// into host information (dns_host_info.h) all work from this value.
//
// Decoding follows the data's fields in order and stops at the first one
// that cannot be read: the value then holds the fields before it and the
// status says what failed, so a malformed record still shows what it held.
// Names may be compressed: they are read through the whole message.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "core/net/dns_message.h"

namespace tesmo {

// A: four bytes, or seven with a protocol and a port (an early form).
struct DnsAddressData {
  uint32_t address = 0;  // host byte order
  std::optional<std::pair<uint32_t, uint32_t>> protocolPort;
};

struct DnsIpv6Data {
  std::array<uint8_t, 16> address{};
};

// WKS of at least five bytes.
struct DnsWksData {
  uint32_t address = 0;
  uint32_t protocol = 0;
  std::span<const uint8_t> ports;  // bit map: the first byte's top bit is port 0
};

// Domain names alone: one for NS, CNAME, MB, MG, MR, PTR and NSAP_PTR; two
// for MINFO (requests, errors) and RP (mailbox, text).
struct DnsNamesData {
  std::vector<std::string> names;
};

// A number, then names: MX, AFSDB (the number is its subtype) and RT with
// one name; PX with two (RFC 822, X.400).
struct DnsPreferenceData {
  uint32_t preference = 0;
  std::vector<std::string> names;
};

struct DnsSoaData {
  std::vector<std::string> names;  // origin, mailbox
  std::vector<uint32_t> numbers;   // serial, refresh, retry, expire, minimum ttl
};

// Character strings: X25 one; HINFO (CPU, OS) and ISDN (address,
// subaddress) a second one when data is left; TXT as many as there are.
struct DnsStringsData {
  std::vector<std::string> strings;
};

struct DnsServiceData {
  uint32_t priority = 0;
  uint32_t weight = 0;
  uint32_t port = 0;
  std::optional<std::string> target;
};

struct DnsNaptrData {
  uint32_t order = 0;
  uint32_t preference = 0;
  std::vector<std::string> strings;  // flags, services, rule
  std::optional<std::string> replacement;
};

// UID and GID.
struct DnsNumberData {
  uint32_t value = 0;
};

// Every other type, and A of another length: the data as it is.
struct DnsBytesData {
  std::span<const uint8_t> bytes;
};

struct DnsRecordData {
  enum class Status {
    kOk,
    kBadName,  // a domain name cannot be read
    kShort,    // a fixed field or a character string runs past the data's end
  };
  Status status = Status::kOk;
  // Nothing when the first fixed field already failed, and for WKS data too
  // short for address and protocol (nothing of it is read).
  std::variant<std::monostate, DnsAddressData, DnsIpv6Data, DnsWksData, DnsNamesData,
               DnsPreferenceData, DnsSoaData, DnsStringsData, DnsServiceData, DnsNaptrData,
               DnsNumberData, DnsBytesData>
      value;
  // Bytes read: fewer than the data length when data is left over, more when
  // a name ran past it or a field did not fit (the bytes that field needed
  // are counted).
  size_t consumed = 0;
};

// The record's data; the message holds record.data..+dataLength (as
// CDnsMessage::ReadRecord checked). Spans in the value point into message.
DnsRecordData DecodeRecordData(const CDnsMessage& message, const DnsRecord& record);

}  // namespace tesmo
