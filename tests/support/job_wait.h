// Waiting in a window test for the job a Start or Select command began: until
// no job runs and the window has handled what the job's end queued.
#pragma once

#include <QCoreApplication>
#include <QTest>

#include "core/base/job_control.h"
#include "wait.h"

namespace tesmo {

inline void WaitForJobs() {
  // A job's end queues the window's and the page's handling, which may start
  // the next job of a Select command: wait until a quiet turn finds none.
  for (int quiet = 0; quiet < 3;) {
    (void)QTest::qWaitFor([] { return !CJobControl::Instance().JobRunning(); }, kWaitMs);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    quiet = CJobControl::Instance().JobRunning() ? 0 : quiet + 1;
  }
}

}  // namespace tesmo
