// What the MIB loading found, and what would mend its problems.
#include "core/snmp/mib_report.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string_view>
#include <tuple>

#include "core/base/untrusted_text.h"

namespace tesmo {
namespace {

// Enough of a file for its module header and IMPORTS clause, however long
// the comment above them.
constexpr size_t kHeadBytes = 256 * 1024;
constexpr size_t kMaxTokens = 20000;
// Files looked at in one folder, so that a folder of junk stays cheap.
constexpr size_t kMaxFilesPerFolder = 20000;

struct Token {
  std::string text;
  int line = 0;
};

struct Import {
  std::string module;
  int line = 0;
};

struct ScannedModule {
  MibModuleFile where;
  std::vector<Import> imports;
};

// The parser's messages, read by hand (the forms are fixed, and a regular
// expression library costs more than the whole reading).

struct AtLine {
  int line = 0;
  std::string file;
};

// ": At line N in FILE" as the whole of tail.
std::optional<AtLine> ReadAtLine(std::string_view tail) {
  static constexpr std::string_view kLead = ": At line ";
  if (!tail.starts_with(kLead)) return std::nullopt;
  tail.remove_prefix(kLead.size());
  size_t digits = 0;
  while (digits < tail.size() && tail[digits] >= '0' && tail[digits] <= '9') ++digits;
  if (digits == 0 || digits > 9) return std::nullopt;
  static constexpr std::string_view kIn = " in ";
  if (tail.substr(digits, kIn.size()) != kIn || tail.size() == digits + kIn.size()) {
    return std::nullopt;
  }
  return AtLine{std::stoi(std::string(tail.substr(0, digits))),
                std::string(tail.substr(digits + kIn.size()))};
}

struct NotFound {
  std::string module;
  AtLine where;
};

// "Cannot find module (M): At line N in FILE"
std::optional<NotFound> ReadNotFound(std::string_view text) {
  static constexpr std::string_view kLead = "Cannot find module (";
  if (!text.starts_with(kLead)) return std::nullopt;
  text.remove_prefix(kLead.size());
  // The module name runs to the last ")" that the line-and-file tail follows.
  for (size_t close = text.rfind(')'); close != std::string_view::npos && close > 0;
       close = text.rfind(')', close - 1)) {
    if (auto where = ReadAtLine(text.substr(close + 1))) {
      return NotFound{std::string(text.substr(0, close)), std::move(*where)};
    }
  }
  return std::nullopt;
}

struct NoSymbol {
  std::string symbol, module, file;
};

// "Did not find 'S' in module M (FILE)"
std::optional<NoSymbol> ReadNoSymbol(std::string_view text) {
  static constexpr std::string_view kLead = "Did not find '";
  static constexpr std::string_view kMid = "' in module ";
  if (!text.starts_with(kLead) || !text.ends_with(')')) return std::nullopt;
  text.remove_prefix(kLead.size());
  for (size_t mid = text.rfind(kMid); mid != std::string_view::npos && mid > 0;
       mid = mid == 0 ? std::string_view::npos : text.rfind(kMid, mid - 1)) {
    const std::string_view rest = text.substr(mid + kMid.size());
    const size_t space = rest.find(' ');
    if (space == 0 || space == std::string_view::npos) continue;
    const std::string_view module = rest.substr(0, space);
    if (module.find_first_of("\t\n\r\f\v") != std::string_view::npos) continue;
    const std::string_view file = rest.substr(space + 1);
    if (file.size() < 3 || file.front() != '(') continue;
    return NoSymbol{std::string(text.substr(0, mid)), std::string(module),
                    std::string(file.substr(1, file.size() - 2))};
  }
  return std::nullopt;
}

struct SyntaxError {
  std::string what, near;
  AtLine where;
};

// "WHAT (NEAR): At line N in FILE" or "WHAT: At line N in FILE", WHAT as
// short as the rest allows.
std::optional<SyntaxError> ReadSyntaxError(std::string_view text) {
  for (size_t end = 1; end < text.size(); ++end) {
    const std::string_view rest = text.substr(end);
    if (rest.starts_with(" (")) {
      for (size_t close = rest.rfind(')'); close != std::string_view::npos && close >= 2;
           close = rest.rfind(')', close - 1)) {
        if (auto where = ReadAtLine(rest.substr(close + 1))) {
          return SyntaxError{std::string(text.substr(0, end)),
                             std::string(rest.substr(2, close - 2)), std::move(*where)};
        }
      }
    }
    if (auto where = ReadAtLine(rest)) {
      return SyntaxError{std::string(text.substr(0, end)), {}, std::move(*where)};
    }
  }
  return std::nullopt;
}

// The process's file mode mask, read without setting it: umask() can only
// be read by changing it, which for a moment would give every file another
// thread creates the mask 0.
mode_t ProcessUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0)
      return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
  }
  return 022;
}

bool IsWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_';
}

// The tokens of a MIB text: words, "::=" and single punctuation marks, with
// comments ("--" to the line end or the next "--") and quoted strings left out.
std::vector<Token> Tokens(const std::string& text) {
  std::vector<Token> tokens;
  int line = 1;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n && tokens.size() < kMaxTokens) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      ++i;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++i;
    } else if (c == '-' && i + 1 < n && text[i + 1] == '-') {
      i += 2;
      while (i < n && text[i] != '\n') {
        if (text[i] == '-' && i + 1 < n && text[i + 1] == '-') {
          i += 2;
          break;
        }
        ++i;
      }
    } else if (c == '"') {
      for (++i; i < n && text[i] != '"'; ++i) {
        if (text[i] == '\n') ++line;
      }
      ++i;
    } else if (IsWordChar(c)) {
      const size_t start = i;
      while (i < n && IsWordChar(text[i])) ++i;
      tokens.push_back({text.substr(start, i - start), line});
    } else if (text.compare(i, 3, "::=") == 0) {
      tokens.push_back({"::=", line});
      i += 3;
    } else {
      tokens.push_back({std::string(1, c), line});
      ++i;
    }
  }
  return tokens;
}

bool IsModuleName(const std::string& word) {
  return !word.empty() &&
         ((word[0] >= 'A' && word[0] <= 'Z') || (word[0] >= 'a' && word[0] <= 'z'));
}

// The module a file starts, with the modules its IMPORTS clause names; false
// for a file that does not start one.
bool ScanFile(const std::string& path, ScannedModule* out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::string head(kHeadBytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<size_t>(in.gcount()));
  const std::vector<Token> tokens = Tokens(head);
  if (tokens.size() < 2 || !IsModuleName(tokens[0].text) || tokens[1].text != "DEFINITIONS") {
    return false;
  }
  out->where = {tokens[0].text, path, tokens[0].line};
  size_t i = 2;
  while (i < tokens.size() && tokens[i].text != "BEGIN") ++i;
  if (i + 1 >= tokens.size() || tokens[i + 1].text != "IMPORTS") return true;
  for (i += 2; i < tokens.size() && tokens[i].text != ";"; ++i) {
    if (tokens[i].text == "FROM" && i + 1 < tokens.size() && IsModuleName(tokens[i + 1].text)) {
      out->imports.push_back({tokens[i + 1].text, tokens[i + 1].line});
      ++i;
    }
  }
  return true;
}

std::vector<std::string> SplitFolders(const std::string& list) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start <= list.size()) {
    size_t stop = list.find(':', start);
    if (stop == std::string::npos) stop = list.size();
    if (stop > start) folders.push_back(list.substr(start, stop - start));
    start = stop + 1;
  }
  return folders;
}

// The library's order: the folders as listed, each one's files by name, no
// hidden files.
std::vector<ScannedModule> ScanFolders(const std::string& directoryList) {
  std::vector<ScannedModule> modules;
  for (const std::string& folder : SplitFolders(directoryList)) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) continue;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
      if (entry->d_name[0] == '.') continue;
      names.emplace_back(entry->d_name);
      if (names.size() >= kMaxFilesPerFolder) break;
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string path = folder + (folder.back() == '/' ? "" : "/") + name;
      struct stat info {};
      if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
      ScannedModule module;
      if (ScanFile(path, &module)) modules.push_back(std::move(module));
    }
  }
  return modules;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// How a message names files: by their names, or by whole paths where the
// names alone are the same.
std::string FileNames(const std::vector<std::string>& paths) {
  std::set<std::string> bases;
  for (const std::string& p : paths) bases.insert(BaseName(p));
  const bool whole = bases.size() < paths.size();
  std::string text;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i > 0) text += i + 1 == paths.size() ? " and " : ", ";
    text += whole ? paths[i] : BaseName(paths[i]);
  }
  return text;
}

std::string Lower(std::string text) {
  if (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') text[0] = static_cast<char>(text[0] + 32);
  return text;
}

}  // namespace

size_t MibReport::ModulesWithProblems() const {
  std::set<std::string> names;
  for (const MibProblem& p : problems) names.insert(p.module);
  return names.size();
}

MibReport BuildMibReport(const std::string& directoryList,
                         const std::vector<MibLoadMessage>& messages,
                         const std::map<std::string, std::string>& filesRead) {
  MibReport report;
  report.folders = SplitFolders(directoryList);
  const std::vector<ScannedModule> scanned = ScanFolders(directoryList);

  // Every copy of each module, in the order the library met them.
  std::map<std::string, std::vector<const ScannedModule*>> copies;
  std::map<std::string, const ScannedModule*> byFile;
  for (const ScannedModule& m : scanned) {
    copies[m.where.module].push_back(&m);
    byFile[m.where.file] = &m;
  }
  const auto readCopy = [&](const std::string& name) -> const ScannedModule* {
    const auto& list = copies.at(name);
    if (const auto it = filesRead.find(name); it != filesRead.end()) {
      for (const ScannedModule* m : list) {
        if (m->where.file == it->second) return m;
      }
    }
    return list.back();
  };
  for (const auto& [name, list] : copies) report.modules.push_back(readCopy(name)->where);

  // The library's messages: imports it could not satisfy, symbols a module
  // does not define, syntax errors (the first of each file: the parser gives
  // up on a module at its first one).
  std::set<std::string> unknownModules;
  std::vector<std::tuple<std::string, int, std::string>> notFoundAt;  // file, line, module
  std::map<std::string, std::pair<int, std::string>> syntaxErrors;    // file: line, text
  std::vector<std::tuple<std::string, std::string, std::string>> missingSymbols;
  for (const MibLoadMessage& message : messages) {
    if (const auto notFound = ReadNotFound(message.text)) {
      unknownModules.insert(notFound->module);
      notFoundAt.emplace_back(notFound->where.file, notFound->where.line, notFound->module);
    } else if (const auto noSymbol = ReadNoSymbol(message.text)) {
      if (noSymbol->module != "#-1") {
        missingSymbols.emplace_back(noSymbol->file, noSymbol->symbol, noSymbol->module);
      }
    } else if (message.priority <= 3 && message.text.rfind("Warning:", 0) != 0) {
      const auto error = ReadSyntaxError(message.text);
      if (!error || syntaxErrors.count(error->where.file)) continue;
      std::string text = !error->near.empty()
                             ? "syntax error near \"" + error->near + "\": " + Lower(error->what)
                             : "syntax error near line " + std::to_string(error->where.line) +
                                   ": " + Lower(error->what);
      syntaxErrors[error->where.file] = {error->where.line, text};
    }
  }
  const auto moduleOfFile = [&](const std::string& file) {
    const auto it = byFile.find(file);
    return it == byFile.end() ? BaseName(file) : it->second->where.module;
  };

  std::set<std::pair<std::string, std::string>> reported;  // file, missing module
  const auto addMissing = [&](const std::string& module, const std::string& file, int line,
                              const std::string& missing) {
    if (!reported.insert({file, missing}).second) return;
    report.problems.push_back(
        {module, file, line, "IMPORTS " + missing + ", which no file in the MIB folders defines",
         "add the module " + missing + " to a MIB folder (\"Add MIB files…\" copies it into " +
             UserMibDirectory() + ")",
         missing});
  };
  // A module imported from one that no folder holds, where the library could
  // not find it either (it stands in for a few old names by itself).
  for (const ScannedModule& m : scanned) {
    if (readCopy(m.where.module) != &m) continue;
    for (const Import& import : m.imports) {
      if (!copies.count(import.module) && unknownModules.count(import.module)) {
        addMissing(m.where.module, m.where.file, import.line, import.module);
      }
    }
  }
  for (const auto& [file, line, missing] : notFoundAt) {
    if (!copies.count(missing)) addMissing(moduleOfFile(file), file, line, missing);
  }
  for (const auto& [file, symbol, from] : missingSymbols) {
    int line = 0;
    if (const auto it = byFile.find(file); it != byFile.end()) {
      for (const Import& import : it->second->imports) {
        if (import.module == from) line = import.line;
      }
    }
    report.problems.push_back(
        {moduleOfFile(file),
         file,
         line,
         "IMPORTS " + symbol + " FROM " + from + ", which " + from + " does not define",
         "use a version of " + from + " that defines " + symbol,
         {}});
  }

  // A module in several files: the library reads one of them.
  for (const auto& [name, list] : copies) {
    if (list.size() < 2) continue;
    const ScannedModule* used = readCopy(name);
    std::vector<std::string> files{used->where.file};
    for (const ScannedModule* m : list) {
      if (m != used) files.push_back(m->where.file);
    }
    const std::string times = list.size() == 2 ? "twice" : std::to_string(list.size()) + " times";
    for (const ScannedModule* m : list) {
      if (m == used) continue;
      report.problems.push_back(
          {name,
           m->where.file,
           m->where.line,
           "defined " + times + ": in " + FileNames(files) + ", the first is used",
           "remove " + m->where.file + " if " + BaseName(used->where.file) +
               " is the version you want, or give the module in it another name",
           {}});
    }
  }

  for (const auto& [file, error] : syntaxErrors) {
    report.problems.push_back({moduleOfFile(file),
                               file,
                               error.first,
                               error.second,
                               "correct the module's text at that line, or get a fresh copy of "
                               "the module from its vendor",
                               {}});
  }
  std::sort(report.problems.begin(), report.problems.end(),
            [](const MibProblem& a, const MibProblem& b) {
              return std::tie(a.module, a.file, a.line, a.what) <
                     std::tie(b.module, b.file, b.line, b.what);
            });
  return report;
}

std::string MibReportText(const MibReport& report) {
  std::string text = "MIB folders, in search order (a module in several is read from the last):\n";
  for (const std::string& folder : report.folders) {
    text += "  ";
    AppendUntrusted(text, folder);
    text += '\n';
  }
  size_t width = 0;
  for (const MibModuleFile& m : report.modules) width = std::max(width, m.module.size());
  width = std::min<size_t>(width, 40);
  text += "MIB modules: " + std::to_string(report.modules.size()) + "\n";
  for (const MibModuleFile& m : report.modules) {
    text += "  ";
    AppendUntrusted(text, m.module);
    text += std::string(width > m.module.size() ? width - m.module.size() : 0, ' ') + "  ";
    AppendUntrusted(text, m.file);
    text += '\n';
  }
  if (report.problems.empty()) {
    text += "Problems: none\n";
    return text;
  }
  text += "Problems in " + std::to_string(report.ModulesWithProblems()) + " MIB modules:\n";
  for (const MibProblem& p : report.problems) {
    text += "  ";
    AppendUntrusted(text, p.module);
    text += "  ";
    AppendUntrusted(text, p.file);
    if (p.line > 0) text += ":" + std::to_string(p.line);
    text += "\n    ";
    AppendUntrusted(text, p.what);
    text += "\n    fix: ";
    AppendUntrusted(text, p.fix);
    text += '\n';
  }
  return text;
}

std::vector<std::string> CopyMibFiles(const std::vector<std::string>& files,
                                      const std::string& folder) {
  constexpr off_t kMaxMibBytes = 16 << 20;
  std::vector<std::string> refused;
  std::error_code error;
  if (folder.empty())
    return {"there is no folder to copy to: neither XDG_DATA_HOME nor HOME is set"};
  std::filesystem::create_directories(folder, error);
  struct stat folderInfo {};
  if (lstat(folder.c_str(), &folderInfo) != 0 || !S_ISDIR(folderInfo.st_mode)) {
    return {folder + " is not a folder that can be written to"};
  }
  for (const std::string& source : files) {
    const std::string name = BaseName(source);
    const std::string target = folder + "/" + name;
    struct stat info {};
    ScannedModule module;
    if (stat(source.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      refused.push_back(source + " is not a regular file: not copied");
      continue;
    }
    if (info.st_size > kMaxMibBytes) {
      refused.push_back(source + " is larger than 16 MiB: not copied");
      continue;
    }
    if (!ScanFile(source, &module)) {
      refused.push_back(
          source + " does not start a MIB module (\"NAME DEFINITIONS ::= BEGIN\"): not copied");
      continue;
    }
    struct stat there {};
    if (lstat(target.c_str(), &there) == 0) {
      if (!S_ISREG(there.st_mode)) {
        refused.push_back(target + " is not a regular file: left as it is, " + name +
                          " not copied");
        continue;
      }
      if (there.st_dev == info.st_dev && there.st_ino == info.st_ino) continue;  // already there
    }
    std::string temporary = folder + "/." + name + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
      refused.push_back(target + " cannot be written: " + std::strerror(errno));
      continue;
    }
    // Readable as any other module file, whatever mkstemp made it.
    fchmod(fd, 0666 & ~ProcessUmask());
    bool written = false;
    if (std::FILE* out = fdopen(fd, "wb")) {
      std::ifstream in(source, std::ios::binary);
      std::string bytes(static_cast<size_t>(info.st_size), '\0');
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      bytes.resize(static_cast<size_t>(in.gcount()));
      written = in.good() || in.eof();
      written = written && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
      written = std::fclose(out) == 0 && written;
    } else {
      close(fd);
    }
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
      refused.push_back(target + " cannot be written: " + std::strerror(errno));
      unlink(temporary.c_str());
    }
  }
  return refused;
}

std::string UserMibDirectory() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data != nullptr && data[0] == '/') return std::string(data) + "/tesmo/mibs";
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.local/share/tesmo/mibs";
  return {};
}

}  // namespace tesmo
