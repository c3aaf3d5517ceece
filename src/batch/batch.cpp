#include "batch/batch.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "batch/batch_format.h"
#include "batch/batch_targets.h"
#include "core/base/data_folder.h"
#include "core/base/job_control.h"
#include "core/base/job_runner.h"
#include "core/base/number_text.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/base/vendor_map.h"
#include "core/net/resolver_settings.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/snmp_names.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {
namespace {

// The options of every page: the SNMP access parameters of the run.
const BatchOptionSpec kCommonOptions[] = {
    {"--port", "N", true},
    {"--community", "TEXT", false},
    {"--write-community", "TEXT", false},
    {"--timeout", "MS", true},
    {"--retries", "N", true},
    {"--version", "VERSION", false},
    {"--user", "NAME", false},
    {"--security-level", "LEVEL", false},
    {"--auth-protocol", "PROTOCOL", false},
    {"--auth-pass", "TEXT", false},
    {"--auth-pass-file", "FILE", false},
    {"--priv-protocol", "PROTOCOL", false},
    {"--priv-pass", "TEXT", false},
    {"--priv-pass-file", "FILE", false},
    {"--format", "FORMAT", false},
    {"--jobs", "N", true},
};

// Parallel runs of a many-target run without --jobs, and the most it takes.
constexpr unsigned kDefaultJobs = 4;
constexpr unsigned kMaxJobs = 256;

QString OptionText(const BatchOptionSpec& option) {
  QString text = QStringLiteral("[%1").arg(QString::fromUtf8(option.name));
  if (option.valueName != nullptr) text += ' ' + QString::fromUtf8(option.valueName);
  return text + ']';
}

// Option texts in lines of at most 78 characters, each line indented.
QString OptionLines(const std::vector<QString>& texts, const QString& indent) {
  QString out, line;
  for (const QString& text : texts) {
    if (!line.isEmpty() && indent.size() + line.size() + 1 + text.size() > 78) {
      out += indent + line + '\n';
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + text;
  }
  if (!line.isEmpty()) out += indent + line + '\n';
  return out;
}

// The first error writing standard output (errno), 0 while every write worked.
int outputError = 0;

// The signal (SIGINT, SIGTERM) that asked the run to stop, 0 for none.
std::atomic<int> stopSignal{0};

// Acts as Stop: the job ends at its next look at the flag and what it
// fetched is printed. A second signal ends the program at once.
extern "C" void OnStopSignal(int signal) {
  if (stopSignal.exchange(signal) != 0) _exit(128 + signal);
  RequestStop();
}

void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void PrintOut(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  errno = 0;
  const size_t written =
      std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  if ((std::fflush(stdout) != 0 || written != static_cast<size_t>(bytes.size())) &&
      outputError == 0) {
    outputError = errno != 0 ? errno : EIO;
  }
}

// A report that could not be written is no answer: the run says so.
int CheckedExit(int code) {
  if (outputError == 0) return code;
  std::fprintf(stderr, "tesmo: cannot write the report to standard output: %s\n",
               std::strerror(outputError));
  return kBatchOutputError;
}

// A tool of --batch: a registered tool with a batch entry.
const ToolSpec* FindBatchTool(const std::vector<ToolSpec>& tools, const QString& name) {
  for (const ToolSpec& tool : tools) {
    if (tool.run && name == QLatin1String(tool.name)) return &tool;
  }
  return nullptr;
}

const BatchOptionSpec* FindOption(const std::vector<ToolSpec>& tools, const QString& name) {
  for (const BatchOptionSpec& option : kCommonOptions) {
    if (name == QLatin1String(option.name)) return &option;
  }
  for (const ToolSpec& tool : tools) {
    for (const BatchOptionSpec& option : tool.options) {
      if (name == QLatin1String(option.name)) return &option;
    }
  }
  return nullptr;
}

// A pass phrase from its option, its file (first line) or the environment,
// in that order; empty when none is given. False when the file cannot be read.
bool PassPhrase(const BatchOptions& options, const char* option, const char* fileOption,
                const char* variable, std::string* pass, QString* problem) {
  if (auto text = options.Text(option)) {
    *pass = text->toStdString();
  } else if (auto path = options.Text(fileOption)) {
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
      *problem = QStringLiteral("cannot read the pass phrase file %1").arg(*path);
      return false;
    }
    QByteArray line = file.readLine();
    while (line.endsWith('\n') || line.endsWith('\r')) line.chop(1);
    *pass = line.toStdString();
  } else if (qEnvironmentVariableIsSet(variable)) {
    *pass = qEnvironmentVariable(variable).toStdString();
  }
  return true;
}

}  // namespace

bool ApplySecurityOptions(const BatchOptions& options, TargetParameters& parameters,
                          QString* problem) {
  // A name from one of the tables, exactly as it stands there; a typo is
  // refused here rather than taken for a default or found only when the
  // session opens.
  const auto named = [&](const char* option, std::span<const char* const> names,
                         int* index) -> bool {
    const std::optional<QString> text = options.Text(option);
    if (!text) return true;
    *index = SnmpNameIndex(names, text->toStdString());
    if (*index >= 0) return true;
    *problem = QStringLiteral("option %1: '%2' is not %3")
                   .arg(QString::fromLatin1(option), *text, SnmpNameChoice(names));
    return false;
  };
  int version = -1, level = -1, auth = -1, priv = -1;
  if (!named("--version", kSnmpVersionNames, &version) ||
      !named("--security-level", kSnmpLevelNames, &level) ||
      !named("--auth-protocol", kSnmpAuthProtocolNames, &auth) ||
      !named("--priv-protocol", kSnmpPrivProtocolNames, &priv)) {
    return false;
  }
  if (version >= 0) parameters.version = static_cast<SnmpVersion>(version);
  if (auto user = options.Text("--user")) parameters.usm.user = user->toStdString();
  if (auth >= 0) parameters.usm.authProtocol = kSnmpAuthProtocolNames[auth];
  if (priv >= 0) parameters.usm.privProtocol = kSnmpPrivProtocolNames[priv];
  const bool authGiven = options.Text("--auth-pass") || options.Text("--auth-pass-file") ||
                         qEnvironmentVariableIsSet("TESMO_AUTH_PASS");
  const bool privGiven = options.Text("--priv-pass") || options.Text("--priv-pass-file") ||
                         qEnvironmentVariableIsSet("TESMO_PRIV_PASS");
  if (!PassPhrase(options, "--auth-pass", "--auth-pass-file", "TESMO_AUTH_PASS",
                  &parameters.usm.authPass, problem) ||
      !PassPhrase(options, "--priv-pass", "--priv-pass-file", "TESMO_PRIV_PASS",
                  &parameters.usm.privPass, problem)) {
    return false;
  }
  // The level follows what was given, unless it is named.
  if (privGiven) {
    parameters.usm.level = SnmpUsm::kAuthPriv;
  } else if (authGiven) {
    parameters.usm.level = SnmpUsm::kAuthNoPriv;
  }
  if (level >= 0) parameters.usm.level = static_cast<SnmpUsm::Level>(level);
  return true;
}

namespace {

// Words in lines of at most 80 characters.
QString Wrapped(const QString& paragraph) {
  QString out, line;
  for (const QString& word : paragraph.split(QLatin1Char(' '))) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > 80) {
      out += line + '\n';
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  return out + line + '\n';
}

}  // namespace

QString BatchUsage(const std::vector<ToolSpec>& tools) {
  std::vector<QString> common;
  for (const BatchOptionSpec& option : kCommonOptions) common.push_back(OptionText(option));
  QString text = QStringLiteral(
      "usage: tesmo [HOST PAGE]\n"
      "       tesmo --batch HOST PAGE [OPTIONS] [PAGE OPTIONS]\n"
      "       tesmo --help\n"
      "\n"
      "--batch runs PAGE's Start job against HOST without a window, prints the page's\n"
      "report to standard output and status texts to standard error. Options override\n"
      "the stored settings for this run only; the settings file is never written.\n"
      "HOST is a host name, an IPv4 address or an IPv6 address (brackets allowed).\n"
      "A name with addresses of both families gives its IPv4 address unless -4 or -6\n"
      "(or the address family stored on the Parameters page) asks for one family.\n");
  text += Wrapped(QStringLiteral("VERSION is %1; LEVEL %2; the authentication PROTOCOL %3, the "
                                 "privacy PROTOCOL %4.")
                      .arg(SnmpNameChoice(kSnmpVersionNames), SnmpNameChoice(kSnmpLevelNames),
                           SnmpNameChoice(kSnmpAuthProtocolNames),
                           SnmpNameChoice(kSnmpPrivProtocolNames)));
  text += QStringLiteral(
      "An SNMPv3 pass phrase may come from a file (--auth-pass-file, --priv-pass-file)\n"
      "or the environment (TESMO_AUTH_PASS, TESMO_PRIV_PASS) instead of the command line.\n"
      "Exit: 0 answered, 1 host cannot be resolved, 2 no answer or an error answer,\n"
      "64 bad arguments, 74 standard output cannot be written.\n"
      "--format FORMAT writes the report as text (the default), json (one document),\n"
      "csv, openmetrics or prometheus-sd where the page has them. HOST may be\n"
      "HOST1,HOST2,... or @FILE (one per line): the page runs for each, --jobs N at a\n"
      "time (default 4); the exit status is the highest of the targets'.\n"
      "\n"
      "Options:\n");
  common.insert(common.begin(), QStringLiteral("[-4|-6]"));
  text += OptionLines(common, QStringLiteral("  "));
  text += QStringLiteral("\nPages:\n");
  for (const ToolSpec& tool : tools) {
    if (!tool.run) continue;
    text += QStringLiteral("  page: %1\n          %2\n")
                .arg(QString::fromUtf8(tool.name), QString::fromUtf8(tool.summary));
    std::vector<QString> own;
    for (const BatchOptionSpec& option : tool.options) own.push_back(OptionText(option));
    if (!own.empty()) text += OptionLines(own, QStringLiteral("          "));
  }
  text +=
      QStringLiteral("\nThe manual page tesmo(1) describes the pages, files and environment.\n");
  return text;
}

std::optional<BatchOptions> ParseBatchArguments(const QStringList& args,
                                                const std::vector<ToolSpec>& tools,
                                                QString* error) {
  BatchOptions options;
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--batch")) continue;
    // The two short options: the family of the host's address.
    if (a == QLatin1String("-4") || a == QLatin1String("-6")) {
      options.family =
          a == QLatin1String("-4") ? AddressFamilyChoice::kV4 : AddressFamilyChoice::kV6;
      continue;
    }
    if (!a.startsWith(QLatin1String("--"))) {
      if (positional.isEmpty()) options.hostIndex = i;
      positional.append(a);
      continue;
    }
    const BatchOptionSpec* spec = FindOption(tools, a);
    if (spec == nullptr) {
      *error = QStringLiteral("unknown option %1").arg(a);
      return std::nullopt;
    }
    QString value;
    if (spec->valueName != nullptr) {
      if (i + 1 >= args.size()) {
        *error = QStringLiteral("option %1 needs a value").arg(a);
        return std::nullopt;
      }
      value = args[++i];
    }
    uint32_t number = 0;
    if (spec->valueName != nullptr && spec->numeric &&
        (!ParseUnsignedText(value, &number) ||
         (a == QLatin1String("--port") && (number == 0 || number > 65535)))) {
      *error = QStringLiteral("option %1: '%2' is not a valid number").arg(a, value);
      return std::nullopt;
    }
    if (a == QLatin1String("--community")) {
      options.community = value;
    } else if (a == QLatin1String("--write-community")) {
      options.writeCommunity = value;
    } else if (a == QLatin1String("--port")) {
      options.port = number;
    } else if (a == QLatin1String("--timeout")) {
      options.timeoutMs = number;
    } else if (a == QLatin1String("--retries")) {
      options.retries = number;
    } else {
      options.pageOptions[a] = value;
      options.pageOptionValues[a].append(value);
    }
  }
  if (positional.size() != 2) {
    *error = QStringLiteral("--batch needs a host and a page");
    return std::nullopt;
  }
  options.host = positional[0];
  options.page = positional[1];
  // Options of other tools are accepted and mean nothing to this one.
  if (FindBatchTool(tools, options.page) == nullptr) {
    *error = QStringLiteral("unknown page '%1'").arg(options.page);
    return std::nullopt;
  }
  return options;
}

bool IsBatchCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const QByteArray a(argv[i]);
    if (a == "--batch" || a == "--help" || a == "-h") return true;
  }
  return false;
}

int RunBatch(int argc, char** argv) {
  const std::vector<ToolSpec>& tools = RegisteredTools();
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
    PrintOut(BatchUsage(tools));
    return CheckedExit(kBatchOk);
  }
  QString error;
  const std::optional<BatchOptions> options = ParseBatchArguments(args, tools, &error);
  if (!options) {
    std::fprintf(stderr, "tesmo: %s\n\n%s", error.toUtf8().constData(),
                 BatchUsage(tools).toUtf8().constData());
    return kBatchUsage;
  }

  const ToolSpec* tool = FindBatchTool(tools, options->page);
  BatchFormat format = BatchFormat::kText;
  if (const std::optional<QString> name = options->Text("--format")) {
    const std::optional<BatchFormat> given = ParseBatchFormat(*name);
    bool known = given && (*given == BatchFormat::kText || *given == BatchFormat::kJson ||
                           *given == BatchFormat::kCsv);
    for (const char* extra : tool->formats) known = known || *name == QLatin1String(extra);
    if (!known) {
      std::fprintf(stderr, "tesmo: %s cannot write --format %s (%s)\n", tool->name,
                   name->toUtf8().constData(), BatchFormatChoice().toUtf8().constData());
      return kBatchUsage;
    }
    format = *given;
  }
  const std::optional<unsigned> jobs = options->Number("--jobs");
  if (jobs && (*jobs == 0 || *jobs > kMaxJobs)) {
    std::fprintf(stderr, "tesmo: --jobs N takes 1 to %u\n", kMaxJobs);
    return kBatchUsage;
  }
  // Several targets: a run of this program for each. A page whose HOST is its
  // own set of hosts (a sweep's list or @FILE) gets it whole.
  if (!tool->oneHostOnly &&
      (options->host.startsWith(QLatin1Char('@')) || options->host.contains(QLatin1Char(',')))) {
    QString problem;
    const std::optional<QStringList> targets = BatchTargets(options->host, &problem);
    if (!targets) {
      std::fprintf(stderr, "tesmo: %s\n", problem.toUtf8().constData());
      return kBatchUsage;
    }
    ManyTargetsRun run;
    run.program = QCoreApplication::applicationFilePath();
    run.arguments = args;
    run.hostIndex = options->hostIndex;
    run.targets = *targets;
    run.jobs = jobs.value_or(kDefaultJobs);
    run.format = format;
    run.stopSignal = &stopSignal;
    CatchStopSignals();
    const int code = RunManyTargets(run, PrintOut);
    if (const int signal = stopSignal.load(); signal != 0) return 128 + signal;
    return CheckedExit(code);
  }

  // Status texts go to standard error as they are posted; a text repeated at
  // once is printed once. The last one is the run's status in a JSON report.
  QString lastStatus;
  QObject::connect(
      &CStatusChannel::Instance(), &CStatusChannel::Posted, &app,
      [&lastStatus](const QString& text) {
        if (text == lastStatus) return;
        lastStatus = text;
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
      },
      Qt::DirectConnection);

  // A batch run reads the settings and never writes them.
  CSettingsStore::SetReadOnly(true);
  SetLibraryMessagesToLog(false);
  LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
  if (!LoadVendorFile(FindDataFile("vendors.txt", QDir::currentPath().toStdString()), VendorMap)) {
    VendorMap.clear();
  }
  LoadResolverSettings();

  BatchContext context;
  context.options = *options;
  context.parameters.Load();
  if (options->community) context.parameters.readCommunity = *options->community;
  if (options->writeCommunity) context.parameters.writeCommunity = *options->writeCommunity;
  if (options->port) context.parameters.port = *options->port;
  if (options->timeoutMs)
    context.parameters.timeoutMs = std::max(*options->timeoutMs, kMinTimeoutMs);
  if (options->retries) context.parameters.retries = *options->retries;
  if (options->family) context.parameters.family = *options->family;
  QString problem;
  if (!ApplySecurityOptions(*options, context.parameters, &problem)) {
    std::fprintf(stderr, "tesmo: %s\n", problem.toUtf8().constData());
    return kBatchUsage;
  }
  context.parameters.host = options->host;
  // A machine-readable format replaces the page's text: the page fills the
  // structured report and its printed text goes nowhere.
  if (format == BatchFormat::kText) {
    context.print = PrintOut;
  } else {
    context.print = [](const QString&) {};
    context.report.SetWanted(true);
  }
  BatchRunInfo info;
  info.tool = QString::fromUtf8(tool->name);
  info.target = options->host;
  info.started = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
  // The structured report of the run, once it has its exit code.
  const auto report = [&](int code) {
    info.status = lastStatus;
    info.exit = code;
    switch (format) {
      case BatchFormat::kText:
        break;
      case BatchFormat::kJson:
        PrintOut(JsonReport(info, context.report));
        break;
      case BatchFormat::kCsv:
        if (code != kBatchUnresolved) PrintOut(CsvReport(context.report));
        break;
      case BatchFormat::kOpenMetrics:
        if (code != kBatchUnresolved) PrintOut(OpenMetricsReport(info, context.report));
        break;
      case BatchFormat::kPrometheusSd:
        if (code != kBatchUnresolved) PrintOut(PrometheusSdReport(context.report));
        break;
    }
  };

  if (tool->resolvesHost) {
    const ResolveOutcome resolved = ResolveHost(context.parameters);
    if (!resolved.status.isEmpty()) PostStatusText(resolved.status);
    if (!resolved.valid) {
      report(kBatchUnresolved);
      return CheckedExit(kBatchUnresolved);
    }
    info.address = context.parameters.ipAddress;
  }
  // The run's one job context: the target as resolved, stopped by StopFlag.
  context.job = JobContext(TargetOf(context.parameters));

  int code = kBatchUsage;
  CatchStopSignals();
  RunJobHere([&] {
    // A signal before the job began stops it at once.
    if (stopSignal.load() != 0) RequestStop();
    code = tool->run(context);
  });
  FreeMibs();
  if (code != kBatchUsage) report(code);
  if (const int signal = stopSignal.load(); signal != 0) {
    std::fprintf(stderr, "tesmo: stopped by %s: the report is incomplete\n",
                 signal == SIGINT ? "SIGINT" : "SIGTERM");
    CheckedExit(code);
    return 128 + signal;
  }
  return CheckedExit(code);
}

}  // namespace tesmo
