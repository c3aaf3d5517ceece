// The job protocol.
#include "core/base/job_control.h"

namespace tesmo {

std::atomic<int> StopFlag{1};

CJobControl& CJobControl::Instance() {
  static CJobControl* control = new CJobControl;  // lives to the end of the process
  return *control;
}

void BeginJob() {
  CJobControl& control = CJobControl::Instance();
  StopFlag.store(0);
  control.jobRunning.store(1);
  emit control.JobBegun();
}

void EndJob() {
  CJobControl& control = CJobControl::Instance();
  StopFlag.store(1);
  control.jobRunning.store(0);
  emit control.JobEnded();
}

}  // namespace tesmo
