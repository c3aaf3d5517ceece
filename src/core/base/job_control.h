// The job protocol: one page job runs at a time, on a worker thread of its own.
//
// A job calls BeginJob when it starts and EndJob when it ends, and polls
// StopFlag between steps. Start/Stop and Exit request a stop by setting
// StopFlag; the job ends itself. The window listens to the signals (queued) to
// flip the Start/Stop caption and enable or disable the pages' controls.
#pragma once

#include <QObject>
#include <atomic>

namespace tesmo {

// 1 when no job runs or a stop was requested, 0 while a job runs.
extern std::atomic<int> StopFlag;

class CJobControl : public QObject {
  Q_OBJECT
 public:
  static CJobControl& Instance();
  bool JobRunning() const { return jobRunning.load(); }

 signals:
  void JobBegun();
  void JobEnded();

 private:
  friend void BeginJob();
  friend void EndJob();
  CJobControl() = default;
  std::atomic<int> jobRunning{0};
};

// Any thread.
void BeginJob();
void EndJob();
// Asks the running job, if any, to stop at its next check.
inline void RequestStop() {
  StopFlag.store(1);
}
inline bool StopRequested() {
  return StopFlag.load() != 0;
}

}  // namespace tesmo
