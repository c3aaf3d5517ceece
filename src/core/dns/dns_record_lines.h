// How the engine prints records: resource record lines (the records of a
// Lookup of any type but A, and the records of a debug dump) and zone
// listing lines (one message of a zone transfer).
//
// Both print a record from its data decoded once (dns_record_data.h), so a
// malformed record prints what it held and its error lines, and the message
// stops there instead of being read past its end. WKS service and
// protocol names and the LOC text come from the system's tables and the
// resolver library, which are not thread-safe: callers hold NameCacheMutex,
// as every user of the engine does.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "core/net/dns_message.h"

namespace tesmo {

class CDnsOutput;

struct DnsPrintFlags {
  bool debug = false;   // the resolver's debug option
  bool debug2 = false;  // the engine's second-level debug option
};

// Prints the record at offset as a resource record line. Returns the offset
// of the next record, or nothing when the record could not be read: its error
// text ("(name truncated?)", "*** Error: record size incorrect") is printed
// and the caller stops printing the message.
std::optional<size_t> PrintResourceRecord(CDnsOutput& out, const CDnsMessage& message,
                                          size_t offset, DnsPrintFlags flags);

// One message of a zone transfer.
struct DnsListing {
  int type = 255;      // the listed type; 255 lists every record
  std::string domain;  // the listed zone; owner names inside it are shortened
  bool debug = false;
  int queryClass = 1;  // its mnemonic is shown with debug when every type is listed
};

// Prints the message's answer records as zone listing lines. Returns 0, the
// message's response code when it is not 0, -2 when it has no answers, or -3
// when a name or a record cannot be read (after printing " ***").
int PrintZoneListingLines(CDnsOutput& out, const CDnsMessage& message, const DnsListing& listing);

// The type-independent dump of a record's data: the location text for a LOC
// record of version 0, otherwise "\# LENGTH HEX" (the generic form of RFC
// 3597).
std::string GenericRecordText(const CDnsMessage& message, const DnsRecord& record);

}  // namespace tesmo
