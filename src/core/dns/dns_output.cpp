// The DNS engine's output sink and log.
#include "core/dns/dns_output.h"

#include <cstdio>
#include <cstring>

namespace tesmo {

namespace {

// Formats into a string of whatever length the text needs; most texts fit the
// stack buffer, so the common case costs one vsnprintf.
std::string FormatV(const char* format, va_list args) {
  char buffer[1024];
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(buffer, sizeof buffer, format, copy);
  va_end(copy);
  if (length < 0) return {};
  if (static_cast<size_t>(length) < sizeof buffer) return std::string(buffer, length);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, args);
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

void CDnsOutput::Print(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintV(format, args);
  va_end(args);
}

void CDnsOutput::PrintV(const char* format, va_list args) {
  std::string text = FormatV(format, args);
  Write(text);
}

void CDnsOutput::Write(std::string_view text) {
  // Lines complete here go to the store in order: one writer at a time.
  std::lock_guard guard(mutex);
  while (!text.empty()) {
    const size_t feed = text.find('\n');
    const std::string_view piece = text.substr(0, feed);
    const size_t start = pending.size();
    pending.append(piece);
    for (size_t i = start; i < pending.size(); ++i) {
      if (pending[i] == '\t' || pending[i] == '\r') pending[i] = ' ';
    }
    if (feed == std::string_view::npos) return;
    store.Append(std::move(pending));
    pending.clear();
    text.remove_prefix(feed + 1);
  }
}

std::string CDnsOutput::PendingLine() const {
  std::lock_guard guard(mutex);
  return pending;
}

void CDnsLog::Emit(Stream stream, const char* format, va_list args) {
  std::string text = FormatV(format, args);
  if (writer) {
    writer(stream, text);
    return;
  }
  FILE* file = stream == kOut ? stdout : stderr;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
}

void CDnsLog::Out(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Emit(kOut, format, args);
  va_end(args);
}

void CDnsLog::Err(const char* format, ...) {
  va_list args;
  va_start(args, format);
  Emit(kErr, format, args);
  va_end(args);
}

void CDnsLog::ErrNo(const char* what, int error) {
  char text[256];
  // The GNU strerror_r returns its text, which may or may not be in our buffer.
  const char* reason = strerror_r(error, text, sizeof text);
  Err("%s: %s\n", what, reason);
}

}  // namespace tesmo
