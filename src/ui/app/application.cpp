// The window mode's start-up: its command line, the display, the log.
#include "ui/app/application.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QIcon>
#include <cstdio>

#include "batch/batch.h"
#include "ui/app/main_sheet.h"

namespace tesmo {
namespace {

// The terminal's standard error, kept before the log takes its place:
// start-up failures are said there too.
int terminalError = -1;

void SayOnTerminal(const QString& text) {
  const QByteArray bytes = (QStringLiteral("tesmo: ") + text + QLatin1Char('\n')).toLocal8Bit();
  const int fd = terminalError >= 0 ? terminalError : STDERR_FILENO;
  (void)!write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
}

// Qt ends the process on a fatal message (a display it cannot open): the
// reason goes to the terminal and the log, and the exit is a plain 1, never
// an abort.
QtMessageHandler previousHandler = nullptr;
void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (previousHandler != nullptr && type != QtFatalMsg) {
    previousHandler(type, context, message);
    return;
  }
  if (type != QtFatalMsg) return;
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  SayOnTerminal(message);
  _exit(1);
}

// The application icon at every size the program carries (built from its SVG).
QIcon ApplicationIcon() {
  QIcon icon;
  QDirIterator files(QStringLiteral(":/icons"), {QStringLiteral("tesmo.png")}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) icon.addFile(files.next());
  return icon;
}

}  // namespace

QString LogFolder() {
  QString state = qEnvironmentVariable("XDG_STATE_HOME");
  if (state.isEmpty()) state = QDir::homePath() + QStringLiteral("/.local/state");
  return state + QStringLiteral("/tesmo");
}

bool RedirectLog(const QString& dir) {
  if (!QDir().mkpath(dir)) return false;
  const QByteArray path = QDir(dir).filePath(QStringLiteral("tesmo.log")).toLocal8Bit();
  terminalError = dup(STDERR_FILENO);
  if (std::freopen(path.constData(), "w", stdout) != nullptr)
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
  if (std::freopen(path.constData(), "a+", stderr) != nullptr)
    std::setvbuf(stderr, nullptr, _IONBF, 0);
  return true;
}

int RunWindow(int argc, char** argv) {
  // The window takes "HOST PAGE [WORDS]": anything that looks like an option
  // is one it does not know.
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' && argv[i][1] != '\0') {
      std::fprintf(stderr, "tesmo: unknown option %s\n\n%s", argv[i],
                   BatchUsage(RegisteredTools()).toLocal8Bit().constData());
      return kBatchUsage;
    }
  }
  // Without a display Qt would abort: say what to do instead.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    std::fprintf(stderr,
                 "tesmo: no display: set DISPLAY, or run a page without a window with --batch "
                 "(tesmo --help)\n");
    return 1;
  }
  RedirectLog(LogFolder());
  previousHandler = qInstallMessageHandler(OnQtMessage);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tesmo"));
  // The desktop entry's name: lets the desktop match the window to its menu
  // entry and icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.tesmo.Tesmo"));
  QApplication::setWindowIcon(ApplicationIcon());
  CMainSheet sheet;
  // The MIB tree and the vendor file load while the window shows: only the
  // MIB browser, the text forms of OIDs, SNMP jobs and the vendor column
  // need them, and they wait for them.
  sheet.Initialize(QDir::currentPath(), CMainSheet::MibLoading::BesideWindow);
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
