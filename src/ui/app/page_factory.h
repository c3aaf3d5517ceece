// Creates the twelve tool pages.
#pragma once

#include <array>

#include "ui/app/main_sheet.h"

namespace tesmo {

// The pages in tab order (index = PageIndex).
std::array<ToolPage*, kPageCount> CreatePages(QWidget* parent);

}  // namespace tesmo
