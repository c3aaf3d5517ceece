// Addresses read out of table indexes that an agent controls: the well-formed
// ones of each address type, and malformed ones (wrong lengths, bytes above
// 255, indexes cut short or too long), which must fail with a reason and never
// read past the index.
#include "core/snmp/inet_index.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/snmp/oid_text.h"
#include "support/mib_environment.h"

namespace tesmo {
namespace {

const auto* const kMibEnvironment = ::testing::AddGlobalTestEnvironment(new CMibEnvironment);

// 2001:db8::1 and fe80::1 as index bytes.
ObjectId Doc6() {
  return {32, 1, 13, 184, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
}
ObjectId LinkLocal() {
  return {254, 128, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
}

ObjectId Cat(std::initializer_list<ObjectId> parts) {
  ObjectId all;
  for (const ObjectId& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// The index held exactly as long as the index is: a heap copy, so that a read
// past its end is caught by the address sanitizer builds too.
bool ParseAddressExact(const ObjectId& index, InetIndexAddress& address, std::string* error) {
  auto copy = std::make_unique<uint32_t[]>(index.size() + 1);
  std::copy(index.begin(), index.end(), copy.get());
  return ParseIpAddressIndex(std::span<const uint32_t>(copy.get(), index.size()), address, error);
}

TEST(InetIndex, AddressIndexesOfEveryType) {
  const struct {
    ObjectId index;
    const char* grid;  // nullptr: refused
    uint32_t type;
  } cases[] = {
      {{1, 4, 10, 77, 40, 1}, "010.077.040.001", kInetIpv4},
      {Cat({{2, 16}, Doc6()}), "2001:db8::1", kInetIpv6},
      {Cat({{4, 20}, LinkLocal(), {0, 0, 0, 3}}), "fe80::1%3", kInetIpv6z},
      {{3, 8, 192, 168, 1, 1, 0, 0, 1, 0}, "192.168.001.001%256", kInetIpv4z},
      {{0, 0}, "", kInetUnknown},
      // Malformed: the reason is given, nothing read past the index.
      {{1, 16, 10, 77, 40, 1}, nullptr, 0},                // length of another type
      {{1, 4, 10, 77, 40}, nullptr, 0},                    // cut short
      {Cat({{2, 16}, {32, 1, 13, 184}}), nullptr, 0},      // cut short
      {{1, 4, 10, 77, 256, 1}, nullptr, 0},                // a byte above 255
      {{1, 4, 10, 77, 40, 1, 9}, nullptr, 0},              // goes on
      {{2, 4294967295u, 1}, nullptr, 0},                   // absurd length
      {Cat({{2, 20}, Doc6(), {0, 0, 0, 1}}), nullptr, 0},  // zone without ipv6z
      {{16, 4, 't', 'e', 's', 't'}, nullptr, 0},           // a DNS name
      {{7, 4, 10, 0, 0, 1}, nullptr, 0},                   // no such type
      {{0, 4, 10, 0, 0, 1}, nullptr, 0},                   // unknown with bytes
      {{1}, nullptr, 0},                                   // no length
      {{}, nullptr, 0},                                    // nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << FormatObjectId(c.index));
    InetIndexAddress address;
    std::string error;
    const bool read = ParseAddressExact(c.index, address, &error);
    if (c.grid == nullptr) {
      EXPECT_FALSE(read);
      EXPECT_FALSE(error.empty());
      continue;
    }
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(address.GridText(), c.grid);
    EXPECT_EQ(address.type, c.type);
  }
}

// Every index cut out of the front of a longer one, whose rest would complete
// the address or object identifier: the reader must stop at the cut.
TEST(InetIndex, AReaderNeverReadsPastItsIndex) {
  const ObjectId address = Cat({{2, 16}, Doc6()});
  for (size_t cut = 0; cut < address.size(); ++cut) {
    CInetIndexReader reader(std::span<const uint32_t>(address).first(cut));
    InetIndexAddress read;
    EXPECT_FALSE(reader.ReadAddress(read)) << "cut at " << cut;
    EXPECT_FALSE(reader.Error().empty()) << "cut at " << cut;
  }
  const ObjectId policy = {3, 1, 3, 6};
  for (size_t cut = 0; cut < policy.size(); ++cut) {
    CInetIndexReader reader(std::span<const uint32_t>(policy).first(cut));
    EXPECT_FALSE(reader.SkipObjectId()) << "cut at " << cut;
  }
  CInetIndexReader whole(policy);
  EXPECT_TRUE(whole.SkipObjectId());
  EXPECT_TRUE(whole.AtEnd());
}

TEST(InetIndex, NeighbourIndexes) {
  uint32_t ifIndex = 0;
  InetIndexAddress address;
  std::string error;
  ASSERT_TRUE(ParseNetToPhysicalIndex(Cat({{12, 2, 16}, Doc6()}), ifIndex, address, &error));
  EXPECT_EQ(ifIndex, 12u);
  EXPECT_EQ(address.Text(), "2001:db8::1");
  EXPECT_FALSE(ParseNetToPhysicalIndex(ObjectId{12}, ifIndex, address, &error));
  EXPECT_FALSE(ParseNetToPhysicalIndex(ObjectId{12, 1, 4, 1, 2}, ifIndex, address, &error));
}

TEST(InetIndex, RouteIndexes) {
  const ObjectId zeroDotZero = {2, 0, 0};
  const struct {
    ObjectId index;
    const char* destination;  // nullptr: refused
    uint32_t prefixLength;
    const char* nextHop;
  } cases[] = {
      {Cat({{1, 4, 10, 9, 0, 0, 16}, zeroDotZero, {1, 4, 10, 77, 40, 9}}), "10.9.0.0", 16,
       "10.77.40.9"},
      {Cat({{2, 16}, Doc6(), {48}, zeroDotZero, {2, 16}, Doc6()}), "2001:db8::1", 48,
       "2001:db8::1"},
      // A longer policy, and a next hop of unknown type.
      {Cat({{2, 16}, Doc6(), {128, 4, 1, 3, 6, 1}, {0, 0}}), "2001:db8::1", 128, ""},
      {Cat({{1, 4, 0, 0, 0, 0, 0}, zeroDotZero, {1, 4, 10, 77, 40, 254}}), "0.0.0.0", 0,
       "10.77.40.254"},
      // Malformed.
      {Cat({{1, 4, 10, 9, 0, 0, 33}, zeroDotZero, {1, 4, 10, 77, 40, 9}}), nullptr, 0, nullptr},
      {Cat({{2, 16}, Doc6(), {129}, zeroDotZero, {0, 0}}), nullptr, 0, nullptr},
      {Cat({{1, 4, 10, 9, 0, 0, 16}, {40, 0, 0}}), nullptr, 0, nullptr},   // policy too long
      {Cat({{1, 4, 10, 9, 0, 0, 16}, zeroDotZero}), nullptr, 0, nullptr},  // no next hop
      {Cat({{0, 0, 0}, zeroDotZero, {0, 0}}), nullptr, 0, nullptr},        // no destination
      {Cat({{1, 4, 10, 9, 0, 0, 16}, zeroDotZero, {1, 4, 10, 77, 40, 9, 1}}), nullptr, 0,
       nullptr},  // goes on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "index " << FormatObjectId(c.index));
    InetCidrRouteIndex route;
    std::string error;
    const bool read = ParseInetCidrRouteIndex(c.index, route, &error);
    if (c.destination == nullptr) {
      EXPECT_FALSE(read);
      EXPECT_FALSE(error.empty());
      continue;
    }
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(route.destination.Text(), c.destination);
    EXPECT_EQ(route.prefixLength, c.prefixLength);
    EXPECT_EQ(route.nextHop.Text(), c.nextHop);
  }
}

TEST(InetIndex, PrefixLengthsOfAddressPrefixPointers) {
  const ObjectId entry = {1, 3, 6, 1, 2, 1, 4, 32, 1, 5};
  const struct {
    ObjectId pointer;
    std::optional<uint32_t> length;
  } cases[] = {
      {Cat({entry, {2, 1, 4, 10, 77, 40, 0, 24}}), 24u},
      {Cat({entry, {2, 2, 16}, Doc6(), {64}}), 64u},
      {Cat({entry, {2, 2, 16}, Doc6(), {129}}), std::nullopt},
      {{0, 0}, std::nullopt},                                  // zeroDotZero
      {{1, 3, 6, 1, 2, 1, 4, 34, 1, 5, 1, 24}, std::nullopt},  // another table
      {Cat({entry, {2}}), std::nullopt},                       // too short
  };
  for (const auto& c : cases) {
    // Both as the request layer prints it (labels) and all numeric.
    std::string numeric;
    for (uint32_t part : c.pointer) numeric += "." + std::to_string(part);
    for (const std::string& text : {FormatObjectId(c.pointer), numeric}) {
      EXPECT_EQ(PrefixLengthOfPointer(text), c.length) << text;
    }
  }
  EXPECT_EQ(PrefixLengthOfPointer("not an identifier"), std::nullopt);
  EXPECT_EQ(PrefixLengthOfPointer("## NA ##"), std::nullopt);
}

TEST(InetIndex, MaskCells) {
  const IpAddress v4 = IpAddress::V4(0x0A4D2800);
  EXPECT_EQ(PrefixMaskText(v4, 24), "255.255.255.000");
  EXPECT_EQ(PrefixMaskText(v4, 25), "255.255.255.128");
  EXPECT_EQ(PrefixMaskText(v4, 0), "000.000.000.000");
  EXPECT_EQ(PrefixMaskText(v4, 32), "255.255.255.255");
  EXPECT_EQ(PrefixMaskText(*ParseIpAddress("2001:db8::"), 48), "/48");
}

}  // namespace
}  // namespace tesmo
