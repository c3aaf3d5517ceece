// The About box: program name, version, build date and credits.
#pragma once

#include <QDialog>

namespace tesmo {

class CAboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutBox(QWidget* parent = nullptr);
  // The version line: "Tesmo version 0.1.0, built 2026-12-07".
  static QString VersionLine();
  static QString Credits();
};

}  // namespace tesmo
