// The settings store over QSettings with a file format of our own.
//
// Qt's own INI format drops empty groups and keeps no value types. This format
// keeps both, as the settings model needs: a section exists as soon as it was
// opened, and an integer never reads back as a string or the other way round.
//
//   FixedFontSize=10
//   [GenTable\CustomTables\0]
//   Name="ipNetToMediaTable (.1.3.6.1.2.1.4.22)"
//
// Integers are bare decimal numbers, strings are quoted with \" \\ \n \r \t
// escapes. Lines that fit neither form are ignored, so a damaged file reads as
// the defaults of whatever it lost.
#include "core/base/settings_store.h"

#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>
#include <cstring>
#include <mutex>

namespace tesmo {
namespace {

// The child key that marks a section as existing; it never reaches the file.
const QString kSectionMarker = QStringLiteral("@section");

// The characters a quoted value escapes, and the letter after the backslash.
constexpr char kEscaped[] = "\n\r\t\"\\";
constexpr char kEscapeLetters[] = "nrt\"\\";

QString Unescape(const QString& text, bool* ok) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    const char* letter = ++i < text.size() && text[i].unicode() < 128 && text[i] != QChar(0)
                             ? std::strchr(kEscapeLetters, text[i].toLatin1())
                             : nullptr;
    if (letter == nullptr) {
      *ok = false;
      return {};
    }
    out += QLatin1Char(kEscaped[letter - kEscapeLetters]);
  }
  *ok = true;
  return out;
}

QString Escape(const QString& text) {
  QString out;
  out.reserve(text.size() + 2);
  for (QChar c : text) {
    const char* escaped =
        c.unicode() < 128 && c != QChar(0) ? std::strchr(kEscaped, c.toLatin1()) : nullptr;
    if (escaped != nullptr) {
      out += '\\';
      out += QLatin1Char(kEscapeLetters[escaped - kEscaped]);
    } else {
      out += c;
    }
  }
  return out;
}

bool ReadTyped(QIODevice& device, QSettings::SettingsMap& map) {
  QString group;
  const QByteArray all = device.readAll();
  const QStringList lines = QString::fromUtf8(all).split('\n');
  for (QString line : lines) {
    if (line.endsWith('\r')) line.chop(1);
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#')) continue;
    if (line.startsWith('[') && line.endsWith(']')) {
      group = line.mid(1, line.size() - 2).trimmed();
      group.replace('\\', '/');
      if (!group.isEmpty()) map.insert(group + '/' + kSectionMarker, 1);
      continue;
    }
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QString name = line.left(eq).trimmed();
    const QString raw = line.mid(eq + 1).trimmed();
    if (name.isEmpty() || name.contains('/') || name == kSectionMarker) continue;
    const QString key = group.isEmpty() ? name : group + '/' + name;
    if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"')) {
      bool ok = false;
      QString text = Unescape(raw.mid(1, raw.size() - 2), &ok);
      if (ok) map.insert(key, text);
      continue;
    }
    bool ok = false;
    const qlonglong number = raw.toLongLong(&ok);
    if (ok && number >= INT32_MIN && number <= UINT32_MAX) {
      map.insert(key, static_cast<int>(static_cast<quint32>(number)));
    }
  }
  return true;
}

bool WriteTyped(QIODevice& device, const QSettings::SettingsMap& map) {
  // Group the keys by section, top level first, sections in sorted order.
  QMap<QString, QStringList> sections;
  for (auto it = map.cbegin(); it != map.cend(); ++it) {
    const qsizetype slash = it.key().lastIndexOf('/');
    const QString group = slash < 0 ? QString() : it.key().left(slash);
    sections[group];  // the section exists even when it holds only its marker
    const QString name = slash < 0 ? it.key() : it.key().mid(slash + 1);
    if (name == kSectionMarker) continue;
    const QVariant& v = it.value();
    QString line = name + '=';
    if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::UInt ||
        v.typeId() == QMetaType::LongLong) {
      line += QString::number(v.toInt());
    } else {
      line += '"' + Escape(v.toString()) + '"';
    }
    sections[group].append(line);
  }
  QByteArray out;
  for (auto it = sections.cbegin(); it != sections.cend(); ++it) {
    if (!it.key().isEmpty()) {
      QString header = it.key();
      header.replace('/', '\\');
      out += '[' + header.toUtf8() + "]\n";
    }
    for (const QString& line : it.value()) out += line.toUtf8() + '\n';
    if (!it.key().isEmpty() || !it.value().isEmpty()) out += '\n';
  }
  return device.write(out) == out.size();
}

std::mutex pathMutex;
QString overridePath;

QSettings::Format TypedFormat() {
  static const QSettings::Format format =
      QSettings::registerFormat(QStringLiteral("ini"), ReadTyped, WriteTyped);
  return format;
}

QString DefaultPath() {
  QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
  return base + QStringLiteral("/tesmo/tesmo.ini");
}

QString GroupOf(const QString& section) {
  QString group = section;
  group.replace('\\', '/');
  while (group.startsWith('/')) group.remove(0, 1);
  while (group.endsWith('/')) group.chop(1);
  return group;
}

// Opens the file and the section, creating the section when missing.
class OpenSection {
 public:
  explicit OpenSection(const QString& section)
      : settings(CSettingsStore::FilePath(), TypedFormat()), group(GroupOf(section)) {
    if (!group.isEmpty() && !settings.contains(group + '/' + kSectionMarker)) {
      settings.setValue(group + '/' + kSectionMarker, 1);
    }
  }
  QString Key(const QString& value) const { return group.isEmpty() ? value : group + '/' + value; }
  bool Finish() {
    settings.sync();
    return settings.status() == QSettings::NoError;
  }
  QSettings settings;
  QString group;
};

// One file, many threads: QSettings objects on the same file are safe, but the
// read-modify-write of the section marker and the value is kept in one piece.
std::recursive_mutex storeMutex;

}  // namespace

QString CSettingsStore::FilePath() {
  std::lock_guard lock(pathMutex);
  return overridePath.isEmpty() ? DefaultPath() : overridePath;
}

void CSettingsStore::SetFilePath(const QString& path) {
  std::lock_guard lock(pathMutex);
  overridePath = path;
}

int CSettingsStore::ReadInt(const QString& section, const QString& value, int defaultValue) {
  std::lock_guard lock(storeMutex);
  OpenSection s(section);
  const QVariant v = s.settings.value(s.Key(value));
  s.Finish();
  if (v.typeId() == QMetaType::Int) return v.toInt();
  return defaultValue;
}

QString CSettingsStore::ReadString(const QString& section, const QString& value,
                                   const QString& defaultValue) {
  std::lock_guard lock(storeMutex);
  OpenSection s(section);
  const QVariant v = s.settings.value(s.Key(value));
  s.Finish();
  if (v.typeId() == QMetaType::QString) return v.toString();
  return defaultValue;
}

bool CSettingsStore::WriteInt(const QString& section, const QString& value, int data) {
  std::lock_guard lock(storeMutex);
  OpenSection s(section);
  s.settings.setValue(s.Key(value), data);
  return s.Finish();
}

bool CSettingsStore::WriteString(const QString& section, const QString& value,
                                 const QString& data) {
  std::lock_guard lock(storeMutex);
  OpenSection s(section);
  s.settings.setValue(s.Key(value), data);
  return s.Finish();
}

}  // namespace tesmo
