// Resource record lines and zone listing lines.
#include "core/dns/dns_record_lines.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <resolv.h>
#include <strings.h>

#include <map>
#include <mutex>
#include <span>
#include <utility>
#include <variant>
#include <vector>

#include "core/base/untrusted_text.h"
#include "core/dns/dns_output.h"
#include "core/dns/dns_record_data.h"
#include "core/dns/dns_records.h"
#include "core/net/address_text.h"
#include "core/net/ip_address.h"

namespace tesmo {

namespace {

// A name as the engine prints it inside record data: "." for the root.
std::string PrintableName(const std::string& name) {
  return name.empty() ? std::string(".") : name;
}

// A string of record data as it may reach a terminal: control bytes escaped.
std::string Safe(std::string_view text) {
  return EscapeUntrusted(text);
}

// The strings of a TXT record, each in double quotes with a backslash before
// every double quote and backslash, control bytes escaped, separated by
// blanks.
std::string QuotedStrings(const std::vector<std::string>& strings) {
  std::string text;
  for (const std::string& piece : strings) {
    if (!text.empty()) text += ' ';
    std::string quoted;
    for (char c : piece) {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
    text += '"' + Safe(quoted) + '"';
  }
  return text;
}

std::string ProtocolName(uint32_t number) {
  protoent entry;
  protoent* found = nullptr;
  char buffer[1024];
  if (getprotobynumber_r(static_cast<int>(number), &entry, buffer, sizeof buffer, &found) != 0 ||
      !found)
    return {};
  return found->p_name;
}

// Service names by protocol and port, read once from the system's table.
// Looking every port bit of a WKS record up in the file would make a large
// bit map slow.
std::string ServiceName(const std::string& protocol, uint32_t port) {
  static std::once_flag loaded;
  static std::map<std::pair<std::string, uint32_t>, std::string> names;
  // The table's file position is process-wide; call_once keeps this the only
  // reader, and nothing else in the program enumerates services.
  std::call_once(loaded, [] {
    setservent(0);  // NOLINT(concurrency-mt-unsafe)
    servent entry;
    servent* found = nullptr;
    char buffer[4096];
    while (getservent_r(&entry, buffer, sizeof buffer, &found) == 0 && found) {
      names.emplace(std::make_pair(std::string(found->s_proto), ntohs(found->s_port)),
                    found->s_name);
    }
    endservent();  // NOLINT(concurrency-mt-unsafe)
  });
  auto it = names.find({protocol, port});
  return it == names.end() ? std::string() : it->second;
}

// The protocol of a WKS record by name, or by number when the system's table
// has no name for it.
std::string ProtocolText(const DnsWksData& wks) {
  const std::string name = ProtocolName(wks.protocol);
  return name.empty() ? std::to_string(wks.protocol) : name;
}

// Prints each port set in a WKS bit map (the first byte's top bit is port 0)
// by its service name after named, or by number after numbered when the
// system's table has no name for it.
void PrintPorts(CDnsOutput& out, const DnsWksData& wks, const char* named, const char* numbered) {
  const std::string protocol = ProtocolName(wks.protocol);
  for (uint32_t port = 0; port < wks.ports.size() * 8; ++port) {
    if ((wks.ports[port / 8] & (0x80 >> port % 8)) == 0) continue;
    const std::string service = ServiceName(protocol, port);
    if (service.empty()) {
      out.Print(numbered, port);
    } else {
      out.Print(named, service.c_str());
    }
  }
}

// RFC 5952: the one form every page shows an IPv6 address in.
std::string Ipv6Text(const std::array<uint8_t, 16>& bytes) {
  return IpAddress::V6(bytes).Text();
}

std::string NsapText(std::span<const uint8_t> bytes) {
  // The library's form: "0x", two hex digits per byte, a dot after every odd
  // byte; it stops after 255 bytes, so the buffer holds its longest text.
  char text[2 + 255 * 3 + 1];
  return inet_nsap_ntoa(static_cast<int>(bytes.size()), bytes.data(), text);
}

// --- Resource record lines ---------------------------------------------------

// Writes label, then names[index]; false when the data held no such name.
bool WriteName(CDnsOutput& out, const char* label, const std::vector<std::string>& names,
               size_t index) {
  out.Write(label);
  if (index >= names.size()) return false;
  out.Write(PrintableName(names[index]));
  return true;
}

// Prints the data's lines up to the first field the data did not hold. The
// forms that show the data whole (the generic one, UID of another length)
// count it read whole, and an unreadable NAPTR replacement is only noted:
// data's status and count then change to what was shown.
void PrintRecordData(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                     DnsRecordData& data, bool debug) {
  const auto shownWhole = [&] {
    data.status = DnsRecordData::Status::kOk;
    data.consumed = record.dataLength;
  };
  const auto& value = data.value;
  switch (record.type) {
    case kDnsTypeA: {
      const auto* a = std::get_if<DnsAddressData>(&value);
      if (a && (record.dnsClass == kDnsClassIn || record.dnsClass == kDnsClassHs)) {
        out.Print("\tinternet address = %s", FormatAddress(a->address).c_str());
        if (a->protocolPort)
          out.Print(", protocol = %u, port = %u", a->protocolPort->first, a->protocolPort->second);
        out.Write("\n");
      } else {
        out.Print("\taddress, class = %d, len = %zu\n", record.dnsClass, record.dataLength);
      }
      return;
    }
    case kDnsTypeNs:
    case kDnsTypeCname:
    case kDnsTypeMb:
    case kDnsTypeMg:
    case kDnsTypeMr:
    case kDnsTypePtr: {
      const char* label = record.type == kDnsTypeNs      ? "\tnameserver = "
                          : record.type == kDnsTypeCname ? "\tcanonical name = "
                          : record.type == kDnsTypeMb    ? "\tmail box = "
                          : record.type == kDnsTypeMg    ? "\tmail group member = "
                          : record.type == kDnsTypeMr    ? "\tmailbox rename = "
                                                         : "\tname = ";
      if (WriteName(out, label, std::get<DnsNamesData>(value).names, 0)) out.Write("\n");
      return;
    }
    case kDnsTypeSoa: {
      const auto& soa = std::get<DnsSoaData>(value);
      if (!debug) out.Write("\n");
      if (!WriteName(out, "\torigin = ", soa.names, 0) ||
          !WriteName(out, "\n\tmail addr = ", soa.names, 1) || soa.numbers.empty())
        return;
      out.Print("\n\tserial = %u", soa.numbers[0]);
      const char* labels[] = {"\n\trefresh = %u (%s)", "\n\tretry   = %u (%s)",
                              "\n\texpire  = %u (%s)", "\n\tminimum ttl = %u (%s)\n"};
      for (size_t i = 1; i < soa.numbers.size(); ++i)
        out.Print(labels[i - 1], soa.numbers[i], DnsTimeText(soa.numbers[i]).c_str());
      return;
    }
    case kDnsTypeNull:
      out.Print("\tNULL (dlen %zu)\n", record.dataLength);
      return;
    case kDnsTypeWks: {
      const auto* wks = std::get_if<DnsWksData>(&value);
      if (!wks) return;
      if (!debug) out.Write("\n");
      out.Print("\tinet address = %s, protocol = %s\n\t", FormatAddress(wks->address).c_str(),
                ProtocolText(*wks).c_str());
      PrintPorts(out, *wks, "  %s", " #%u");
      out.Write("\n");
      return;
    }
    case kDnsTypeHinfo: {
      const auto& strings = std::get<DnsStringsData>(value).strings;
      if (strings.empty()) return;
      out.Write("\tCPU = " + Safe(strings[0]));
      if (data.status != DnsRecordData::Status::kOk) return;
      if (strings.size() > 1 && !strings[1].empty()) {
        out.Write("\tOS = " + Safe(strings[1]) + "\n");
      } else {
        out.Write("\n*** Warning *** OS-type missing\n");
      }
      return;
    }
    case kDnsTypeMinfo:
    case kDnsTypeRp: {
      const bool minfo = record.type == kDnsTypeMinfo;
      const auto& names = std::get<DnsNamesData>(value).names;
      if (!debug) out.Write("\n");
      if (WriteName(out, minfo ? "\trequests = " : "\tmailbox = ", names, 0) &&
          WriteName(out, minfo ? "\n\terrors = " : "\n\ttext = ", names, 1))
        out.Write("\n");
      return;
    }
    case kDnsTypeMx:
    case kDnsTypeAfsdb:
    case kDnsTypeRt:
    case kDnsTypePx: {
      const auto* mx = std::get_if<DnsPreferenceData>(&value);
      if (!mx) return;
      out.Print(record.type == kDnsTypeAfsdb ? "\tsubtype = %u" : "\tpreference = %u",
                mx->preference);
      const char* label = record.type == kDnsTypeMx      ? ", mail exchanger = "
                          : record.type == kDnsTypeAfsdb ? ", DCE/AFS server = "
                          : record.type == kDnsTypeRt    ? ", router = "
                                                         : ", RFC 822 = ";
      if (!WriteName(out, label, mx->names, 0)) return;
      if (record.type == kDnsTypePx && !WriteName(out, "\nX.400 = ", mx->names, 1)) return;
      out.Write("\n");
      return;
    }
    case kDnsTypeTxt:
      if (data.status == DnsRecordData::Status::kOk)
        out.Write(" text = " + QuotedStrings(std::get<DnsStringsData>(value).strings) + "\n");
      return;
    case kDnsTypeX25: {
      const auto& strings = std::get<DnsStringsData>(value).strings;
      if (strings.empty()) return;
      out.Write(" X25 = \"" + Safe(strings[0]) + "\"\n");
      return;
    }
    case kDnsTypeIsdn: {
      const auto& strings = std::get<DnsStringsData>(value).strings;
      if (strings.empty()) return;
      out.Write("\tISDN = \"" + Safe(strings[0]));
      if (data.status != DnsRecordData::Status::kOk) return;
      if (strings.size() > 1) out.Write("-" + Safe(strings[1]));
      out.Write("\"\n");
      return;
    }
    case kDnsTypeNsap:
      out.Print("\tnsap = %s\n", NsapText(std::get<DnsBytesData>(value).bytes).c_str());
      return;
    case kDnsTypeAaaa:
      if (const auto* ipv6 = std::get_if<DnsIpv6Data>(&value))
        out.Print("\tIPv6 address = %s\n", Ipv6Text(ipv6->address).c_str());
      return;
    case kDnsTypeSrv: {
      const auto* srv = std::get_if<DnsServiceData>(&value);
      if (!srv) return;
      out.Print("\tpriority = %u, weight = %u, port= %u\n", srv->priority, srv->weight, srv->port);
      out.Write("\thost = ");
      if (srv->target) out.Write(PrintableName(*srv->target) + "\n");
      return;
    }
    case kDnsTypeNaptr: {
      const auto* naptr = std::get_if<DnsNaptrData>(&value);
      if (!naptr) return;
      out.Print("\torder = %u, preference = %u\n", naptr->order, naptr->preference);
      const char* words[] = {"flags", "services", "rule"};
      for (size_t i = 0; i < naptr->strings.size(); ++i)
        out.Write(std::string("\t") + words[i] + " = \"" + Safe(naptr->strings[i]) + "\"\n");
      if (naptr->strings.size() < 3) return;
      out.Write(
          "\treplacement = " +
          (naptr->replacement ? PrintableName(*naptr->replacement) : "(replacement truncated?)") +
          "\n");
      data.status = DnsRecordData::Status::kOk;
      return;
    }
    case kDnsTypeUinfo: {
      const auto bytes = std::get<DnsBytesData>(value).bytes;
      out.Write("\tuser info = " +
                Safe({reinterpret_cast<const char*>(bytes.data()), bytes.size()}) + "\n");
      return;
    }
    case kDnsTypeUid:
    case kDnsTypeGid: {
      const char letter = record.type == kDnsTypeUid ? 'u' : 'g';
      if (record.dataLength == 4) {
        out.Print("\t%cid = %u\n", letter, std::get<DnsNumberData>(value).value);
      } else {
        out.Print("\t%cid of length %zu?\n", letter, record.dataLength);
        shownWhole();
      }
      return;
    }
    default:
      out.Print("\trecord type %d, interpreted as:\n", record.type);
      out.Write(GenericRecordText(message, record) + "\n");
      shownWhole();
      return;
  }
}

// --- Zone listing lines ------------------------------------------------------

void PrintListingData(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                      const DnsRecordData& data, int listedType);

// Hands a record that was printed whole to the output's record sink: its
// data as the listing of its type shows it, on one line.
void SendRecord(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                const DnsRecordData& data, bool withTtl) {
  if (!out.WantsRecords()) return;
  CDnsOutput scratch(64);
  PrintListingData(scratch, message, record, data, record.type);
  std::string text;
  for (const std::string& line : scratch.Lines()) text += line + ' ';
  text += scratch.PendingLine();
  // One line: blanks collapsed and trimmed.
  std::string dataText;
  for (char c : text) {
    if (c == ' ' && (dataText.empty() || dataText.back() == ' ')) continue;
    dataText += c;
  }
  while (!dataText.empty() && dataText.back() == ' ') dataText.pop_back();
  out.Record({record.owner.empty() ? std::string(".") : record.owner, DnsTypeMnemonic(record.type),
              DnsClassMnemonic(record.dnsClass),
              withTtl ? std::to_string(record.ttl) : std::string(), dataText});
}

bool EndsWithDomain(const std::string& name, const std::string& domain) {
  if (name.size() <= domain.size()) return false;
  const size_t dot = name.size() - domain.size() - 1;
  return name[dot] == '.' && strcasecmp(name.c_str() + dot + 1, domain.c_str()) == 0;
}

// Prints each of names after its format, stopping at the first the data did
// not hold.
void PrintNames(CDnsOutput& out, const std::vector<std::string>& names,
                std::initializer_list<const char*> formats) {
  size_t i = 0;
  for (const char* format : formats) {
    if (i == names.size()) return;
    out.Print(format, PrintableName(names[i++]).c_str());
  }
}

// Prints the listing form of the data, up to the first field the data did not
// hold; the caller ends the line by the data's status.
void PrintListingData(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                      const DnsRecordData& data, int listType) {
  const auto& value = data.value;
  switch (record.type) {
    case kDnsTypeA:
      if (record.dnsClass != kDnsClassIn) return;
      if (const auto* a = std::get_if<DnsAddressData>(&value)) {
        out.Print(" %s", FormatAddress(a->address).c_str());
        if (a->protocolPort)
          out.Print(" (%u, %u)", a->protocolPort->first, a->protocolPort->second);
      } else {
        out.Print(" (dlen = %zu?)", record.dataLength);
      }
      return;
    case kDnsTypeNs:
    case kDnsTypePtr:
    case kDnsTypeNsapPtr:
      out.Write(" ");
      if (listType != kDnsTypeAny)
        out.Print("%s = ", record.type == kDnsTypePtr ? "host" : "server");
      PrintNames(out, std::get<DnsNamesData>(value).names, {"%-30s"});
      return;
    case kDnsTypeSoa: {
      const auto& soa = std::get<DnsSoaData>(value);
      PrintNames(out, soa.names, {" %s", " %s. ("});
      if (soa.numbers.size() < 5) return;
      for (size_t i = 0; i < 5; ++i) out.Print("%s%u", i == 0 ? "" : " ", soa.numbers[i]);
      out.Write(")");
      return;
    }
    case kDnsTypeWks: {
      const auto* wks = std::get_if<DnsWksData>(&value);
      if (record.dnsClass != kDnsClassIn || !wks) return;
      out.Print(" %-3s ", ProtocolText(*wks).c_str());
      PrintPorts(out, *wks, " %s", " %u");
      return;
    }
    case kDnsTypeHinfo:
    case kDnsTypeIsdn: {
      const auto& strings = std::get<DnsStringsData>(value).strings;
      if (strings.empty()) return;
      const std::string first = strings[0].empty() ? " " : Safe(strings[0]);
      out.Print(" %-10s", first.c_str());
      if (strings.size() > 1) out.Write("  " + Safe(strings[1]));
      return;
    }
    case kDnsTypeX25: {
      const auto& strings = std::get<DnsStringsData>(value).strings;
      if (!strings.empty()) out.Write("  " + Safe(strings[0]));
      return;
    }
    case kDnsTypeMinfo:
    case kDnsTypeRp:
      out.Write(" ");
      PrintNames(out, std::get<DnsNamesData>(value).names, {"%s", "  %s"});
      return;
    case kDnsTypeMx:
    case kDnsTypeAfsdb:
    case kDnsTypeRt:
    case kDnsTypePx:
      if (const auto* mx = std::get_if<DnsPreferenceData>(&value)) {
        out.Print(" %-3u ", mx->preference);
        PrintNames(out, mx->names, {" %s", " %s"});
      }
      return;
    case kDnsTypeCname:
    case kDnsTypeMb:
    case kDnsTypeMg:
    case kDnsTypeMr:
      PrintNames(out, std::get<DnsNamesData>(value).names, {" %s"});
      return;
    case kDnsTypeTxt:
      if (data.status == DnsRecordData::Status::kOk)
        out.Write(QuotedStrings(std::get<DnsStringsData>(value).strings));
      return;
    case kDnsTypeNsap:
      out.Print(" %s", NsapText(std::get<DnsBytesData>(value).bytes).c_str());
      return;
    case kDnsTypeAaaa:
      if (const auto* ipv6 = std::get_if<DnsIpv6Data>(&value))
        out.Print(" %s", Ipv6Text(ipv6->address).c_str());
      return;
    case kDnsTypeLoc:
      out.Print("\t%s", GenericRecordText(message, record).c_str());
      return;
    case kDnsTypeSrv:
      if (const auto* srv = std::get_if<DnsServiceData>(&value)) {
        out.Print("\t%u %u %u ", srv->priority, srv->weight, srv->port);
        if (srv->target) out.Write(PrintableName(*srv->target));
      }
      return;
    case kDnsTypeNaptr: {
      const auto* naptr = std::get_if<DnsNaptrData>(&value);
      if (!naptr) return;
      out.Print("\t%u %u", naptr->order, naptr->preference);
      for (const std::string& text : naptr->strings) {
        if (!text.empty()) out.Write(" \"" + Safe(text) + "\"");
      }
      if (naptr->replacement) out.Print(" %s", PrintableName(*naptr->replacement).c_str());
      return;
    }
    case kDnsTypeUinfo: {
      const auto bytes = std::get<DnsBytesData>(value).bytes;
      out.Write(" " + Safe({reinterpret_cast<const char*>(bytes.data()), bytes.size()}));
      return;
    }
    case kDnsTypeUid:
    case kDnsTypeGid:
      if (const auto* number = std::get_if<DnsNumberData>(&value)) out.Print(" %u", number->value);
      return;
    default:
      // Types without a listing form of their own still show their data.
      out.Write(" " + GenericRecordText(message, record));
      return;
  }
}

}  // namespace

std::string GenericRecordText(const CDnsMessage& message, const DnsRecord& record) {
  const uint8_t* bytes = message.Bytes() + record.data;
  if (record.type == kDnsTypeLoc && record.dataLength >= 16 && bytes[0] == 0) {
    char text[256];
    // The library's location notation (deprecated with the rest of its
    // printing helpers, and still the one text form of LOC data it offers).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    return loc_ntoa(bytes, text);
#pragma GCC diagnostic pop
  }
  std::string text = "\\# " + std::to_string(record.dataLength);
  if (record.dataLength > 0) text += ' ';
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (size_t i = 0; i < record.dataLength; ++i) {
    text += kHex[bytes[i] >> 4];
    text += kHex[bytes[i] & 0xF];
  }
  return text;
}

std::optional<size_t> PrintResourceRecord(CDnsOutput& out, const CDnsMessage& message,
                                          size_t offset, DnsPrintFlags flags) {
  DnsRecord record;
  size_t next = 0;
  const auto status = message.ReadRecord(offset, record, next);
  if (status == CDnsMessage::RecordStatus::kBadName) {
    out.Write("(name truncated?)\n");
    return std::nullopt;
  }
  out.Write(record.owner.empty() ? "(root)" : record.owner);
  if (status == CDnsMessage::RecordStatus::kCutHeader) {
    // Fewer bytes than the ten of type, class, time to live and length.
    out.Print("\n*** Error: record size incorrect (%zu != %d)\n\n", next, 10);
    return std::nullopt;
  }
  if (status == CDnsMessage::RecordStatus::kCutData) {
    out.Print("\n*** Error: record size incorrect (%zu != %zu)\n\n", next, record.dataLength);
    return std::nullopt;
  }

  const bool debug = flags.debug || flags.debug2;
  if (debug) {
    if (flags.debug2) {
      out.Print("\n\ttype = %s, class = %s, dlen = %zu", DnsTypeMnemonic(record.type).c_str(),
                DnsClassMnemonic(record.dnsClass).c_str(), record.dataLength);
    }
    if (record.type == kDnsTypeSoa) {
      out.Print("\n\tttl = %u (%s)", record.ttl, DnsTimeText(record.ttl).c_str());
    }
    out.Write("\n");
  }

  DnsRecordData data = DecodeRecordData(message, record);
  PrintRecordData(out, message, record, data, debug);
  if (data.status == DnsRecordData::Status::kBadName) {
    out.Write("(name truncated?)\n");
    return std::nullopt;
  }
  if (data.status == DnsRecordData::Status::kOk && debug && record.type != kDnsTypeSoa) {
    out.Print("\tttl = %u (%s)\n", record.ttl, DnsTimeText(record.ttl).c_str());
  }
  if (data.status == DnsRecordData::Status::kShort || data.consumed != record.dataLength) {
    out.Print("\n*** Error: record size incorrect (%zu != %zu)\n\n", data.consumed,
              record.dataLength);
    return std::nullopt;
  }
  SendRecord(out, message, record, data, true);
  return next;
}

int PrintZoneListingLines(CDnsOutput& out, const CDnsMessage& message, const DnsListing& listing) {
  const DnsHeader header = message.Header();
  if (message.Size() < kDnsHeaderSize) return kDnsError;
  if (header.rcode != 0) return header.rcode;
  if (header.answers == 0) return kDnsNoInfo;
  auto offset = message.SkipQuestions();
  if (!offset) {
    out.Write(" ***\n");
    return kDnsError;
  }

  // Owner names inside the zone are shown relative to it.
  std::string domain = listing.domain;
  if (!domain.empty() && domain.back() == '.') domain.pop_back();

  for (uint16_t i = 0; i < header.answers; ++i) {
    DnsRecord record;
    if (!message.NextRecord(*offset, record)) {
      out.Write(" ***\n");
      return kDnsError;
    }
    // A record of another type than the listed one is left out; listing A
    // also shows the zone's NS and PTR records.
    if (record.type != listing.type && listing.type != kDnsTypeAny &&
        !(listing.type == kDnsTypeA && (record.type == kDnsTypeNs || record.type == kDnsTypePtr)))
      continue;

    std::string owner = record.owner;
    if (owner.empty()) {
      owner = "(root)";
    } else if (!listing.debug && record.type != kDnsTypeSoa && EndsWithDomain(owner, domain)) {
      owner.resize(owner.size() - domain.size() - 1);
    } else if (owner.size() < 255) {
      owner += '.';
    }
    out.Print(" %-30s", owner.c_str());
    if (listing.type == kDnsTypeAny) {
      if (listing.debug) {
        out.Print("\t%u %-5s", record.ttl, DnsClassMnemonic(listing.queryClass).c_str());
      }
      out.Print(" %-5s", DnsTypeMnemonic(record.type).c_str());
    }

    const DnsRecordData data = DecodeRecordData(message, record);
    PrintListingData(out, message, record, data, listing.type);
    if (data.status != DnsRecordData::Status::kOk) {
      out.Write(" ***\n");
      return kDnsError;
    }
    out.Write("\n");
    SendRecord(out, message, record, data, true);
  }
  return kDnsSuccess;
}

}  // namespace tesmo
