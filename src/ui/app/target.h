// The target: the host every SNMP page and the ping loop work on, its
// resolved address and name, and its SNMP access parameters. The window owns
// one and hands it to every page at construction; the Parameters page edits
// it, the other pages read it. Changes are announced by signal, so no page
// looks another page up.
#pragma once

#include <QObject>
#include <cstdint>
#include <optional>

#include "core/base/snmp_target.h"
#include "core/snmp/target_parameters.h"

namespace tesmo {

class CTarget : public QObject {
  Q_OBJECT
 public:
  explicit CTarget(QObject* parent = nullptr);

  // The host as typed and as last resolved, and the access parameters.
  const TargetParameters& Parameters() const { return parameters; }
  // Takes the host and access parameters as the editor holds them; the
  // resolved address and name stay until the next resolution.
  void SetParameters(const TargetParameters& edited);

  // A host handed over by a Select command or the command line: the editor
  // shows it (HostSet) as if typed.
  void SetHost(const QString& host);
  // The host changed: it must be resolved again before the next job.
  void Invalidate();
  bool NeedsResolve() const { return needsResolve; }
  // Result of the last resolution.
  bool Valid() const { return valid; }

  // What a job needs to resolve the target on its own thread: the
  // parameters as the editor holds them now, and whether the host must be
  // looked up (once per change).
  struct Pending {
    TargetParameters parameters;
    bool lookUp = false;
    bool valid = false;   // the result of the last resolution, when no look-up
    uint64_t serial = 0;  // the target's state this was taken from
  };
  // UI thread: the editor hands over its input; a look-up to do is announced
  // ("Resolving name", Resolving) and counts as done for the next job.
  Pending BeginResolve();
  // Any thread (a job's): the look-up when one is due, its status text, and
  // the outcome handed to the target on its own thread. The job's SNMP
  // target, or nothing when the host cannot be resolved.
  std::optional<SnmpTarget> FinishResolve(Pending pending);

  // The connection parameters for a job (after a resolution).
  SnmpTarget Snmp() const;

 signals:
  // SetHost was called.
  void HostSet(const QString& host);
  // Start of Resolve: the editor hands over what the user typed (SetParameters).
  void CommitRequested();
  // A resolution begins.
  void Resolving();
  // End of every Resolve, with its result.
  void Resolved(bool valid);
  // The target became valid or invalid, or its address changed.
  void Changed();

 private:
  // UI thread: a job's look-up ended; taken unless the host changed since.
  void Adopt(const TargetParameters& resolved, bool resolvedValid, uint64_t serial);

  TargetParameters parameters;
  bool needsResolve = true;
  bool valid = false;
  // Counts changes of the host, so that a late look-up of an old host is
  // dropped.
  uint64_t serial = 0;
};

}  // namespace tesmo
