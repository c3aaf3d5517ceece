// The queries a lab named logged (its "queries" category, without time
// stamps) since the reader was made: what the program really asked.
#pragma once

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

namespace tesmo {

class CNamedQueryLog {
 public:
  struct Query {
    std::string name;  // lower case, as asked
    std::string type;  // "A", "PTR", ...
  };

  explicit CNamedQueryLog(std::string path) : path(std::move(path)), start(Size()) {}

  std::vector<Query> Queries() const {
    std::vector<Query> queries;
    std::ifstream file(path);
    file.seekg(static_cast<std::streamoff>(start));
    for (std::string line; std::getline(file, line);) {
      // "client @0x... 127.0.0.1#4711 (name): query: name IN TYPE +E(0)K (127.0.0.1)"
      const auto at = line.find(" query: ");
      if (at == std::string::npos) continue;
      const std::string rest = line.substr(at + 8);
      const auto in = rest.find(" IN ");
      if (in == std::string::npos) continue;
      Query query;
      query.name = rest.substr(0, in);
      for (char& c : query.name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      query.type = rest.substr(in + 4, rest.find(' ', in + 4) - (in + 4));
      queries.push_back(std::move(query));
    }
    return queries;
  }

  size_t Count(const std::string& name, const std::string& type) const {
    size_t count = 0;
    for (const Query& query : Queries()) count += query.name == name && query.type == type;
    return count;
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
