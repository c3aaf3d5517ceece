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
#include <regex>
#include <set>
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
  static const std::regex notFound(R"(^Cannot find module \((.+)\): At line (\d+) in (.+)$)");
  static const std::regex noSymbol(R"(^Did not find '(.+)' in module (\S+) \((.+)\)$)");
  static const std::regex atLine(R"(^(.+?)(?: \((.*)\))?: At line (\d+) in (.+)$)");
  std::set<std::string> unknownModules;
  std::vector<std::tuple<std::string, int, std::string>> notFoundAt;  // file, line, module
  std::map<std::string, std::pair<int, std::string>> syntaxErrors;    // file: line, text
  std::vector<std::tuple<std::string, std::string, std::string>> missingSymbols;
  for (const MibLoadMessage& message : messages) {
    std::smatch m;
    if (std::regex_match(message.text, m, notFound)) {
      unknownModules.insert(m[1]);
      notFoundAt.emplace_back(m[3], std::stoi(m[2]), m[1]);
    } else if (std::regex_match(message.text, m, noSymbol)) {
      if (m[2] != "#-1") missingSymbols.emplace_back(m[3], m[1], m[2]);
    } else if (message.priority <= 3 && message.text.rfind("Warning:", 0) != 0 &&
               std::regex_match(message.text, m, atLine)) {
      const std::string file = m[4];
      if (syntaxErrors.count(file)) continue;
      std::string text = m[2].matched && !m[2].str().empty()
                             ? "syntax error near \"" + m[2].str() + "\": " + Lower(m[1])
                             : "syntax error near line " + m[3].str() + ": " + Lower(m[1]);
      syntaxErrors[file] = {std::stoi(m[3]), text};
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
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
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
