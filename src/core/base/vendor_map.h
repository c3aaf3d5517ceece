// The hardware-vendor file: six-character address prefix to vendor text.
#pragma once

#include <string>
#include <unordered_map>

namespace tesmo {

using VendorTable = std::unordered_map<std::string, std::string>;

// Filled once at start, before any job thread runs; read-only afterwards.
extern VendorTable VendorMap;

// Parses the text of a vendor file into table. Records are a six-character key
// taken as it is, white space (line ends included) skipped, then the vendor
// text to the end of its line. A later key replaces an earlier one. Reading
// stops at a short key, at a key with no text after it, and at a text without
// its line feed (a last line without one, or a line longer than 1023
// characters), which is not stored. CR LF line ends read as LF.
void ParseVendorText(const std::string& content, VendorTable& table);

// Reads path into table; when it cannot be opened writes
// "cannot open 'vendors.txt'" to standard error and leaves table empty.
bool LoadVendorFile(const std::string& path, VendorTable& table);

// The vendor of a hardware address as shown in the grids (its first six characters).
std::string VendorOf(const std::string& hardwareAddress);

}  // namespace tesmo
