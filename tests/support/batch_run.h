// Running the program's --batch mode from a test, without a display.
#pragma once

#include <signal.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tesmo {

struct BatchRun {
  int exitCode = -1;  // -1: it did not end within a minute
  QString out, err;
};

// The settings live under configHome (XDG_CONFIG_HOME); workDir, when given,
// is the working directory (vendors.txt, mibs); standard output goes to
// outputFile when given. With signalAfterMs the run gets signal that long
// after it started, as from Ctrl+C.
inline BatchRun RunBatch(const QStringList& args, const QString& configHome,
                         const QString& workDir = {}, const QString& outputFile = {},
                         int timeoutMs = 60000, int signalAfterMs = 0, int signal = SIGINT) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  env.insert("XDG_CONFIG_HOME", configHome);
  p.setProcessEnvironment(env);
  if (!workDir.isEmpty()) p.setWorkingDirectory(workDir);
  if (!outputFile.isEmpty()) p.setStandardOutputFile(outputFile);
  p.start(qEnvironmentVariable("TESMO_BINARY"), args);
  if (signalAfterMs > 0 && !p.waitForFinished(signalAfterMs)) {
    kill(static_cast<pid_t>(p.processId()), signal);
  }
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished();
    return {};
  }
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

// As a script in workDir runs it: settings under workDir/config, workDir the
// working directory.
inline BatchRun RunBatchIn(const QStringList& args, const QString& workDir, int timeoutMs = 60000) {
  return RunBatch(args, workDir + "/config", workDir, {}, timeoutMs);
}

}  // namespace tesmo
