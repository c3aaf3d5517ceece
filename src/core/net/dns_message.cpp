// Bounded reading of DNS messages. Name expansion is the resolver library's:
// it stops at the end of the message and refuses compression loops.
#include "core/net/dns_message.h"

#include <arpa/nameser.h>
#include <resolv.h>

namespace tesmo {

DnsHeader CDnsMessage::Header() const {
  uint8_t raw[kDnsHeaderSize] = {};
  for (size_t i = 0; i < kDnsHeaderSize && i < size; ++i) raw[i] = bytes[i];
  CDnsMessage padded(raw, sizeof raw);
  DnsHeader header;
  header.id = padded.U16(0);
  header.response = raw[2] & 0x80;
  header.opcode = (raw[2] >> 3) & 0xF;
  header.authoritative = raw[2] & 0x04;
  header.truncated = raw[2] & 0x02;
  header.recursionDesired = raw[2] & 0x01;
  header.recursionAvailable = raw[3] & 0x80;
  header.unusedBit = raw[3] & 0x40;
  header.authenticData = raw[3] & 0x20;
  header.checkingDisabled = raw[3] & 0x10;
  header.rcode = raw[3] & 0xF;
  header.questions = padded.U16(4);
  header.answers = padded.U16(6);
  header.authority = padded.U16(8);
  header.additional = padded.U16(10);
  return header;
}

std::optional<size_t> CDnsMessage::ReadName(size_t offset, std::string& name) const {
  if (offset >= size) return std::nullopt;
  char text[kDnsNameSize];
  const int length = dn_expand(bytes, bytes + size, bytes + offset, text, sizeof text);
  if (length < 0) return std::nullopt;
  name.assign(text);
  return offset + static_cast<size_t>(length);
}

std::optional<size_t> CDnsMessage::SkipName(size_t offset) const {
  if (offset >= size) return std::nullopt;
  const int length = dn_skipname(bytes + offset, bytes + size);
  if (length < 0) return std::nullopt;
  return offset + static_cast<size_t>(length);
}

std::optional<size_t> CDnsMessage::SkipQuestions() const {
  if (size < kDnsHeaderSize) return std::nullopt;
  size_t offset = kDnsHeaderSize;
  for (uint16_t i = 0, count = Header().questions; i < count; ++i) {
    auto next = SkipName(offset);
    if (!next || *next + 4 > size) return std::nullopt;
    offset = *next + 4;  // type and class
  }
  return offset;
}

CDnsMessage::RecordStatus CDnsMessage::ReadRecord(size_t offset, DnsRecord& record,
                                                  size_t& next) const {
  record = DnsRecord();
  auto afterName = ReadName(offset, record.owner);
  if (!afterName) return RecordStatus::kBadName;
  size_t position = *afterName;
  if (position + 10 > size) {
    next = size - position;
    return RecordStatus::kCutHeader;
  }
  record.type = U16(position);
  record.dnsClass = U16(position + 2);
  record.ttl = U32(position + 4);
  record.dataLength = U16(position + 8);
  record.data = position + 10;
  if (record.data + record.dataLength > size) {
    next = size - record.data;
    return RecordStatus::kCutData;
  }
  next = record.data + record.dataLength;
  return RecordStatus::kOk;
}

bool CDnsMessage::NextRecord(size_t& offset, DnsRecord& record) const {
  size_t next = 0;
  if (ReadRecord(offset, record, next) != RecordStatus::kOk) return false;
  offset = next;
  return true;
}

std::optional<size_t> CDnsMessage::EndOfRecords() const {
  auto offset = SkipQuestions();
  const DnsHeader header = Header();
  for (int count = header.answers + header.authority + header.additional; offset && count > 0;
       --count) {
    auto next = SkipName(*offset);
    if (!next || *next + 10 > size) return std::nullopt;
    offset = *next + 10 + U16(*next + 8);  // type, class, time to live, data length, data
    if (*offset > size) return std::nullopt;
  }
  return offset;
}

}  // namespace tesmo
