// Many targets in one --batch run.
#include "batch/batch_targets.h"

#include <signal.h>
#include <unistd.h>

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "core/base/untrusted_text.h"
#include "tools/tool_spec.h"

namespace tesmo {
namespace {

// A targets file larger than this is no list of hosts.
constexpr qint64 kMaxTargetsFileBytes = 16 * 1024 * 1024;

struct TargetRun {
  std::unique_ptr<QProcess> process;
  QByteArray out;
  QByteArray errPending;  // standard error up to its next line feed
  int exit = -1;
  bool done = false;
};

// A target as the user wrote it, safe for a terminal.
QString TargetText(const QString& target) {
  return QString::fromStdString(EscapeUntrusted(target.toStdString()));
}

// A line of a target's standard error (the run's own status texts), named
// by its target.
void PrintTargetError(const QString& target, const QByteArray& line) {
  std::fprintf(stderr, "%s: %s\n", TargetText(target).toUtf8().constData(), line.constData());
}

}  // namespace

std::optional<QStringList> BatchTargets(const QString& host, QString* problem) {
  QStringList targets;
  if (host.startsWith(QLatin1Char('@'))) {
    const QString path = host.mid(1);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      *problem = QStringLiteral("cannot read the targets file %1").arg(path);
      return std::nullopt;
    }
    if (file.size() > kMaxTargetsFileBytes) {
      *problem = QStringLiteral("the targets file %1 is too large").arg(path);
      return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxTargetsFileBytes);
    for (QByteArray line : bytes.split('\n')) {
      if (const qsizetype hash = line.indexOf('#'); hash >= 0) line.truncate(hash);
      const QString target = QString::fromUtf8(line).trimmed();
      if (!target.isEmpty()) targets.append(target);
    }
  } else {
    for (const QString& part : host.split(QLatin1Char(','))) {
      const QString target = part.trimmed();
      if (!target.isEmpty()) targets.append(target);
    }
  }
  if (targets.isEmpty()) {
    *problem = QStringLiteral("%1 names no target").arg(host);
    return std::nullopt;
  }
  // Each target becomes the HOST of a run of its own: one that names more
  // targets again would start runs without end.
  for (const QString& target : targets) {
    if (target.startsWith(QLatin1Char('@')) || target.contains(QLatin1Char(','))) {
      *problem = QStringLiteral("%1: a target cannot be a list (%2)")
                     .arg(host, QString::fromStdString(EscapeUntrusted(target.toStdString())));
      return std::nullopt;
    }
  }
  return targets;
}

QString MergeOpenMetrics(const QStringList& texts) {
  static const QRegularExpression nameEnd(QStringLiteral("[{ ]"));
  std::vector<QString> order;
  std::map<QString, QStringList> heads, samples;
  for (const QString& text : texts) {
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
      if (line == QLatin1String("# EOF")) continue;
      QString name;
      if (line.startsWith(QLatin1String("# "))) {
        name = line.section(QLatin1Char(' '), 2, 2);
      } else {
        name = line.left(line.indexOf(nameEnd));
      }
      if (!heads.count(name) && !samples.count(name)) order.push_back(name);
      if (line.startsWith(QLatin1String("# "))) {
        if (!heads[name].contains(line)) heads[name].append(line);
      } else {
        samples[name].append(line);
      }
    }
  }
  QString out;
  for (const QString& name : order) {
    for (const QString& line : heads[name]) out += line + QLatin1Char('\n');
    for (const QString& line : samples[name]) out += line + QLatin1Char('\n');
  }
  return out + QStringLiteral("# EOF\n");
}

int RunManyTargets(const ManyTargetsRun& run, const std::function<void(const QString&)>& print) {
  const size_t count = static_cast<size_t>(run.targets.size());
  std::vector<TargetRun> runs(count);
  size_t next = 0, printed = 0, running = 0;
  QStringList metrics;
  QEventLoop loop;

  // Reports go out in the order of the targets, each as soon as it and
  // every one before it have ended.
  const auto flush = [&] {
    while (printed < count && runs[printed].done) {
      const QString target = run.targets[static_cast<qsizetype>(printed)];
      const QString out = QString::fromUtf8(runs[printed].out);
      switch (run.format) {
        case BatchFormat::kJson:
        case BatchFormat::kPrometheusSd:
          print(out);
          break;
        case BatchFormat::kOpenMetrics:
          metrics.append(out);
          break;
        case BatchFormat::kText:
        case BatchFormat::kCsv:
          print(QStringLiteral("%1==> %2 <==\n%3")
                    .arg(printed == 0 ? QString() : QStringLiteral("\n"), TargetText(target), out));
          break;
      }
      ++printed;
    }
    if (printed == count) loop.quit();
  };

  std::function<void()> startNext;
  const auto finish = [&](size_t index, int exit) {
    TargetRun& target = runs[index];
    if (!target.errPending.isEmpty()) {
      PrintTargetError(run.targets[static_cast<qsizetype>(index)], target.errPending);
      target.errPending.clear();
    }
    target.exit = exit;
    target.done = true;
    --running;
    startNext();
    flush();
  };
  startNext = [&] {
    while (running < run.jobs && next < count) {
      const size_t index = next++;
      TargetRun& target = runs[index];
      if (run.stopSignal != nullptr && run.stopSignal->load() != 0) {
        target.exit = 128 + run.stopSignal->load();
        target.done = true;
        continue;
      }
      QStringList arguments = run.arguments;
      arguments[run.hostIndex] = run.targets[static_cast<qsizetype>(index)];
      target.process = std::make_unique<QProcess>();
      QProcess* process = target.process.get();
      // A group of its own: Ctrl+C at the terminal reaches this process
      // only, which passes it on once (a second signal would end a run
      // without its report).
      process->setChildProcessModifier([] { setpgid(0, 0); });
      QObject::connect(process, &QProcess::readyReadStandardOutput, &loop,
                       [process, &target] { target.out += process->readAllStandardOutput(); });
      QObject::connect(process, &QProcess::readyReadStandardError, &loop, [&, process, index] {
        TargetRun& t = runs[index];
        t.errPending += process->readAllStandardError();
        for (qsizetype end; (end = t.errPending.indexOf('\n')) >= 0;) {
          PrintTargetError(run.targets[static_cast<qsizetype>(index)], t.errPending.left(end));
          t.errPending.remove(0, end + 1);
        }
      });
      QObject::connect(process, &QProcess::finished, &loop,
                       [&, process, index](int code, QProcess::ExitStatus status) {
                         runs[index].out += process->readAllStandardOutput();
                         finish(index, status == QProcess::NormalExit ? code : 128 + SIGKILL);
                       });
      QObject::connect(process, &QProcess::errorOccurred, &loop,
                       [&, index](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         PrintTargetError(run.targets[static_cast<qsizetype>(index)],
                                          QByteArrayLiteral("cannot start a run"));
                         finish(index, kBatchNoAnswer);
                       });
      ++running;
      process->start(run.program, arguments);
    }
  };

  // A stop signal reaches the running targets; the others never start.
  QTimer watch;
  bool forwarded = false;
  QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
    if (forwarded || run.stopSignal == nullptr || run.stopSignal->load() == 0) return;
    forwarded = true;
    for (TargetRun& target : runs) {
      if (target.process && !target.done && target.process->processId() > 0) {
        kill(static_cast<pid_t>(target.process->processId()), run.stopSignal->load());
      }
    }
  });
  watch.start(50);

  startNext();
  flush();
  if (printed < count) loop.exec();
  if (run.format == BatchFormat::kOpenMetrics) print(MergeOpenMetrics(metrics));

  int worst = 0;
  for (const TargetRun& target : runs) worst = std::max(worst, target.exit);
  return worst;
}

}  // namespace tesmo
