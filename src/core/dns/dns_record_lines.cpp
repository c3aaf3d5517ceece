// Resource record lines and zone listing lines.
#include "core/dns/dns_record_lines.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <resolv.h>
#include <strings.h>

#include <cstdio>
#include <map>
#include <mutex>
#include <utility>

#include "core/dns/dns_output.h"
#include "core/dns/dns_records.h"

namespace tesmo {

namespace {

// What printing one record's data came to.
enum class DataStatus {
  kOk,
  kBadName,  // a name could not be read
  kShort,    // a fixed field lies past the data's end
};

std::string DottedQuad(const uint8_t* bytes) {
  char text[16];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
  return text;
}

// A character string in double quotes, with a backslash before every line
// feed, double quote and backslash.
std::string QuotedText(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\n' || c == '"' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

// The strings of a TXT record, quoted and separated by blanks.
DataStatus QuotedStrings(CDnsDataReader& data, std::string& text) {
  text.clear();
  while (!data.AtEnd()) {
    std::string piece;
    if (!data.String(piece)) return DataStatus::kShort;
    if (!text.empty()) text += ' ';
    text += QuotedText(piece);
  }
  return DataStatus::kOk;
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

// The ports whose bits are set in a WKS bit map (first byte's top bit = port 0).
template <typename Visit>
void ForEachPort(const uint8_t* bits, size_t count, Visit visit) {
  for (size_t i = 0; i < count; ++i) {
    for (int bit = 0; bit < 8; ++bit) {
      if (bits[i] & (0x80 >> bit)) visit(static_cast<uint32_t>(i * 8 + bit));
    }
  }
}

std::string Ipv6Text(const uint8_t* bytes) {
  char text[INET6_ADDRSTRLEN];
  return inet_ntop(AF_INET6, bytes, text, sizeof text) ? text : "";
}

std::string NsapText(const uint8_t* bytes, size_t length) {
  // The library's form: "0x", two hex digits per byte, a dot after every odd
  // byte; it stops after 255 bytes, so the buffer holds its longest text.
  char text[2 + 255 * 3 + 1];
  return inet_nsap_ntoa(static_cast<int>(length), bytes, text);
}

const char* RootOr(const std::string& owner) {
  return owner.empty() ? "(root)" : owner.c_str();
}

// --- Resource record lines ---------------------------------------------------

DataStatus PrintNameAfter(CDnsOutput& out, CDnsDataReader& data, const char* label) {
  std::string name;
  out.Write(label);
  if (!data.Name(name)) return DataStatus::kBadName;
  out.Write(PrintableName(name));
  return DataStatus::kOk;
}

DataStatus PrintRecordData(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                           CDnsDataReader& data, bool debug) {
  const uint8_t* bytes;
  uint32_t a, b, c;
  std::string first, second, name;
  DataStatus status;
  switch (record.type) {
    case kDnsTypeA:
      if ((record.dnsClass == kDnsClassIn || record.dnsClass == kDnsClassHs) &&
          (record.dataLength == 4 || record.dataLength == 7)) {
        data.Bytes(4, bytes);
        if (record.dataLength == 4) {
          out.Print("\tinternet address = %s\n", DottedQuad(bytes).c_str());
        } else {
          data.U8(a);
          data.U16(b);
          out.Print("\tinternet address = %s", DottedQuad(bytes).c_str());
          out.Print(", protocol = %u", a);
          out.Print(", port = %u\n", b);
        }
      } else {
        out.Print("\taddress, class = %d, len = %zu\n", record.dnsClass, record.dataLength);
        data.Bytes(record.dataLength, bytes);
      }
      return DataStatus::kOk;
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
      if ((status = PrintNameAfter(out, data, label)) != DataStatus::kOk) return status;
      out.Write("\n");
      return DataStatus::kOk;
    }
    case kDnsTypeSoa: {
      if (!debug) out.Write("\n");
      if ((status = PrintNameAfter(out, data, "\torigin = ")) != DataStatus::kOk) return status;
      if ((status = PrintNameAfter(out, data, "\n\tmail addr = ")) != DataStatus::kOk)
        return status;
      if (!data.U32(a)) return DataStatus::kShort;
      out.Print("\n\tserial = %u", a);
      const char* labels[] = {"\n\trefresh = %u (%s)", "\n\tretry   = %u (%s)",
                              "\n\texpire  = %u (%s)", "\n\tminimum ttl = %u (%s)\n"};
      for (const char* label : labels) {
        if (!data.U32(a)) return DataStatus::kShort;
        out.Print(label, a, DnsTimeText(a).c_str());
      }
      return DataStatus::kOk;
    }
    case kDnsTypeNull:
      out.Print("\tNULL (dlen %zu)\n", record.dataLength);
      data.Bytes(record.dataLength, bytes);
      return DataStatus::kOk;
    case kDnsTypeWks: {
      if (record.dataLength < 5) return DataStatus::kOk;
      if (!debug) out.Write("\n");
      data.Bytes(4, bytes);
      const std::string address = DottedQuad(bytes);
      data.U8(a);
      const std::string protocol = ProtocolName(a);
      if (protocol.empty()) {
        out.Print("\tinet address = %s, protocol = %u\n\t", address.c_str(), a);
      } else {
        out.Print("\tinet address = %s, protocol = %s\n\t", address.c_str(), protocol.c_str());
      }
      const size_t count = data.Left();
      data.Bytes(count, bytes);
      ForEachPort(bytes, count, [&](uint32_t port) {
        const std::string service = ServiceName(protocol, port);
        if (service.empty()) {
          out.Print(" #%u", port);
        } else {
          out.Print("  %s", service.c_str());
        }
      });
      out.Write("\n");
      return DataStatus::kOk;
    }
    case kDnsTypeHinfo: {
      if (!data.String(first)) return DataStatus::kShort;
      out.Print("\tCPU = %.*s", static_cast<int>(first.size()), first.data());
      const bool hasOs = !data.AtEnd();
      if (hasOs && !data.String(second)) return DataStatus::kShort;
      if (hasOs && !second.empty()) {
        out.Print("\tOS = %.*s\n", static_cast<int>(second.size()), second.data());
      } else {
        out.Write("\n*** Warning *** OS-type missing\n");
      }
      return DataStatus::kOk;
    }
    case kDnsTypeMinfo:
    case kDnsTypeRp: {
      const bool minfo = record.type == kDnsTypeMinfo;
      if (!debug) out.Write("\n");
      if ((status = PrintNameAfter(out, data, minfo ? "\trequests = " : "\tmailbox = ")) !=
          DataStatus::kOk)
        return status;
      if ((status = PrintNameAfter(out, data, minfo ? "\n\terrors = " : "\n\ttext = ")) !=
          DataStatus::kOk)
        return status;
      out.Write("\n");
      return DataStatus::kOk;
    }
    case kDnsTypeMx:
    case kDnsTypeAfsdb:
    case kDnsTypeRt: {
      if (!data.U16(a)) return DataStatus::kShort;
      const char* number = record.type == kDnsTypeAfsdb ? "\tsubtype = %u" : "\tpreference = %u";
      const char* label = record.type == kDnsTypeMx      ? ", mail exchanger = "
                          : record.type == kDnsTypeAfsdb ? ", DCE/AFS server = "
                                                         : ", router = ";
      out.Print(number, a);
      if ((status = PrintNameAfter(out, data, label)) != DataStatus::kOk) return status;
      out.Write("\n");
      return DataStatus::kOk;
    }
    case kDnsTypePx:
      if (!data.U16(a)) return DataStatus::kShort;
      out.Print("\tpreference = %u", a);
      if ((status = PrintNameAfter(out, data, ", RFC 822 = ")) != DataStatus::kOk) return status;
      if ((status = PrintNameAfter(out, data, "\nX.400 = ")) != DataStatus::kOk) return status;
      out.Write("\n");
      return DataStatus::kOk;
    case kDnsTypeTxt:
      if ((status = QuotedStrings(data, first)) != DataStatus::kOk) return status;
      out.Write(" text = ");
      out.Write(first);
      out.Write("\n");
      return DataStatus::kOk;
    case kDnsTypeX25: {
      if (!data.String(first)) return DataStatus::kShort;
      std::string text;
      for (char ch : first) {
        if (ch == '\n') text += '\\';
        text += ch;
      }
      out.Write(" X25 = \"");
      out.Write(text);
      out.Write("\"\n");
      return DataStatus::kOk;
    }
    case kDnsTypeIsdn:
      if (!data.String(first)) return DataStatus::kShort;
      out.Write("\tISDN = \"");
      out.Write(first);
      if (!data.AtEnd()) {
        if (!data.String(second)) return DataStatus::kShort;
        out.Write("-");
        out.Write(second);
      }
      out.Write("\"\n");
      return DataStatus::kOk;
    case kDnsTypeNsap:
      data.Bytes(record.dataLength, bytes);
      out.Print("\tnsap = %s\n", NsapText(bytes, record.dataLength).c_str());
      return DataStatus::kOk;
    case kDnsTypeAaaa:
      if (!data.Bytes(16, bytes)) return DataStatus::kShort;
      out.Print("\tIPv6 address = %s\n", Ipv6Text(bytes).c_str());
      return DataStatus::kOk;
    case kDnsTypeSrv:
      if (!data.U16(a) || !data.U16(b) || !data.U16(c)) return DataStatus::kShort;
      out.Print("\tpriority = %u", a);
      out.Print(", weight = %u", b);
      out.Print(", port= %u\n", c);
      if ((status = PrintNameAfter(out, data, "\thost = ")) != DataStatus::kOk) return status;
      out.Write("\n");
      return DataStatus::kOk;
    case kDnsTypeNaptr: {
      if (!data.U16(a) || !data.U16(b)) return DataStatus::kShort;
      out.Print("\torder = %u", a);
      out.Print(", preference = %u\n", b);
      for (const char* word : {"flags", "services", "rule"}) {
        if (!data.String(first)) return DataStatus::kShort;
        out.Print("\t%s = \"", word);
        out.Write(first);
        out.Write("\"\n");
      }
      out.Write("\treplacement = ");
      if (data.Name(name)) {
        out.Write(PrintableName(name));
        out.Write("\n");
      } else {
        out.Write("(replacement truncated?)\n");
      }
      return DataStatus::kOk;
    }
    case kDnsTypeUinfo:
      data.Bytes(record.dataLength, bytes);
      out.Print("\tuser info = %.*s\n", static_cast<int>(record.dataLength),
                reinterpret_cast<const char*>(bytes));
      return DataStatus::kOk;
    case kDnsTypeUid:
    case kDnsTypeGid: {
      const char letter = record.type == kDnsTypeUid ? 'u' : 'g';
      if (record.dataLength == 4) {
        data.U32(a);
        out.Print("\t%cid = %u\n", letter, a);
      } else {
        out.Print("\t%cid of length %zu?\n", letter, record.dataLength);
        data.Bytes(record.dataLength, bytes);
      }
      return DataStatus::kOk;
    }
    default:
      out.Print("\trecord type %d, interpreted as:\n", record.type);
      out.Write(GenericRecordText(message, record));
      out.Write("\n");
      data.Bytes(record.dataLength, bytes);
      return DataStatus::kOk;
  }
}

// --- Zone listing lines ------------------------------------------------------

bool EndsWithDomain(const std::string& name, const std::string& domain) {
  if (name.size() <= domain.size()) return false;
  const size_t dot = name.size() - domain.size() - 1;
  return name[dot] == '.' && strcasecmp(name.c_str() + dot + 1, domain.c_str()) == 0;
}

DataStatus PrintListingData(CDnsOutput& out, const CDnsMessage& message, const DnsRecord& record,
                            CDnsDataReader& data, int listType) {
  const uint8_t* bytes;
  uint32_t a, b, c;
  std::string first, second, name;
  auto printName = [&](const char* format) {
    if (!data.Name(name)) return false;
    out.Print(format, PrintableName(name).c_str());
    return true;
  };
  switch (record.type) {
    case kDnsTypeA:
      if (record.dnsClass != kDnsClassIn) return DataStatus::kOk;
      if (record.dataLength == 4 || record.dataLength == 7) {
        data.Bytes(4, bytes);
        out.Print(" %s", DottedQuad(bytes).c_str());
        if (record.dataLength == 7) {
          data.U8(a);
          data.U16(b);
          out.Print(" (%u, %u)", a, b);
        }
      } else {
        out.Print(" (dlen = %zu?)", record.dataLength);
      }
      return DataStatus::kOk;
    case kDnsTypeNs:
    case kDnsTypePtr:
    case kDnsTypeNsapPtr:
      out.Write(" ");
      if (listType != kDnsTypeAny)
        out.Print("%s = ", record.type == kDnsTypePtr ? "host" : "server");
      return printName("%-30s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeSoa: {
      if (!printName(" %s")) return DataStatus::kBadName;
      if (!printName(" %s. (")) return DataStatus::kBadName;
      uint32_t numbers[5];
      for (auto& number : numbers) {
        if (!data.U32(number)) return DataStatus::kShort;
      }
      for (size_t i = 0; i < 5; ++i) out.Print("%s%u", i == 0 ? "" : " ", numbers[i]);
      out.Write(")");
      return DataStatus::kOk;
    }
    case kDnsTypeWks: {
      if (record.dnsClass != kDnsClassIn || record.dataLength < 5) return DataStatus::kOk;
      data.Bytes(4, bytes);
      data.U8(a);
      const std::string protocol = ProtocolName(a);
      if (protocol.empty()) {
        out.Print(" %-3u ", a);
      } else {
        out.Print(" %-3s ", protocol.c_str());
      }
      const size_t count = data.Left();
      data.Bytes(count, bytes);
      ForEachPort(bytes, count, [&](uint32_t port) {
        const std::string service = ServiceName(protocol, port);
        if (service.empty()) {
          out.Print(" %u", port);
        } else {
          out.Print(" %s", service.c_str());
        }
      });
      return DataStatus::kOk;
    }
    case kDnsTypeHinfo:
    case kDnsTypeIsdn:
      if (!data.String(first)) return DataStatus::kShort;
      if (first.empty()) first = " ";
      out.Print(" %-10.*s", static_cast<int>(first.size()), first.data());
      if (!data.AtEnd()) {
        if (!data.String(second)) return DataStatus::kShort;
        out.Print("  %.*s", static_cast<int>(second.size()), second.data());
      }
      return DataStatus::kOk;
    case kDnsTypeX25:
      if (!data.String(first)) return DataStatus::kShort;
      out.Print("  %.*s", static_cast<int>(first.size()), first.data());
      return DataStatus::kOk;
    case kDnsTypeMinfo:
    case kDnsTypeRp:
      out.Write(" ");
      if (!printName("%s")) return DataStatus::kBadName;
      return printName("  %s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeMx:
    case kDnsTypeAfsdb:
    case kDnsTypeRt:
      if (!data.U16(a)) return DataStatus::kShort;
      out.Print(" %-3u ", a);
      return printName(" %s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeCname:
    case kDnsTypeMb:
    case kDnsTypeMg:
    case kDnsTypeMr:
      return printName(" %s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeTxt: {
      const DataStatus status = QuotedStrings(data, first);
      if (status != DataStatus::kOk) return status;
      out.Write(first);
      return DataStatus::kOk;
    }
    case kDnsTypeNsap:
      data.Bytes(record.dataLength, bytes);
      out.Print(" %s", NsapText(bytes, record.dataLength).c_str());
      return DataStatus::kOk;
    case kDnsTypePx:
      if (!data.U16(a)) return DataStatus::kShort;
      out.Print(" %-3u ", a);
      if (!printName(" %s")) return DataStatus::kBadName;
      return printName(" %s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeAaaa:
      if (!data.Bytes(16, bytes)) return DataStatus::kShort;
      out.Print(" %s", Ipv6Text(bytes).c_str());
      return DataStatus::kOk;
    case kDnsTypeLoc:
      out.Print("\t%s", GenericRecordText(message, record).c_str());
      return DataStatus::kOk;
    case kDnsTypeSrv:
      if (!data.U16(a) || !data.U16(b) || !data.U16(c)) return DataStatus::kShort;
      out.Print("\t%u %u %u ", a, b, c);
      return printName("%s") ? DataStatus::kOk : DataStatus::kBadName;
    case kDnsTypeNaptr: {
      if (!data.U16(a) || !data.U16(b)) return DataStatus::kShort;
      out.Print("\t%u", a);
      out.Print(" %u", b);
      for (int i = 0; i < 3; ++i) {
        if (!data.String(first)) return DataStatus::kShort;
        if (!first.empty()) {
          out.Write(" \"");
          out.Write(first);
          out.Write("\"");
        }
      }
      return printName(" %s") ? DataStatus::kOk : DataStatus::kBadName;
    }
    case kDnsTypeUinfo:
      data.Bytes(record.dataLength, bytes);
      out.Print(" %.*s", static_cast<int>(record.dataLength), reinterpret_cast<const char*>(bytes));
      return DataStatus::kOk;
    case kDnsTypeUid:
    case kDnsTypeGid:
      if (!data.U32(a)) return DataStatus::kShort;
      out.Print(" %u", a);
      return DataStatus::kOk;
    default:
      // Types without a listing form of their own still show their data.
      out.Write(" ");
      out.Write(GenericRecordText(message, record));
      return DataStatus::kOk;
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
  out.Print("%s", RootOr(record.owner));
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

  CDnsDataReader data(message, record);
  switch (PrintRecordData(out, message, record, data, debug)) {
    case DataStatus::kBadName:
      out.Write("(name truncated?)\n");
      return std::nullopt;
    case DataStatus::kShort:
      out.Print("\n*** Error: record size incorrect (%zu != %zu)\n\n", data.Consumed(),
                record.dataLength);
      return std::nullopt;
    case DataStatus::kOk:
      break;
  }
  if (debug && record.type != kDnsTypeSoa) {
    out.Print("\tttl = %u (%s)\n", record.ttl, DnsTimeText(record.ttl).c_str());
  }
  if (data.Consumed() != record.dataLength) {
    out.Print("\n*** Error: record size incorrect (%zu != %zu)\n\n", data.Consumed(),
              record.dataLength);
    return std::nullopt;
  }
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

    CDnsDataReader data(message, record);
    if (PrintListingData(out, message, record, data, listing.type) != DataStatus::kOk) {
      out.Write(" ***\n");
      return kDnsError;
    }
    out.Write("\n");
  }
  return kDnsSuccess;
}

}  // namespace tesmo
