#include "ui/app/application.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

#include "ui/app/main_sheet.h"

namespace tesmo {

void RedirectLog(const QString& dir) {
  const QByteArray path = QDir(dir).filePath(QStringLiteral("tesmo.log")).toLocal8Bit();
  if (std::freopen(path.constData(), "w", stdout) != nullptr)
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (std::freopen(path.constData(), "a+", stderr) != nullptr)
    std::setvbuf(stderr, nullptr, _IONBF, 0);
}

int RunWindow(int argc, char** argv) {
  RedirectLog(QDir::currentPath());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmo"));
  CMainSheet sheet;
  sheet.Initialize(QDir::currentPath());
  QStringList words = QApplication::arguments();
  words.removeFirst();
  sheet.HandleCommandLine(words);
  // An instance started from another one's grid opens beside it.
  const QStringList position = qEnvironmentVariable(CMainSheet::kWindowPositionVariable).split(',');
  bool xOk = false, yOk = false;
  const int x = position.value(0).toInt(&xOk);
  const int y = position.value(1).toInt(&yOk);
  if (position.size() == 2 && xOk && yOk) sheet.move(x, y);
  sheet.show();
  return app.exec();
}

}  // namespace tesmo
