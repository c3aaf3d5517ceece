// Values written at start: the first-run defaults and the start-up marker.
#pragma once

#include <QString>
#include <QStringList>

namespace tesmo {

// The generic table that first run writes as table 0; also what a store
// that holds no table 0 (a read-only run on a fresh machine) reads instead.
struct FirstRunTable {
  QString name;
  QStringList columns;  // column definitions "0", "1", ...
};
const FirstRunTable& FirstRunCustomTable();

// Writes the font values when FixedFontName is empty or missing, and the
// default generic table 0 when its Name is empty or missing.
void WriteFirstRunDefaults();

// Written at every start (the controls it once stood for are built in now).
void WriteStartupMarker();

}  // namespace tesmo
