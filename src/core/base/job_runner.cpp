// The job runner.
#include "core/base/job_runner.h"

#include "core/base/job_control.h"

namespace tesmo {

CJobRunner::CJobRunner(QObject* parent) : QObject(parent) {}

CJobRunner::~CJobRunner() {
  Cancel();
  Wait();
}

bool CJobRunner::CanStart() const {
  return !running.load() && !CJobControl::Instance().JobRunning();
}

bool CJobRunner::Start(std::function<void(JobContext&)> work) {
  if (!CanStart()) return false;
  Wait();  // the previous job's thread, already at its end
  running.store(true);
  BeginJob();
  emit Begun();
  worker = std::thread([this, work = std::move(work)] {
    JobContext context;
    work(context);
    EndJob();
    running.store(false);
    QMetaObject::invokeMethod(this, &CJobRunner::Ended, Qt::QueuedConnection);
  });
  return true;
}

void CJobRunner::Cancel() {
  if (running.load()) RequestStop();
}

void CJobRunner::Wait() {
  if (worker.joinable()) worker.join();
}

void RunJobHere(const std::function<void()>& work) {
  BeginJob();
  work();
  EndJob();
}

}  // namespace tesmo
