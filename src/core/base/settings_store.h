// The settings store: sections of integer and string values in the user's
// configuration file ($XDG_CONFIG_HOME/tesmo/tesmo.ini).
//
// Every call opens the file, touches one value and closes it again: the store
// keeps nothing in memory, so two windows of the program see each other's
// writes. A section name may hold backslashes ("GenTable\CustomTables\0"):
// each part is a nested section. The empty section name is the top level.
#pragma once

#include <QString>

namespace tesmo {

class CSettingsStore {
 public:
  // A missing value, or one stored with the other type, yields the default.
  // Opening a section, for reading too, creates it (empty) when missing.
  static int ReadInt(const QString& section, const QString& value, int defaultValue);
  static QString ReadString(const QString& section, const QString& value,
                            const QString& defaultValue);
  // Integers are stored as 32-bit values. Returns false when the file cannot
  // be written.
  static bool WriteInt(const QString& section, const QString& value, int data);
  static bool WriteString(const QString& section, const QString& value, const QString& data);

  // The file the store uses now.
  static QString FilePath();
  // Points the store at another file (tests, the demo); empty restores the default.
  static void SetFilePath(const QString& path);
};

}  // namespace tesmo
