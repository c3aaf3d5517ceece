// The settings store: sections of integer and string values in the user's
// configuration file ($XDG_CONFIG_HOME/tesmo/tesmo.ini).
//
//   FixedFontSize=10
//   [GenTable\CustomTables\0]
//   Name="ipNetToMediaTable (.1.3.6.1.2.1.4.22)"
//
// Integers are bare unsigned 32-bit decimal numbers, strings are quoted with
// \" \\ \n \r \t escapes; an unquoted value that is no such number reads as
// the string it is. A section name may hold backslashes
// ("GenTable\CustomTables\0"); the empty section name is the top level.
// Section and value names compare without regard to case.
//
// The file is the user's: a write changes only the line of the value it sets
// (or adds one) and keeps every other line, comments and lines the program
// does not understand included, byte for byte and in place. The file is read
// again only when it changed on disk, so two windows of the program see each
// other's writes. Only a regular file is read or written (a symbolic link to
// one is followed); anything else is reported once on standard error and the
// program runs on its built-in values.
#pragma once

#include <QString>
#include <cstdint>
#include <map>

namespace tesmo {

class CSettingsStore {
 public:
  // A missing value, or one stored with the other type, yields the default.
  // Opening a section for reading creates it (empty) when missing, unless the
  // store is read-only.
  static uint32_t ReadUInt(const QString& section, const QString& value, uint32_t defaultValue);
  // The same 32 bits as an int (stored settings are unsigned; -1 and the
  // like serve callers as "absent" markers).
  static int ReadInt(const QString& section, const QString& value, int defaultValue);
  static QString ReadString(const QString& section, const QString& value,
                            const QString& defaultValue);
  // Every value of a section that reads as a string, by value name as
  // written in the file (one read for sections of many values).
  static std::map<QString, QString> ReadStrings(const QString& section);
  // Return false when the file cannot be written (or the store is read-only).
  static bool WriteUInt(const QString& section, const QString& value, uint32_t data);
  static bool WriteInt(const QString& section, const QString& value, int data);
  static bool WriteString(const QString& section, const QString& value, const QString& data);

  // The file the store uses now.
  static QString FilePath();
  // Points the store at another file (tests, the demo); empty restores the default.
  static void SetFilePath(const QString& path);
  // A read-only store (--batch) never creates, changes or replaces the file.
  static void SetReadOnly(bool readOnly);

  // While one lives, writes change the store in memory and the file is
  // written once, when the last one ends ("Set as default" writes every page).
  class CBatch {
   public:
    CBatch();
    ~CBatch();
    CBatch(const CBatch&) = delete;
    CBatch& operator=(const CBatch&) = delete;
  };
};

}  // namespace tesmo
