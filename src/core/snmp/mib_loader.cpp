// Loading the MIB tree at start-up and freeing it at exit.
#include "core/snmp/mib_loader.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <optional>

#include "core/base/data_folder.h"
#include "core/snmp/mib_gate.h"

namespace tesmo {
namespace {

std::mutex warningsMutex;
std::vector<MibLoadMessage> warnings;
// What the last load found; the report from it is built when first asked
// for, since building it reads every file of the MIB folders again and a
// --batch run never shows it.
std::vector<MibLoadMessage> lastMessages;
std::map<std::string, std::string> lastFilesRead;
std::optional<MibReport> lastReport;
std::string lastDirectoryList;
std::atomic<bool> echoToLog{true};

// The library's log handler: parser warnings arrive here as the third argument.
int OnLibraryLog(int, int, void* serverArg, void*) {
  auto* message = static_cast<snmp_log_message*>(serverArg);
  if (message == nullptr || message->msg == nullptr) return 1;
  std::string text = message->msg;
  if (echoToLog.load()) {
    std::fputs(text.c_str(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
  }
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  std::lock_guard lock(warningsMutex);
  if (warnings.size() < 10000) warnings.push_back({message->priority, std::move(text)});
  return 1;
}

bool loaded = false;

}  // namespace

std::string MibDirectoryList(const std::string& workingDir, const std::string& dataDir,
                             const std::string& userDir) {
  // net-snmp reads a module found in several folders from the last of them:
  // the modules an installation brings along go first, so that a copy in any
  // other folder (the system's, or one the user put into ./mibs) wins.
  std::string list;
  if (!dataDir.empty()) {
    list = dataDir;
    if (list.back() == '/') list.pop_back();
    list += "/mibs:";
  }
  // The user's own folder ("Add MIB files…" copies there): before the
  // working directory's, which is the more particular choice.
  if (!userDir.empty()) {
    list += userDir;
    if (list.back() == '/') list.pop_back();
    list += ':';
  }
  list += workingDir;
  if (!workingDir.empty() && list.back() == '/') list.pop_back();
  list +=
      "/mibs:/usr/mibs:/usr/share/snmp/mibs:/usr/share/snmp/mibs/iana:/usr/share/snmp/mibs/ietf";
  return list;
}

std::string MibDirectoryList(const std::string& workingDir, const std::string& dataDir) {
  return MibDirectoryList(workingDir, dataDir, std::string());
}

std::string MibDirectoryList(const std::string& workingDir) {
  return MibDirectoryList(workingDir, InstalledDataDirectory(), UserMibDirectory());
}

namespace {

int LoadNow(const std::string& directoryList) {
  {
    std::lock_guard lock(warningsMutex);
    warnings.clear();
  }
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_SAVE_MIB_DESCRS, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_QUICK_PRINT, 1);
  // Syntax errors, modules the imports name but no folder holds, and modules
  // found twice: the report is made from these.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_ERRORS, 1);
  netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 1);
  static bool handlerRegistered = false;
  if (!handlerRegistered) {
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_WARNING);
    snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, OnLibraryLog, nullptr);
    handlerRegistered = true;
  }
  if (loaded) shutdown_mib();
  netsnmp_set_mib_directory(directoryList.c_str());
  // The module list comes from us, not from the environment of whoever started
  // the program: all modules, in an order that does not depend on it.
  setenv("MIBS", "", 1);
  init_mib();
  read_module("RFC1213-MIB");
  read_all_mibs();
  loaded = true;

  // Module ids are handed out in order as files are indexed; count those that
  // were actually read into the tree.
  int modules = 0;
  std::map<std::string, std::string> filesRead;
  for (int id = 0; id < 100000; ++id) {
    module* m = find_module(id);
    if (m == nullptr) break;
    if (m->no_imports >= 0) ++modules;
    if (m->name != nullptr && m->file != nullptr) filesRead[m->name] = m->file;
  }
  std::lock_guard lock(warningsMutex);
  lastMessages = warnings;
  lastFilesRead = std::move(filesRead);
  lastReport.reset();
  lastDirectoryList = directoryList;
  return modules;
}

}  // namespace

int LoadMibs(const std::string& directoryList) {
  // A load begun on a thread of its own finishes first.
  WaitForMibs();
  return LoadNow(directoryList);
}

std::function<void()> BeginMibLoad(std::string directoryList) {
  WaitForMibs();
  MarkMibLoadBegun();
  return [list = std::move(directoryList)] {
    LoadNow(list);
    MarkMibLoadEnded();
  };
}

void SetLibraryMessagesToLog(bool echo) {
  echoToLog.store(echo);
}

std::vector<std::string> MibLoadWarnings() {
  WaitForMibs();
  std::lock_guard lock(warningsMutex);
  std::vector<std::string> texts;
  texts.reserve(warnings.size());
  for (const MibLoadMessage& m : warnings) texts.push_back(m.text);
  return texts;
}

std::string LastMibDirectoryList() {
  WaitForMibs();
  std::lock_guard lock(warningsMutex);
  return lastDirectoryList;
}

MibReport LastMibReport() {
  WaitForMibs();
  std::string folders;
  std::vector<MibLoadMessage> messages;
  std::map<std::string, std::string> filesRead;
  {
    std::lock_guard lock(warningsMutex);
    if (lastReport) return *lastReport;
    folders = lastDirectoryList;
    messages = lastMessages;
    filesRead = lastFilesRead;
  }
  // Built without the lock: it reads every MIB folder again, and the
  // library's log handler, which any SNMP job may call, takes the lock.
  MibReport report = BuildMibReport(folders, messages, filesRead);
  std::lock_guard lock(warningsMutex);
  // A reload meanwhile made its own report.
  if (!lastReport && lastDirectoryList == folders) lastReport = report;
  return report;
}

void FreeMibs() {
  WaitForMibs();
  if (!loaded) return;
  shutdown_mib();
  loaded = false;
}

}  // namespace tesmo
