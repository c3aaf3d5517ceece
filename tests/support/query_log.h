// The queries a lab named logged since the reader was made, as "name TYPE" in
// arrival order ("1.0.77.10.in-addr.arpa PTR"). The log is a file of the lab
// directory: the lab's own named writes named-query.log, a lab extension with
// a named of its own names its file.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace tesmo {

class CQueryLog {
 public:
  explicit CQueryLog(std::string file = "named-query.log")
      : path(std::string(std::getenv("TESMO_LAB_DIR")) + "/" + file), start(Size()) {}

  std::vector<std::string> Queries() const {
    std::vector<std::string> queries;
    std::ifstream file(path);
    file.seekg(static_cast<std::streamoff>(start));
    for (std::string line; std::getline(file, line);) {
      // "client @0x... 127.0.0.1#4711 (name): query: name IN TYPE +E(0)K (127.0.0.1)"
      const auto at = line.find(" query: ");
      if (at == std::string::npos) continue;
      const std::string rest = line.substr(at + 8);
      std::string name = rest.substr(0, rest.find(' '));
      std::string type = rest.size() > name.size() + 4 ? rest.substr(name.size() + 4) : "";
      type = type.substr(0, type.find(' '));
      for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      queries.push_back(name + " " + type);
    }
    return queries;
  }
  int Count(const std::string& query) const {
    const auto queries = Queries();
    return static_cast<int>(std::count(queries.begin(), queries.end(), query));
  }
  // The names of the PTR queries.
  std::vector<std::string> PtrNames() const {
    std::vector<std::string> names;
    for (const std::string& query : Queries()) {
      if (query.ends_with(" PTR")) names.push_back(query.substr(0, query.size() - 4));
    }
    return names;
  }

 private:
  size_t Size() const {
    std::ifstream file(path, std::ios::ate);
    return file ? static_cast<size_t>(file.tellg()) : 0;
  }
  std::string path;
  size_t start;
};

}  // namespace tesmo
