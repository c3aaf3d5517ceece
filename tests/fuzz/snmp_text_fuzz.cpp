// libFuzzer target over the SNMP text forms: values of any tag, syntax,
// display hint and content; object identifiers of any text or numbers.
// The first byte picks what one input exercises.
#include <fuzzer/FuzzedDataProvider.h>
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "core/snmp/mib_loader.h"
#include "core/snmp/oid_text.h"
#include "core/snmp/value_text.h"

namespace {

// Object identifiers that lead into the interesting parts of the tree (table
// columns with enumerations, hints and units), so fuzzed names meet real
// nodes often.
const std::vector<uint32_t> kPrefixes[] = {
    {},
    {1, 3, 6, 1, 2, 1},
    {1, 3, 6, 1, 2, 1, 2, 2, 1},
    {1, 3, 6, 1, 2, 1, 4, 20, 1},
    {1, 3, 6, 1, 2, 1, 31, 1, 1, 1},
    {1, 3, 6, 1, 4, 1, 2021},
    {1, 3, 6, 1, 4, 1, 8072},
    {1, 3, 6, 1, 6, 3},
};

std::vector<uint32_t> Identifier(FuzzedDataProvider& data) {
  std::vector<uint32_t> id =
      kPrefixes[data.ConsumeIntegralInRange<size_t>(0, std::size(kPrefixes) - 1)];
  size_t more = data.ConsumeIntegralInRange<size_t>(0, 140);
  for (size_t i = 0; i < more && data.remaining_bytes() > 0; ++i) {
    id.push_back(data.ConsumeBool() ? data.ConsumeIntegralInRange<uint32_t>(0, 40)
                                    : data.ConsumeIntegral<uint32_t>());
  }
  return id;
}

void FormatOne(FuzzedDataProvider& data, bool throughTree) {
  tesmo::SnmpNodeSyntax syntax;
  std::string hint;
  std::string units;
  enum_list enums[3];
  std::vector<uint32_t> name;
  if (throughTree) {
    name = Identifier(data);
  } else {
    syntax.syntax = static_cast<tesmo::SnmpSyntax>(data.ConsumeIntegralInRange<int>(0, 14));
    if (data.ConsumeBool()) {
      hint = data.ConsumeRandomLengthString(40);
      syntax.hint = hint.c_str();
    }
    if (data.ConsumeBool()) {
      units = data.ConsumeRandomLengthString(16);
      syntax.units = units.c_str();
    }
    if (data.ConsumeBool()) {
      static char up[] = "up", down[] = "down", odd[] = "";
      enums[0] = {&enums[1], 1, up};
      enums[1] = {&enums[2], data.ConsumeIntegral<int>(), down};
      enums[2] = {nullptr, INT_MIN, odd};
      syntax.enums = enums;
    }
  }
  tesmo::SnmpValue value;
  value.type = data.ConsumeIntegral<uint8_t>();
  value.integer = data.ConsumeIntegral<int64_t>();
  value.counter64 = data.ConsumeIntegral<uint64_t>();
  value.real = data.ConsumeFloatingPoint<double>();
  std::vector<uint32_t> objectId;
  size_t objectIdLength = data.ConsumeIntegralInRange<size_t>(0, tesmo::kMaxObjectIdLength);
  for (size_t i = 0; i < objectIdLength && data.remaining_bytes() > 0; ++i) {
    objectId.push_back(data.ConsumeIntegralInRange<uint32_t>(0, 12));
  }
  value.objectId = objectId;
  // An allocation of exactly the value's size, so that reading one byte past
  // it trips AddressSanitizer.
  std::string rest = data.ConsumeRemainingBytesAsString();
  std::unique_ptr<char[]> exact(new char[rest.size() + (rest.empty() ? 1 : 0)]);
  std::copy(rest.begin(), rest.end(), exact.get());
  std::string_view bytes(exact.get(), rest.size());
  value.bytes = bytes;
  std::string text =
      throughTree ? tesmo::FormatSnmpValue(name, value) : tesmo::FormatSnmpValueAs(syntax, value);
  // Every form is bounded by a small multiple of the value's size.
  if (text.size() > 64 * (bytes.size() + objectId.size() + hint.size() + units.size()) + 4096) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char cwd[4096];
  tesmo::LoadMibs(tesmo::MibDirectoryList(getcwd(cwd, sizeof cwd) != nullptr ? cwd : "."));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  FuzzedDataProvider data(bytes, size);
  switch (data.ConsumeIntegralInRange<int>(0, 3)) {
    case 0: {
      std::string text = data.ConsumeRemainingBytesAsString();
      tesmo::ObjectId id;
      if (tesmo::ParseObjectId(text, id)) {
        if (id.empty() || id.size() > tesmo::kMaxObjectIdLength) __builtin_trap();
        tesmo::FormatObjectId(id);
      }
      break;
    }
    case 1:
      FormatOne(data, false);
      break;
    case 2:
      FormatOne(data, true);
      break;
    default:
      tesmo::FormatObjectId(Identifier(data));
      break;
  }
  return 0;
}
