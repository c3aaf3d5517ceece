// Decoding of resource record data.
#include "core/dns/dns_record_data.h"

#include <algorithm>
#include <limits>

#include "core/dns/dns_records.h"

namespace tesmo {

namespace {

// Reads the fields of one record's data in order. A fixed field past the
// data's end fails the read and every read after it; names may point
// anywhere in the message but must begin inside the data.
class CDataReader {
 public:
  CDataReader(const CDnsMessage& message, const DnsRecord& record)
      : message(message),
        position(record.data),
        end(record.data + record.dataLength),
        start(record.data) {}

  std::optional<std::span<const uint8_t>> Bytes(size_t count) {
    if (failed || position > end || end - position < count) {
      if (!failed) wanted = position - start + count;
      failed = true;
      return std::nullopt;
    }
    position += count;
    return std::span(message.Bytes() + position - count, count);
  }
  // A big-endian number of size bytes.
  std::optional<uint32_t> Number(size_t size) {
    auto bytes = Bytes(size);
    if (!bytes) return std::nullopt;
    uint32_t value = 0;
    for (uint8_t byte : *bytes) value = value << 8 | byte;
    return value;
  }
  // A character string: a length byte and that many bytes.
  std::optional<std::string> String() {
    auto length = Number(1);
    auto bytes = length ? Bytes(*length) : std::nullopt;
    if (!bytes) return std::nullopt;
    return std::string(bytes->begin(), bytes->end());
  }
  std::optional<std::string> Name() {
    std::string name;
    std::optional<size_t> next;
    if (!failed && position < end) next = message.ReadName(position, name);
    if (!next) {
      badName = true;
      return std::nullopt;
    }
    position = *next;
    return name;
  }
  // count names into names; false at the first that cannot be read.
  bool Names(std::vector<std::string>& names, size_t count) {
    for (; count > 0; --count) {
      auto name = Name();
      if (!name) return false;
      names.push_back(std::move(*name));
    }
    return true;
  }

  bool AtEnd() const { return failed || position >= end; }
  DnsRecordData::Status Status() const {
    return badName  ? DnsRecordData::Status::kBadName
           : failed ? DnsRecordData::Status::kShort
                    : DnsRecordData::Status::kOk;
  }
  // A name that failed counts nothing: the bytes read are those before it.
  size_t Consumed() const { return failed ? wanted : position - start; }

 private:
  const CDnsMessage& message;
  size_t position;
  size_t end;
  size_t start;
  bool failed = false;
  bool badName = false;
  size_t wanted = 0;
};

}  // namespace

DnsRecordData DecodeRecordData(const CDnsMessage& message, const DnsRecord& record) {
  CDataReader data(message, record);
  DnsRecordData result;
  auto& value = result.value;
  switch (record.type) {
    case kDnsTypeA:
      if (record.dataLength == 4 || record.dataLength == 7) {
        auto& a = value.emplace<DnsAddressData>();
        a.address = *data.Number(4);
        if (record.dataLength == 7) {
          const uint32_t protocol = *data.Number(1);
          a.protocolPort.emplace(protocol, *data.Number(2));
        }
      } else {
        value = DnsBytesData{*data.Bytes(record.dataLength)};
      }
      break;
    case kDnsTypeNs:
    case kDnsTypeCname:
    case kDnsTypeMb:
    case kDnsTypeMg:
    case kDnsTypeMr:
    case kDnsTypePtr:
    case kDnsTypeNsapPtr:
      data.Names(value.emplace<DnsNamesData>().names, 1);
      break;
    case kDnsTypeMinfo:
    case kDnsTypeRp:
      data.Names(value.emplace<DnsNamesData>().names, 2);
      break;
    case kDnsTypeMx:
    case kDnsTypeAfsdb:
    case kDnsTypeRt:
    case kDnsTypePx:
      if (auto preference = data.Number(2)) {
        auto& mx = value.emplace<DnsPreferenceData>();
        mx.preference = *preference;
        data.Names(mx.names, record.type == kDnsTypePx ? 2 : 1);
      }
      break;
    case kDnsTypeSoa: {
      auto& soa = value.emplace<DnsSoaData>();
      if (!data.Names(soa.names, 2)) break;
      for (int i = 0; i < 5; ++i) {
        auto number = data.Number(4);
        if (!number) break;
        soa.numbers.push_back(*number);
      }
      break;
    }
    case kDnsTypeWks:
      if (record.dataLength >= 5) {
        auto& wks = value.emplace<DnsWksData>();
        wks.address = *data.Number(4);
        wks.protocol = *data.Number(1);
        wks.ports = *data.Bytes(record.dataLength - 5);
      }
      break;
    case kDnsTypeHinfo:
    case kDnsTypeIsdn:
    case kDnsTypeX25:
    case kDnsTypeTxt: {
      auto& strings = value.emplace<DnsStringsData>().strings;
      const size_t most = record.type == kDnsTypeX25   ? 1
                          : record.type == kDnsTypeTxt ? std::numeric_limits<size_t>::max()
                                                       : 2;
      // All but TXT have a first string even when the data is empty.
      while (strings.size() < most &&
             (!data.AtEnd() || (strings.empty() && record.type != kDnsTypeTxt))) {
        auto text = data.String();
        if (!text) break;
        strings.push_back(std::move(*text));
      }
      break;
    }
    case kDnsTypeAaaa:
      if (auto bytes = data.Bytes(16)) {
        std::copy(bytes->begin(), bytes->end(), value.emplace<DnsIpv6Data>().address.begin());
      }
      break;
    case kDnsTypeSrv: {
      // After a failed field the others fail too, keeping its count.
      auto priority = data.Number(2), weight = data.Number(2), port = data.Number(2);
      if (priority && weight && port)
        value = DnsServiceData{*priority, *weight, *port, data.Name()};
      break;
    }
    case kDnsTypeNaptr: {
      auto order = data.Number(2), preference = data.Number(2);
      if (!order || !preference) break;
      auto& naptr = value.emplace<DnsNaptrData>(DnsNaptrData{*order, *preference, {}, {}});
      while (naptr.strings.size() < 3) {
        auto text = data.String();
        if (!text) break;
        naptr.strings.push_back(std::move(*text));
      }
      if (naptr.strings.size() == 3) naptr.replacement = data.Name();
      break;
    }
    case kDnsTypeUid:
    case kDnsTypeGid:
      if (auto number = data.Number(4)) value = DnsNumberData{*number};
      break;
    default:
      value = DnsBytesData{*data.Bytes(record.dataLength)};
      break;
  }
  result.status = data.Status();
  result.consumed = data.Consumed();
  return result;
}

}  // namespace tesmo
