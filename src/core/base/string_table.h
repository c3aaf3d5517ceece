// The string table: captions, tool tips and messages keyed by string or control id.
#pragma once

#include <QString>

namespace tesmo {

// The text of id, or an empty text when the table has none.
QString LoadString(int id);

// String ids of the main window.
enum StringId : int {
  kIdsAboutMenu = 101,   // "&About tesmo..."
  kIdsTitle = 102,       // "Tesmo"
  kIdStatusLine = 9999,  // the status line control
  kIdStartStop = 1,      // the Start/Stop button
  kIdExit = 2,           // the Exit button
};

}  // namespace tesmo
