#include "ui/app/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace tesmo {

CAboutBox::CAboutBox(QWidget* parent) : QDialog(parent) {
  // A message, not a window of its own: no minimise or maximise button.
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("About tesmo"));
  auto* layout = new QVBoxLayout(this);
  auto* version = new QLabel(VersionLine(), this);
  version->setObjectName(QStringLiteral("versionLine"));
  auto* credits = new QLabel(Credits(), this);
  credits->setObjectName(QStringLiteral("credits"));
  credits->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(version);
  layout->addWidget(credits);
  layout->addWidget(buttons);
}

QString CAboutBox::VersionLine() {
  return QStringLiteral("Tesmo version %1, built %2")
      .arg(QStringLiteral(TESMO_VERSION), QStringLiteral(TESMO_BUILD_DATE));
}

QString CAboutBox::Credits() {
  return QStringLiteral(
      "SNMP access by the net-snmp library.\n"
      "DNS queries by the GNU C library's resolver (libresolv).");
}

}  // namespace tesmo
