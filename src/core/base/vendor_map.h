// The hardware-vendor file: address prefix to vendor text.
//
// A record is a key, white space (line ends included), then the vendor text to
// the end of its line. The key is the first six characters of the record as
// they are (the 24-bit prefix of an address); a record that starts with seven
// upper-case hex digits and "/28", or nine and "/36", followed by a blank,
// holds the prefix of a 28- or 36-bit block ("741AE09/28 Example Ltd"). A file
// made before longer blocks existed reads exactly as it always did: such a
// record would have been a six-character key with the text "9/28 …".
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace tesmo {

// The records of one vendor file. The file's text is kept as one block; the
// keys and texts are views into it, indexed by key for each prefix length.
class VendorTable {
 public:
  using Entry = std::pair<std::string_view, std::string_view>;

  VendorTable() = default;
  VendorTable(std::initializer_list<std::pair<std::string, std::string>> records);
  VendorTable(const VendorTable& other);
  VendorTable& operator=(const VendorTable& other);
  VendorTable(VendorTable&&) noexcept = default;
  VendorTable& operator=(VendorTable&&) noexcept = default;

  // Replaces the contents with the records of a vendor file's text.
  void Parse(std::string text);
  void clear();
  bool empty() const { return size() == 0; }
  size_t size() const;

  // The text of the record with exactly this key (6, 7 or 9 characters), or null.
  const std::string_view* Find(std::string_view key) const;

  // Every record: the key (six characters, or the seven or nine hex digits of
  // a longer block) and its text, in no particular order.
  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = Entry;
    using difference_type = std::ptrdiff_t;
    using pointer = const Entry*;
    using reference = Entry;
    Entry operator*() const { return *position; }
    const_iterator& operator++();
    const_iterator operator++(int) {
      const_iterator before = *this;
      ++*this;
      return before;
    }
    bool operator==(const const_iterator& other) const {
      return index == other.index && (index == nullptr || position == other.position);
    }

   private:
    friend class VendorTable;
    const_iterator(const VendorTable* owner, int first);
    void SkipEmpty();
    const VendorTable* table = nullptr;
    int which = 3;
    const std::unordered_map<std::string_view, std::string_view>* index = nullptr;
    std::unordered_map<std::string_view, std::string_view>::const_iterator position;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, 3); }

  bool operator==(const VendorTable& other) const;

 private:
  using Index = std::unordered_map<std::string_view, std::string_view>;
  // The file's text; a unique_ptr so that the views stay valid when the
  // table moves.
  std::unique_ptr<std::string> block;
  Index by24, by28, by36;
};

// Filled once at start, before any job thread runs or beside the window
// (BeginVendorFileLoad); read-only afterwards.
extern VendorTable VendorMap;

// Parses the text of a vendor file into table (see above). A later key
// replaces an earlier one. Reading stops at a short key, at a key with no text
// after it, and at a text without its line feed (a last line without one, or a
// line longer than 1023 characters), which is not stored. CR LF line ends read
// as LF.
void ParseVendorText(const std::string& content, VendorTable& table);

// Reads path into table; when it cannot be opened writes
// "cannot open 'vendors.txt'" to standard error and leaves table empty.
bool LoadVendorFile(const std::string& path, VendorTable& table);

// Reading the vendor file while the window shows: VendorOf(hardwareAddress)
// waits from now on, and gives the load of path into VendorMap, to be run at
// once on a thread of its own.
std::function<void()> BeginVendorFileLoad(std::string path);

// The vendor text the grids show for a hardware address in contiguous hex
// ("00A0C9123456"): the record of the longest prefix the file holds (36, 28,
// then 24 bits; keys match exactly, case included). Without one, an address
// whose first octet has the group bit set is "(multicast)", one with the
// locally administered bit set "(locally administered)", anything else empty.
std::string VendorOf(const std::string& hardwareAddress);
std::string VendorOf(const VendorTable& table, std::string_view hardwareAddress);

// A hardware address as a person writes it ("00:a0:c9:12:34:56",
// "00-A0-C9-12-34-56", "00a0.c912.3456", "00A0C9123456") in the contiguous
// upper-case hex form the grids use; empty when the text is not one (six
// octets, or eight for an EUI-64).
std::string NormalHardwareAddress(std::string_view text);

}  // namespace tesmo
