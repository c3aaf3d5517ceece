// Where the program finds its data files.
#include "core/base/data_folder.h"

#include <unistd.h>

#include <filesystem>
#include <system_error>

// The data folder relative to the executable's folder, as installed.
#ifndef TESMO_DATA_FROM_BIN
#define TESMO_DATA_FROM_BIN "../share/tesmo"
#endif

namespace tesmo {
namespace {

std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return {};
  return (std::filesystem::path(dir) / name).lexically_normal().string();
}

bool IsReadableFile(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error) &&
         ::access(path.c_str(), R_OK) == 0;
}

}  // namespace

std::string ExecutableDirectory() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  return exe.parent_path().string();
}

std::string InstalledDataDirectory() {
  const std::string exeDir = ExecutableDirectory();
  if (exeDir.empty()) return {};
  return (std::filesystem::path(exeDir) / TESMO_DATA_FROM_BIN).lexically_normal().string();
}

std::string FindDataFile(const std::string& name, const std::string& workingDir,
                         const std::string& dataDir, const std::string& buildDir) {
  for (const std::string* dir : {&workingDir, &dataDir, &buildDir}) {
    const std::string path = JoinPath(*dir, name);
    if (IsReadableFile(path)) return path;
  }
  return JoinPath(workingDir.empty() ? std::string(".") : workingDir, name);
}

std::string FindDataFile(const std::string& name, const std::string& workingDir) {
  return FindDataFile(name, workingDir, InstalledDataDirectory(), ExecutableDirectory());
}

}  // namespace tesmo
