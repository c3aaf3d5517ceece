// Display hints.
#include "core/snmp/display_hint.h"

#include <algorithm>
#include <cstring>

#include "core/base/untrusted_text.h"
#include "core/snmp/text_append.h"

namespace tesmo {
namespace {

// Longest decimal-point shift an integer hint may ask for; more makes no
// number anyone can read and would only inflate the text.
constexpr size_t kMaxHintShift = 40;

struct OctetSpec {
  bool repeat = false;
  size_t length = 1;
  char format = 'a';
  int separator = -1;
  int terminator = -1;
};

// Longest item length a hint may give; items never take more than the data.
constexpr size_t kMaxItemLength = 1 << 20;

bool IsDelimiter(std::string_view hint, size_t pos) {
  if (pos >= hint.size()) return false;
  char c = hint[pos];
  // A format letter directly followed by d, o or x starts the next
  // specification rather than naming a separator.
  return !(c >= '0' && c <= '9') && c != '*' && c != 'd' && c != 'o' && c != 'x';
}

// Reads one specification at pos. False for an unknown format letter.
bool ReadOctetSpec(std::string_view hint, size_t& pos, OctetSpec& spec) {
  spec = OctetSpec{};
  if (pos < hint.size() && hint[pos] == '*') {
    spec.repeat = true;
    ++pos;
  }
  size_t length = 0;
  while (pos < hint.size() && hint[pos] >= '0' && hint[pos] <= '9') {
    length = std::min(kMaxItemLength, length * 10 + static_cast<size_t>(hint[pos] - '0'));
    ++pos;
  }
  spec.length = length == 0 ? 1 : length;
  if (pos >= hint.size()) return false;
  spec.format = hint[pos++];
  if (std::strchr("adoxt", spec.format) == nullptr || spec.format == 0) return false;
  if (IsDelimiter(hint, pos)) spec.separator = static_cast<unsigned char>(hint[pos++]);
  if (spec.repeat && IsDelimiter(hint, pos)) {
    spec.terminator = static_cast<unsigned char>(hint[pos++]);
  }
  return true;
}

}  // namespace

void AppendHintedInteger(std::string& out, int64_t value, std::string_view hint) {
  char conversion = hint.empty() ? 'd' : hint[0];
  size_t shift = 0;
  if (hint.size() > 1 && hint[1] == '-') {
    for (size_t i = 2; i < hint.size() && hint[i] >= '0' && hint[i] <= '9'; ++i) {
      shift = std::min(kMaxHintShift, shift * 10 + static_cast<size_t>(hint[i] - '0'));
    }
  }
  std::string digits;
  bool negative = false;
  switch (conversion) {
    case 'x':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 16);
      break;
    case 'o':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 8);
      break;
    case 'b':
      AppendUnsigned(digits, static_cast<uint64_t>(value), 2);
      break;
    default:
      negative = value < 0;
      AppendUnsigned(digits,
                     negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value));
      break;
  }
  if (negative) out.push_back('-');
  if (shift == 0) {
    out += digits;
  } else if (digits.size() <= shift) {
    out.push_back('.');
    out.append(shift - digits.size(), '0');
    out += digits;
  } else {
    out.append(digits, 0, digits.size() - shift);
    out.push_back('.');
    out.append(digits, digits.size() - shift, shift);
  }
}

namespace {

// The form the hint gives, the text items as the agent sent them.
bool AppendHintedForm(std::string& out, std::string_view bytes, std::string_view hint) {
  size_t start = out.size();
  size_t pos = 0;
  size_t i = 0;
  OctetSpec spec;
  bool haveSpec = false;
  while (i < bytes.size()) {
    if (pos < hint.size()) {
      if (!ReadOctetSpec(hint, pos, spec)) {
        out.resize(start);
        return false;
      }
      haveSpec = true;
    } else if (!haveSpec) {
      out.resize(start);
      return false;
    }
    // Once the hint is used up its last specification applies again.
    size_t count = 1;
    if (spec.repeat) count = static_cast<unsigned char>(bytes[i++]);
    for (size_t r = 0; r < count && i < bytes.size(); ++r) {
      size_t n = std::min(spec.length, bytes.size() - i);
      std::string_view item = bytes.substr(i, n);
      i += n;
      if (spec.format == 'a' || spec.format == 't') {
        out.append(item);
      } else {
        uint64_t number = 0;
        for (char c : item) number = (number << 8) | static_cast<unsigned char>(c);
        if (spec.format == 'd') {
          AppendSigned(out, static_cast<int64_t>(number));
        } else {
          AppendUnsigned(out, number, spec.format == 'o' ? 8 : 16);
        }
      }
      if (spec.separator >= 0 && i < bytes.size()) out.push_back(static_cast<char>(spec.separator));
    }
    if (spec.repeat && spec.terminator >= 0 && i < bytes.size()) {
      out.push_back(static_cast<char>(spec.terminator));
    }
  }
  return true;
}

}  // namespace

bool AppendHintedOctets(std::string& out, std::string_view bytes, std::string_view hint) {
  // Text from the agent never reaches a terminal with a control byte in it:
  // the whole form is sanitised at once, so that a character whose bytes
  // fall into two items of the hint stays whole.
  std::string form;
  if (!AppendHintedForm(form, bytes, hint)) return false;
  AppendUntrusted(out, form);
  return true;
}

}  // namespace tesmo
