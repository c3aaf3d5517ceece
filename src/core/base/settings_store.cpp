// The settings store over a line-preserving model of the file.
#include "core/base/settings_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>
#include <vector>

namespace tesmo {
namespace {

// The characters a quoted value escapes, and the letter after the backslash.
constexpr char kEscaped[] = "\n\r\t\"\\";
constexpr char kEscapeLetters[] = "nrt\"\\";

// A backslash before any other character stands for itself.
QString Unescape(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
    const char* letter = text[i] == '\\' && next.unicode() != 0 && next.unicode() < 128
                             ? std::strchr(kEscapeLetters, next.toLatin1())
                             : nullptr;
    if (letter == nullptr) {
      out += text[i];
      continue;
    }
    out += QLatin1Char(kEscaped[letter - kEscapeLetters]);
    ++i;
  }
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

// A stored value as it reads.
struct Value {
  bool isNumber = false;
  uint32_t number = 0;
  QString text;  // a string value
};

Value Decode(const QByteArray& raw) {
  Value v;
  if (raw.size() >= 2 && raw.startsWith('"') && raw.endsWith('"')) {
    v.text = Unescape(QString::fromUtf8(raw.mid(1, raw.size() - 2)));
    return v;
  }
  bool ok = false;
  const qlonglong number = raw.toLongLong(&ok);
  // Negative numbers are what earlier versions wrote for the upper half.
  if (ok && !raw.startsWith('+') && !raw.contains(' ') && number >= INT32_MIN &&
      number <= UINT32_MAX) {
    v.isNumber = true;
    v.number = static_cast<uint32_t>(number);
    return v;
  }
  v.text = QString::fromUtf8(raw);
  return v;
}

QString SectionKey(QString name) {
  name.replace('/', '\\');
  while (name.startsWith('\\')) name.remove(0, 1);
  while (name.endsWith('\\')) name.chop(1);
  return name.toLower();
}

// One line of the file: its bytes without the line end, and the line end.
struct Line {
  QByteArray text;
  QByteArray end;
};

// The kinds of line the store understands; everything else is kept as it is.
struct Parsed {
  enum Kind { kOther, kSection, kValue } kind = kOther;
  QByteArray name;   // section or value name as written
  QByteArray value;  // raw value text, trimmed
};

Parsed Parse(const QByteArray& text) {
  Parsed p;
  const QByteArray t = text.trimmed();
  if (t.isEmpty() || t.startsWith(';') || t.startsWith('#')) return p;
  if (t.startsWith('[')) {
    // An unclosed header still starts a section, so the values after it
    // never count as values of the section before.
    const qsizetype close = t.indexOf(']');
    p.kind = Parsed::kSection;
    p.name = t.mid(1, close < 0 ? -1 : close - 1).trimmed();
    return p;
  }
  const qsizetype equals = t.indexOf('=');
  if (equals <= 0) return p;
  p.kind = Parsed::kValue;
  p.name = t.left(equals).trimmed();
  p.value = t.mid(equals + 1).trimmed();
  return p;
}

struct Section {
  int header = -1;                // line of the header; -1 for the top level
  int last = -1;                  // last value line, or the header
  std::map<QString, int> values;  // lower-case name to its line (the last one wins)
};

// The file as lines, indexed by section and value.
struct Document {
  std::vector<Line> lines;
  std::map<QString, Section> sections;

  void Load(const QByteArray& bytes) {
    lines.clear();
    qsizetype start = 0;
    while (start < bytes.size()) {
      qsizetype nl = bytes.indexOf('\n', start);
      Line line;
      if (nl < 0) {
        line.text = bytes.mid(start);
        start = bytes.size();
      } else {
        line.text = bytes.mid(start, nl - start);
        line.end = "\n";
        if (line.text.endsWith('\r')) {
          line.text.chop(1);
          line.end = "\r\n";
        }
        start = nl + 1;
      }
      lines.push_back(std::move(line));
    }
    Index();
  }

  void Index() {
    sections.clear();
    Section* current = &sections[QString()];
    for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
      const Parsed p = Parse(lines[i].text);
      if (p.kind == Parsed::kSection) {
        current = &sections[SectionKey(QString::fromUtf8(p.name))];
        if (current->header < 0) current->header = i;
        current->last = i;
      } else if (p.kind == Parsed::kValue) {
        current->values[QString::fromUtf8(p.name).toLower()] = i;
        current->last = i;
      }
    }
  }

  QByteArray Bytes() const {
    QByteArray out;
    for (const Line& line : lines) out += line.text + line.end;
    return out;
  }

  const Section* Find(const QString& section) const {
    auto it = sections.find(SectionKey(section));
    if (it == sections.end()) return nullptr;
    if (it->second.header < 0 && !SectionKey(section).isEmpty()) return nullptr;
    return &it->second;
  }

  const Value* Get(const QString& section, const QString& name, Value& out) const {
    const Section* s = Find(section);
    if (s == nullptr) return nullptr;
    auto it = s->values.find(name.toLower());
    if (it == s->values.end()) return nullptr;
    out = Decode(Parse(lines[static_cast<size_t>(it->second)].text).value);
    return &out;
  }

  void Insert(int at, Line line) {
    // A last line without a line end gets one before anything follows it.
    if (at > 0 && lines[static_cast<size_t>(at - 1)].end.isEmpty()) {
      lines[static_cast<size_t>(at - 1)].end = "\n";
    }
    lines.insert(lines.begin() + at, std::move(line));
    // The lines from at on moved down by one; nothing needs parsing again.
    for (auto& [key, section] : sections) {
      if (section.header >= at) ++section.header;
      if (section.last >= at) ++section.last;
      for (auto& [name, index] : section.values) {
        if (index >= at) ++index;
      }
    }
  }

  // Adds the section's header at the end when it has none; true when it did.
  bool Create(const QString& section) {
    if (SectionKey(section).isEmpty() || Find(section) != nullptr) return false;
    QString header = section;
    header.replace('/', '\\');
    if (!lines.empty() && !lines.back().text.trimmed().isEmpty()) {
      Insert(static_cast<int>(lines.size()), {QByteArray(), "\n"});
    }
    const int at = static_cast<int>(lines.size());
    Insert(at, {'[' + header.toUtf8() + ']', "\n"});
    Section& created = sections[SectionKey(section)];
    created.header = created.last = at;
    return true;
  }

  // Sets a value: its own line is rewritten, or a line is added after the
  // section's last value. False when the file already says exactly that.
  bool Set(const QString& section, const QString& name, const QByteArray& raw) {
    Create(section);
    const Section* s = Find(section);
    if (s == nullptr) s = &sections[QString()];
    if (auto it = s->values.find(name.toLower()); it != s->values.end()) {
      Line& line = lines[static_cast<size_t>(it->second)];
      const Parsed old = Parse(line.text);
      if (old.value == raw) return false;
      line.text = old.name + '=' + raw;
      return true;
    }
    const int at = s->last + 1;
    const QByteArray end = at > 0 ? lines[static_cast<size_t>(at - 1)].end : QByteArray();
    Insert(at, {name.toUtf8() + '=' + raw, end.isEmpty() ? QByteArray("\n") : end});
    // A value of the top level written right above a header: a blank line
    // keeps them apart, as the rest of the file has it.
    if (s->header < 0 && at + 1 < static_cast<int>(lines.size()) &&
        Parse(lines[static_cast<size_t>(at + 1)].text).kind == Parsed::kSection) {
      Insert(at + 1, {QByteArray(), "\n"});
    }
    Section& owner = sections[Find(section) != nullptr ? SectionKey(section) : QString()];
    owner.values[name.toLower()] = at;
    owner.last = at;
    return true;
  }
};

// Identity of the file as last read, so that it is read again only when it
// changed.
struct Stamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = -1;
  timespec modified{};
  bool operator==(const Stamp& o) const {
    return device == o.device && inode == o.inode && size == o.size &&
           modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec;
  }
};

class CStore {
 public:
  std::recursive_mutex mutex;
  QString overridePath;
  bool readOnly = false;
  int batchDepth = 0;
  bool pendingWrite = false;

  QString Path() const {
    if (!overridePath.isEmpty()) return overridePath;
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/tesmo/tesmo.ini");
  }

  // The document as the file holds it now; false when the file is there but
  // is no regular file (then the document is empty and stays unwritten).
  bool Refresh() {
    const QString path = Path();
    if (path != loadedPath) {
      loadedPath = path;
      document = Document();
      stamp = Stamp();
      usable = true;
    }
    const QByteArray local = QFile::encodeName(path);
    struct stat st {};
    if (stat(local.constData(), &st) != 0) {
      struct stat link {};
      if (errno == ENOENT && lstat(local.constData(), &link) == 0) {
        Refuse(path, "is a link to nothing");
        return false;
      }
      // Not there (yet): empty, but for what a batch has still to write.
      usable = true;
      if (!pendingWrite) document = Document();
      stamp = Stamp();
      return true;
    }
    if (!S_ISREG(st.st_mode)) {
      Refuse(path, "is not a regular file");
      return false;
    }
    usable = true;
    const Stamp now{st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    if (now == stamp) return true;
    // Opened without blocking and checked again: what was a file a moment ago
    // may have been swapped for a pipe.
    const int fd = open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
      if (fd >= 0) close(fd);
      Refuse(path, "cannot be read");
      return false;
    }
    QByteArray bytes;
    char buffer[65536];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
      if (n < 0) {
        if (errno == EINTR) continue;
        break;
      }
      bytes.append(buffer, n);
    }
    close(fd);
    document.Load(bytes);
    stamp = {opened.st_dev, opened.st_ino, opened.st_size, opened.st_mtim};
    return true;
  }

  // After a change of the document: writes the file now, or when the batch ends.
  bool Changed() {
    if (batchDepth > 0) {
      pendingWrite = true;
      return true;
    }
    return Save();
  }

  bool Save() {
    pendingWrite = false;
    if (readOnly || !usable) return false;
    if (WriteFile()) return true;
    // The file is as it was: so is the store, at the next read.
    stamp = Stamp();
    document = Document();
    return false;
  }

  Document document;

 private:
  // The document into the file, through a new file renamed over it.
  bool WriteFile() {
    const QString path = Path();
    // The new text replaces the file where it really is, so that a symbolic
    // link to it stays a link.
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.canonicalFilePath() : path;
    if (target.isEmpty()) return false;
    if (!QDir().mkpath(QFileInfo(target).path())) return false;
    const QByteArray local = QFile::encodeName(target);
    mode_t mode = 0600;
    struct stat st {};
    if (stat(local.constData(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) return false;
      mode = st.st_mode & 07777;
    }
    QByteArray temp = local + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const QByteArray bytes = document.Bytes();
    bool ok = fchmod(fd, mode) == 0;
    for (qsizetype done = 0; ok && done < bytes.size();) {
      const ssize_t n =
          write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
      if (n < 0 && errno == EINTR) continue;
      ok = n > 0;
      if (ok) done += n;
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.constData(), local.constData()) == 0;
    if (!ok) {
      unlink(temp.constData());
      return false;
    }
    if (stat(local.constData(), &st) == 0) stamp = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
  }

  void Refuse(const QString& path, const char* why) {
    usable = false;
    document = Document();
    stamp = Stamp();
    if (refused.insert(path).second) {
      std::fprintf(stderr,
                   "tesmo: the settings file %s %s: running on built-in values, nothing is "
                   "saved\n",
                   QFile::encodeName(path).constData(), why);
    }
  }

  QString loadedPath;
  Stamp stamp;
  bool usable = true;
  std::set<QString> refused;  // paths already reported
};

CStore& Store() {
  static CStore* store = new CStore;  // lives to the end of the process
  return *store;
}

// The value, read from a fresh view of the file; opening the section
// creates it where the store may write.
bool ReadValue(const QString& section, const QString& name, Value& out) {
  CStore& store = Store();
  if (!store.Refresh()) return false;
  if (!store.readOnly && store.document.Create(section)) store.Changed();
  return store.document.Get(section, name, out) != nullptr;
}

bool WriteValue(const QString& section, const QString& name, const QByteArray& raw) {
  CStore& store = Store();
  std::lock_guard lock(store.mutex);
  if (store.readOnly || !store.Refresh()) return false;
  if (!store.document.Set(section, name, raw)) return true;
  return store.Changed();
}

}  // namespace

QString CSettingsStore::FilePath() {
  std::lock_guard lock(Store().mutex);
  return Store().Path();
}

void CSettingsStore::SetFilePath(const QString& path) {
  std::lock_guard lock(Store().mutex);
  Store().overridePath = path;
}

void CSettingsStore::SetReadOnly(bool readOnly) {
  std::lock_guard lock(Store().mutex);
  Store().readOnly = readOnly;
}

uint32_t CSettingsStore::ReadUInt(const QString& section, const QString& value,
                                  uint32_t defaultValue) {
  std::lock_guard lock(Store().mutex);
  Value v;
  return ReadValue(section, value, v) && v.isNumber ? v.number : defaultValue;
}

int CSettingsStore::ReadInt(const QString& section, const QString& value, int defaultValue) {
  return static_cast<int>(ReadUInt(section, value, static_cast<uint32_t>(defaultValue)));
}

QString CSettingsStore::ReadString(const QString& section, const QString& value,
                                   const QString& defaultValue) {
  std::lock_guard lock(Store().mutex);
  Value v;
  return ReadValue(section, value, v) && !v.isNumber ? v.text : defaultValue;
}

std::map<QString, QString> CSettingsStore::ReadStrings(const QString& section) {
  CStore& store = Store();
  std::lock_guard lock(store.mutex);
  std::map<QString, QString> result;
  if (!store.Refresh()) return result;
  if (!store.readOnly && store.document.Create(section)) store.Changed();
  const Section* s = store.document.Find(section);
  if (s == nullptr) return result;
  for (const auto& [key, line] : s->values) {
    const Parsed p = Parse(store.document.lines[static_cast<size_t>(line)].text);
    const Value v = Decode(p.value);
    if (!v.isNumber) result[QString::fromUtf8(p.name)] = v.text;
  }
  return result;
}

bool CSettingsStore::WriteUInt(const QString& section, const QString& value, uint32_t data) {
  return WriteValue(section, value, QByteArray::number(data));
}

bool CSettingsStore::WriteInt(const QString& section, const QString& value, int data) {
  return WriteUInt(section, value, static_cast<uint32_t>(data));
}

bool CSettingsStore::WriteString(const QString& section, const QString& value,
                                 const QString& data) {
  return WriteValue(section, value, '"' + Escape(data).toUtf8() + '"');
}

CSettingsStore::CBatch::CBatch() {
  std::lock_guard lock(Store().mutex);
  ++Store().batchDepth;
}

CSettingsStore::CBatch::~CBatch() {
  CStore& store = Store();
  std::lock_guard lock(store.mutex);
  if (--store.batchDepth == 0 && store.pendingWrite) store.Save();
}

}  // namespace tesmo
