// Names for screen readers: a control whose caption Qt cannot find (an edit,
// a list, a grid, a chart beside a separate label) is named by its tool tip.
#pragma once

class QWidget;

namespace tesmo {

// Gives root and every widget under it that has a tool tip, but no accessible
// name of its own or from its caption or buddy label, its tool tip (without
// accelerator marks) as accessible name. Labels keep their text as their
// name: their tool tip becomes their description. Run it once the window's
// controls are built.
void NameControlsForAccessibility(QWidget* root);

}  // namespace tesmo
