#include "ui/app/application.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QIcon>
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

namespace {

// The application icon at every size the program carries (built from its SVG).
QIcon ApplicationIcon() {
  QIcon icon;
  QDirIterator files(QStringLiteral(":/icons"), {QStringLiteral("tesmo.png")}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) icon.addFile(files.next());
  return icon;
}

}  // namespace

int RunWindow(int argc, char** argv) {
  RedirectLog(QDir::currentPath());
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmo"));
  // The desktop entry's name: lets the desktop match the window to its menu
  // entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tesmo.Tesmo"));
  QApplication::setWindowIcon(ApplicationIcon());
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
