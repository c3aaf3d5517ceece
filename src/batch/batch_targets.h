// Many targets in one --batch run: "--batch @FILE PAGE" or
// "--batch HOST1,HOST2 PAGE" runs PAGE once per target, at most --jobs at a
// time, each in a process of its own (a run holds process-wide state: the
// stop flag, the status line, the loaded MIB), and prints their reports in
// the order of the targets: JSON one document per line, metrics merged into
// one exposition, text and CSV each under a heading.
#pragma once

#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

#include "batch/batch_format.h"

namespace tesmo {

// The targets HOST names: the lines of FILE for "@FILE" (blank lines and
// "#" comments skipped), else the comma-separated list. Nothing, with why,
// when FILE cannot be read, names no target or names a list ("@FILE2",
// "a,b") as a target.
std::optional<QStringList> BatchTargets(const QString& host, QString* problem);

// Merges OpenMetrics expositions: each metric's TYPE and HELP once, its
// samples from every text in order, one "# EOF".
QString MergeOpenMetrics(const QStringList& texts);

struct ManyTargetsRun {
  QString program;        // this program
  QStringList arguments;  // the run's arguments, HOST at hostIndex
  qsizetype hostIndex = 0;
  QStringList targets;
  unsigned jobs = 4;
  BatchFormat format = BatchFormat::kText;
  // Set by a stop signal: no further target starts, the running ones get
  // the signal.
  const std::atomic<int>* stopSignal = nullptr;
};

// Runs every target and prints through print; returns the highest exit
// code of the targets.
int RunManyTargets(const ManyTargetsRun& run, const std::function<void(const QString&)>& print);

}  // namespace tesmo
