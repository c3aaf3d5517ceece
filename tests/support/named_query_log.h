// The queries a lab named logged (its "queries" category, without times),
// read from the point the reader was made, as "name TYPE" in arrival order
// with the name in lower case: "1.0.0.127.in-addr.arpa PTR".
#pragma once

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

namespace tesmo::test {

class CNamedQueryLog {
 public:
  explicit CNamedQueryLog(std::string path) : path(std::move(path)), start(Size()) {}

  std::vector<std::string> Queries() const {
    std::vector<std::string> queries;
    std::ifstream file(path);
    file.seekg(static_cast<std::streamoff>(start));
    for (std::string line; std::getline(file, line);) {
      // "client @0x... 127.0.0.1#4711 (name): [view V: ]query: name IN TYPE +E(0)K (127.0.0.1)"
      const auto at = line.find(" query: ");
      if (at == std::string::npos) continue;
      const std::string rest = line.substr(at + 8);
      std::string name = rest.substr(0, rest.find(' '));
      std::string type = rest.substr(std::min(rest.size(), name.size() + 4));  // skip " IN "
      type = type.substr(0, type.find(' '));
      for (auto& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      queries.push_back(name + " " + type);
    }
    return queries;
  }

 private:
  size_t Size() const {
    std::ifstream file(path, std::ios::ate);
    return file ? static_cast<size_t>(file.tellg()) : 0;
  }
  std::string path;
  size_t start;
};

}  // namespace tesmo::test
