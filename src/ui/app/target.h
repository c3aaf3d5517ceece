// The target: the host every SNMP page and the ping loop work on, its
// resolved address and name, and its SNMP access parameters. The window owns
// one and hands it to every page at construction; the Parameters page edits
// it, the other pages read it. Changes are announced by signal, so no page
// looks another page up.
#pragma once

#include <QObject>

#include "core/snmp/parameters_data.h"
#include "core/snmp/snmp_target.h"

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

  // Resolves the host once per change (UI thread) and returns whether the
  // target is valid. The editor is asked for its pending input first.
  bool Resolve();

  // The connection parameters for a job (after Resolve).
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
  TargetParameters parameters;
  bool needsResolve = true;
  bool valid = false;
};

}  // namespace tesmo
