// Runs the program in --batch mode as a script would: no display, a settings
// directory of the test's own (XDG_CONFIG_HOME=workDir/config) and workDir as
// the working directory.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tesmo {

struct BatchRun {
  int exitCode = -1;
  QString out, err;
};

inline BatchRun RunBatch(const QStringList& args, const QString& workDir, int timeoutMs = 60000) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.remove("DISPLAY");
  env.remove("QT_QPA_PLATFORM");
  env.insert("XDG_CONFIG_HOME", workDir + "/config");
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(workDir);
  p.start(qEnvironmentVariable("TESMO_BINARY"), args);
  if (!p.waitForFinished(timeoutMs)) {
    p.kill();
    p.waitForFinished(5000);
    return {};
  }
  return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
          QString::fromUtf8(p.readAllStandardError())};
}

}  // namespace tesmo
