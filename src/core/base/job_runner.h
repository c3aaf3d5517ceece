// The job runner: a page's worker thread for its Start job.
//
// Start runs BeginJob on the caller's thread (so the stop flag is clear and
// the window shows "Stop" before the work can look at either), then the work
// on a thread of its own with the job's context (stop flag StopFlag; the
// page sets the target once it is resolved), then EndJob there. Cancel asks the work to stop
// through StopFlag; Wait joins the thread. The destructor does both, so a page
// that goes away never leaves a job running on its data.
//
// Begun and Ended reach the runner's thread (the GUI thread) queued; Ended
// comes after the work and EndJob are done.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <thread>

#include "core/base/job_context.h"

namespace tesmo {

class CJobRunner : public QObject {
  Q_OBJECT
 public:
  explicit CJobRunner(QObject* parent = nullptr);
  ~CJobRunner() override;

  // Starts work; false (and nothing happens) while any job of the program runs.
  bool Start(std::function<void(JobContext&)> work);
  bool Start(std::function<void()> work) {
    return Start([work = std::move(work)](JobContext&) { work(); });
  }
  // False while this runner's or any other job runs: Start would refuse.
  bool CanStart() const;
  // True from Start until the work and its EndJob are done.
  bool Running() const { return running.load(); }
  // Asks the running job to stop at its next check.
  void Cancel();
  // Returns when the work has ended (at once when none runs).
  void Wait();

 signals:
  void Begun();
  void Ended();

 private:
  std::thread worker;
  std::atomic<bool> running{false};
};

// Runs work between BeginJob and EndJob on this thread (--batch, tests).
void RunJobHere(const std::function<void()>& work);

}  // namespace tesmo
