// The debug dump of a DNS message.
#include "core/dns/dns_dump.h"

#include "core/dns/dns_output.h"
#include "core/dns/dns_records.h"

namespace tesmo {

namespace {

// Prints count records from offset, each after "    ->  "; false when one
// could not be read (its error is printed) and the dump must stop.
bool PrintSection(CDnsOutput& out, const CDnsMessage& message, size_t& offset, int count,
                  DnsPrintFlags flags) {
  for (int i = 0; i < count; ++i) {
    out.Write("    ->  ");
    auto next = PrintResourceRecord(out, message, offset, flags);
    if (!next) return false;
    offset = *next;
  }
  return true;
}

// Moves offset past count records; false when one cannot be read.
bool SkipRecords(const CDnsMessage& message, size_t& offset, int count) {
  DnsRecord record;
  for (int i = 0; i < count; ++i) {
    if (!message.NextRecord(offset, record)) return false;
  }
  return true;
}

void PrintBody(CDnsOutput& out, CDnsLog& log, const CDnsMessage& message, const DnsHeader& header,
               DnsPrintFlags flags) {
  size_t offset = kDnsHeaderSize;
  int questionType = 0;
  if (header.questions > 0) out.Write("    QUESTIONS:\n");
  for (int i = 0; i < header.questions; ++i) {
    std::string name;
    auto next = message.ReadName(offset, name);
    if (!next) {
      out.Write("(name truncated?)\n");
      return;
    }
    out.Write("\t");
    out.Write(name.empty() ? "(root)" : name);
    if (*next + 4 > message.Size()) {
      out.Print("\n*** Error: record size incorrect (%zu != 4)\n\n", message.Size() - *next);
      return;
    }
    questionType = message.U16(*next);
    out.Print(", type = %s", DnsTypeMnemonic(questionType).c_str());
    out.Print(", class = %s\n", DnsClassMnemonic(message.U16(*next + 2)).c_str());
    offset = *next + 4;
  }

  int answers = header.answers;
  int skipped = 0;
  if (questionType == kDnsTypeA && answers > kDumpMaxAddresses) {
    log.Out("Limiting response to MAX Addrs = %d \n", kDumpMaxAddresses);
    skipped = answers - kDumpMaxAddresses;
    answers = kDumpMaxAddresses;
  }
  if (answers > 0) {
    out.Write("    ANSWERS:\n");
    if (!PrintSection(out, message, offset, answers, flags)) return;
  }
  // The answers left out are still stepped over, so the sections after them
  // are read from where they really begin.
  if (!SkipRecords(message, offset, skipped)) return;
  if (header.authority > 0) {
    out.Write("    AUTHORITY RECORDS:\n");
    if (!PrintSection(out, message, offset, header.authority, flags)) return;
  }
  if (header.additional > 0) {
    out.Write("    ADDITIONAL RECORDS:\n");
    if (!PrintSection(out, message, offset, header.additional, flags)) return;
  }
}

}  // namespace

void PrintDebugDump(CDnsOutput& out, CDnsLog& log, const CDnsMessage& message,
                    DnsPrintFlags flags) {
  const DnsHeader header = message.Header();
  out.Write("    HEADER:\n");
  out.Print("\topcode = %s", DnsOpcodeText(header.opcode));
  out.Print(", id = %u", header.id);
  out.Print(", rcode = %s\n", DnsRcodeText(header.rcode));
  out.Write("\theader flags: ");
  out.Write(header.response ? " response" : " query");
  if (header.authoritative) out.Write(", auth. answer");
  if (header.truncated) out.Write(", truncation");
  if (header.recursionDesired) out.Write(", want recursion");
  if (header.recursionAvailable) out.Write(", recursion avail.");
  if (header.unusedBit) out.Write(", UNUSED-QUERY_BIT");
  if (header.authenticData) out.Write(", authentic data");
  if (header.checkingDisabled) out.Write(", checking disabled");
  out.Print("\n\tquestions = %u", header.questions);
  out.Print(",  answers = %u", header.answers);
  out.Print(",  authority records = %u", header.authority);
  out.Print(",  additional = %u\n\n", header.additional);
  if (message.Size() >= kDnsHeaderSize) PrintBody(out, log, message, header, flags);
  out.Write("\n------------\n");
}

}  // namespace tesmo
