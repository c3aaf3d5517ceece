// Values written at start: the first-run defaults and the start-up marker.
#pragma once

namespace tesmo {

// Writes the font values when FixedFontName is empty or missing, and the
// default generic table 0 when its Name is empty or missing.
void WriteFirstRunDefaults();

// Written at every start (the controls it once stood for are built in now).
void WriteStartupMarker();

}  // namespace tesmo
