#include "core/app/batch.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "core/app/status_channel.h"
#include "core/app/vendor_map.h"
#include "core/snmp/mib_loader.h"
#include "core/snmp/target_resolve.h"

namespace tesmo {
namespace {

bool ParseNumber(const QString& text, unsigned* value) {
  if (text.isEmpty()) return false;
  for (QChar c : text) {
    if (!c.isDigit()) return false;
  }
  bool ok = false;
  const qulonglong v = text.toULongLong(&ok);
  if (!ok || v > 0xFFFFFFFFull) return false;
  *value = static_cast<unsigned>(v);
  return true;
}

void PrintOut(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
  std::fflush(stdout);
}

}  // namespace

QString BatchUsage() {
  QString text = QStringLiteral(
      "usage: tesmo [HOST PAGE]\n"
      "       tesmo --batch HOST PAGE [--port N] [--community TEXT] [--write-community TEXT]\n"
      "                               [--timeout MS] [--retries N] [--pings N]\n"
      "       tesmo --help\n"
      "\n"
      "--batch runs PAGE's Start job against HOST without a window, prints the page's\n"
      "report to standard output and status texts to standard error. Options override\n"
      "the stored settings for this run only.\n"
      "Exit: 0 answered, 1 host cannot be resolved, 2 no answer or an error answer,\n"
      "64 bad arguments.\n"
      "\n"
      "Pages:\n");
  for (const BatchPage& page : BatchPages()) {
    text += QStringLiteral("  page: %1\n          %2\n")
                .arg(QString::fromUtf8(page.name), QString::fromUtf8(page.summary));
  }
  return text;
}

std::optional<BatchOptions> ParseBatchArguments(const QStringList& args, QString* error) {
  BatchOptions options;
  QStringList positional;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    if (a == QLatin1String("--batch")) continue;
    if (!a.startsWith(QLatin1String("--"))) {
      positional.append(a);
      continue;
    }
    if (i + 1 >= args.size()) {
      *error = QStringLiteral("option %1 needs a value").arg(a);
      return std::nullopt;
    }
    const QString value = args[++i];
    unsigned number = 0;
    if (a == QLatin1String("--community")) {
      options.community = value;
    } else if (a == QLatin1String("--write-community")) {
      options.writeCommunity = value;
    } else if (a == QLatin1String("--port") || a == QLatin1String("--timeout") ||
               a == QLatin1String("--retries") || a == QLatin1String("--pings")) {
      if (!ParseNumber(value, &number) ||
          (a == QLatin1String("--port") && (number == 0 || number > 65535))) {
        *error = QStringLiteral("option %1: '%2' is not a valid number").arg(a, value);
        return std::nullopt;
      }
      if (a == QLatin1String("--port")) options.port = number;
      if (a == QLatin1String("--timeout")) options.timeoutMs = number;
      if (a == QLatin1String("--retries")) options.retries = number;
      if (a == QLatin1String("--pings")) options.pings = number;
    } else {
      *error = QStringLiteral("unknown option %1").arg(a);
      return std::nullopt;
    }
  }
  if (positional.size() != 2) {
    *error = QStringLiteral("--batch needs a host and a page");
    return std::nullopt;
  }
  options.host = positional[0];
  options.page = positional[1];
  bool known = false;
  for (const BatchPage& page : BatchPages()) {
    if (options.page == QLatin1String(page.name)) known = true;
  }
  if (!known) {
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
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
    PrintOut(BatchUsage());
    return kBatchOk;
  }
  QString error;
  const std::optional<BatchOptions> options = ParseBatchArguments(args, &error);
  if (!options) {
    std::fprintf(stderr, "tesmo: %s\n\n%s", error.toUtf8().constData(),
                 BatchUsage().toUtf8().constData());
    return kBatchUsage;
  }

  // Status texts go to standard error as they are posted; a text repeated at
  // once is printed once.
  QObject::connect(
      &CStatusChannel::Instance(), &CStatusChannel::Posted, &app,
      [last = QString()](const QString& text) mutable {
        if (text == last) return;
        last = text;
        std::fprintf(stderr, "%s\n", text.toUtf8().constData());
      },
      Qt::DirectConnection);

  SetLibraryMessagesToLog(false);
  LoadMibs(MibDirectoryList(QDir::currentPath().toStdString()));
  if (!LoadVendorFile(QDir::current().filePath(QStringLiteral("vendors.txt")).toStdString(),
                      VendorMap)) {
    VendorMap.clear();
  }
  LoadNameServiceSettings();

  BatchContext context;
  context.options = *options;
  context.parameters.Load();
  if (options->community) context.parameters.readCommunity = *options->community;
  if (options->writeCommunity) context.parameters.writeCommunity = *options->writeCommunity;
  if (options->port) context.parameters.port = *options->port;
  if (options->timeoutMs) context.parameters.timeoutMs = *options->timeoutMs;
  if (options->retries) context.parameters.retries = *options->retries;
  context.parameters.host = options->host;
  context.print = PrintOut;

  const ResolveOutcome resolved = ResolveHost(context.parameters);
  if (!resolved.status.isEmpty()) PostStatusText(resolved.status);
  if (!resolved.valid) return kBatchUnresolved;

  int code = kBatchUsage;
  for (const BatchPage& page : BatchPages()) {
    if (options->page == QLatin1String(page.name)) code = page.run(context);
  }
  FreeMibs();
  return code;
}

}  // namespace tesmo
