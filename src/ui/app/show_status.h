// The status line from the UI thread.
#pragma once

namespace tesmo {

// Sets the status text and shows it at once; UI thread only.
void ShowStatus(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace tesmo
