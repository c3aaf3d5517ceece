// What a job works with: a snapshot of the target taken when it started, and
// the stop flag it must look at. The job runner builds one for every job of
// the window and the batch driver one for its run; a job never wires a stop
// flag itself, and every request it makes with target stops with it.
#pragma once

#include <atomic>
#include <utility>

#include "core/base/job_control.h"
#include "core/base/snmp_target.h"

namespace tesmo {

struct JobContext {
  // target.stop is stop.
  SnmpTarget target;
  const std::atomic<int>* stop = &StopFlag;

  JobContext() { target.stop = stop; }
  // A target as it stands, stopped by the job's flag (tests and tools that
  // start a job of their own hand a target over like this).
  JobContext(SnmpTarget snapshot, const std::atomic<int>* flag = &StopFlag)
      : target(std::move(snapshot)), stop(flag) {
    target.stop = stop;
  }

  // A target resolved after the job began, with this job's stop flag.
  void SetTarget(SnmpTarget snapshot) {
    target = std::move(snapshot);
    target.stop = stop;
  }

  // A stop was asked for.
  bool Stopped() const { return stop->load() != 0; }
};

}  // namespace tesmo
