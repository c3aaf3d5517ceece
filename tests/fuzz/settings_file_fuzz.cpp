// libFuzzer target over the settings file reader: any bytes as the file,
// then a few reads and writes of the store, with names the program uses and
// names the file itself holds. A value written reads back as written, and
// every line of the file that a write does not set is still there, byte for
// byte; a read at most adds a section header.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <QByteArray>
#include <QByteArrayList>
#include <QString>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/base/settings_store.h"

using tesmo::CSettingsStore;

namespace {

// Two files used in turn, so that every input is read afresh: the store
// reads a file again only when its path or its stamp changed, and the stamp
// of a file rewritten within the same clock tick may not.
std::string files[2];

QByteArray FileBytes(const std::string& path) {
  QByteArray bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// Lines of before that after no longer holds; after only grows.
int LostLines(const QByteArray& before, const QByteArray& after) {
  std::map<QByteArray, int> count;
  for (const QByteArray& line : after.split('\n'))
    ++count[line.endsWith('\r') ? line.chopped(1) : line];
  int lost = 0;
  for (const QByteArray& line : before.split('\n')) {
    if (--count[line.endsWith('\r') ? line.chopped(1) : line] < 0) ++lost;
  }
  return lost;
}

// The first section header and the first value name of the file, when they
// are names the program could use (letters, digits, a few marks).
QString NameIn(const QByteArray& content, bool section) {
  for (const QByteArray& raw : content.split('\n')) {
    const QByteArray line = raw.trimmed();
    QByteArray name;
    if (section && line.startsWith('[') && line.contains(']')) {
      name = line.mid(1, line.indexOf(']') - 1);
    } else if (!section && line.indexOf('=') > 0 && !line.startsWith('[')) {
      name = line.left(line.indexOf('='));
    } else {
      continue;
    }
    const bool usable = !name.isEmpty() && std::all_of(name.begin(), name.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' ||
             c == '\\';
    });
    if (usable && !name.startsWith('\\') && !name.endsWith('\\')) return QString::fromUtf8(name);
  }
  return QStringLiteral("Other");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // A memory file system where there is one: the store syncs every save.
  char dir[] = "/dev/shm/tesmo-settings-fuzz.XXXXXX";
  char fallback[] = "/tmp/tesmo-settings-fuzz.XXXXXX";
  const char* made = mkdtemp(dir);
  if (made == nullptr) made = mkdtemp(fallback);
  if (made == nullptr) std::abort();
  files[0] = std::string(made) + "/a.ini";
  files[1] = std::string(made) + "/b.ini";
  static const std::string kept(made);
  std::atexit([] {
    unlink(files[0].c_str());
    unlink(files[1].c_str());
    rmdir(kept.c_str());
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static unsigned turn = 0;
  const std::string& path = files[turn++ % 2];
  FuzzedDataProvider input(data, size);
  // The operations come from the end of the input, the file is the rest.
  const int operations = input.ConsumeIntegralInRange<int>(0, 6);
  struct Operation {
    int kind, section, name;
    uint32_t number;
  };
  std::vector<Operation> plan;
  for (int i = 0; i < operations; ++i) {
    plan.push_back({input.ConsumeIntegralInRange<int>(0, 4),
                    input.ConsumeIntegralInRange<int>(0, 5),
                    input.ConsumeIntegralInRange<int>(0, 3), input.ConsumeIntegral<uint32_t>()});
  }
  const QByteArray content = QByteArray::fromStdString(input.ConsumeRemainingBytesAsString());
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(content.constData(), 1, static_cast<size_t>(content.size()), f);
    std::fclose(f);
  }
  CSettingsStore::SetFilePath(QString::fromStdString(path));

  const QString sections[] = {QString(),
                              QStringLiteral("Snmp"),
                              QStringLiteral("GenTable\\CustomTables\\0"),
                              QStringLiteral("graph"),
                              QStringLiteral("A/B"),
                              NameIn(content, true)};
  const QString names[] = {QStringLiteral("Name"), QStringLiteral("TimeOut"), QStringLiteral("0"),
                           NameIn(content, false)};
  // Values to write: pieces of the file, any bytes at all.
  auto piece = [&](uint32_t number) {
    const qsizetype from = content.isEmpty() ? 0 : number % content.size();
    return QString::fromUtf8(content.mid(from, (number >> 16) % 97));
  };
  const QString kSentinel = QStringLiteral("\x01sentinel");

  for (const Operation& op : plan) {
    const QString& section = sections[op.section];
    const QString& name = names[op.name];
    const QByteArray before = FileBytes(path);
    switch (op.kind) {
      case 0:
        CSettingsStore::ReadString(section, name, kSentinel);
        break;
      case 1:
        CSettingsStore::ReadUInt(section, name, op.number);
        break;
      case 2:
        for (const auto& [key, value] : CSettingsStore::ReadStrings(section)) {
          if (CSettingsStore::ReadString(section, key, kSentinel) != value) __builtin_trap();
        }
        break;
      case 3: {
        const QString value = piece(op.number);
        if (CSettingsStore::WriteString(section, name, value) &&
            CSettingsStore::ReadString(section, name, kSentinel) != value)
          __builtin_trap();
        break;
      }
      default:
        if (CSettingsStore::WriteUInt(section, name, op.number) &&
            CSettingsStore::ReadUInt(section, name, ~op.number) != op.number)
          __builtin_trap();
        break;
    }
    const int allowed = op.kind >= 3 ? 1 : 0;
    if (LostLines(before, FileBytes(path)) > allowed) __builtin_trap();
  }
  return 0;
}
