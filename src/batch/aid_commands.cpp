// tesmo --vendor and tesmo --mib-report.
#include "batch/aid_commands.h"

#include <QCoreApplication>
#include <QDir>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/base/data_folder.h"
#include "core/base/untrusted_text.h"
#include "core/base/vendor_map.h"
#include "core/snmp/mib_loader.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

bool Print(const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

int Finish(int code) {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
  std::fprintf(stderr, "tesmo: cannot write to standard output: %s\n", std::strerror(errno));
  return kBatchOutputError;
}

// One line an address: the address as given, a tab, the vendor text the
// grids show for it (empty when the file knows none).
int RunVendor(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: tesmo --vendor MAC...\n", stderr);
    return kBatchUsage;
  }
  const std::string work = QDir::currentPath().toStdString();
  const bool haveFile = LoadVendorFile(FindDataFile("vendors.txt", work), VendorMap);
  int code = haveFile ? kBatchOk : kBatchNoAnswer;
  for (int i = 2; i < argc; ++i) {
    const std::string address = NormalHardwareAddress(argv[i]);
    if (address.empty()) {
      std::fprintf(stderr, "tesmo: not a hardware address: '%s'\n",
                   EscapeUntrusted(argv[i]).c_str());
      code = kBatchUsage;
      continue;
    }
    if (!Print(EscapeUntrusted(argv[i]) + '\t' + EscapeUntrusted(VendorOf(address)) + '\n')) break;
  }
  return Finish(code);
}

// The MIB folders, modules and problems; exits 2 when a module has a problem.
int RunMibReport() {
  SetLibraryMessagesToLog(false);
  LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
  const MibReport report = LastMibReport();
  FreeMibs();
  Print(MibReportText(report));
  return Finish(report.problems.empty() ? kBatchOk : kBatchNoAnswer);
}

}  // namespace

bool IsAidCommandLine(int argc, char** argv) {
  return argc >= 2 &&
         (std::strcmp(argv[1], "--vendor") == 0 || std::strcmp(argv[1], "--mib-report") == 0);
}

int RunAidCommand(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (std::strcmp(argv[1], "--vendor") == 0) return RunVendor(argc, argv);
  if (argc != 2) {
    std::fputs("usage: tesmo --mib-report\n", stderr);
    return kBatchUsage;
  }
  return RunMibReport();
}

}  // namespace tesmo
