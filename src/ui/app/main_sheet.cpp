// The main window.
#include "ui/app/main_sheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdarg>
#include <cstdio>

#include "core/base/data_folder.h"
#include "core/base/first_run.h"
#include "core/base/job_control.h"
#include "core/base/settings_store.h"
#include "core/base/status_channel.h"
#include "core/base/string_table.h"
#include "core/base/vendor_map.h"
#include "core/net/name_resolution.h"
#include "core/net/telnet_launcher.h"
#include "core/snmp/mib_loader.h"
#include "ui/app/about_box.h"
#include "ui/app/page_registry.h"
#include "ui/app/target.h"
#include "ui/app/tool_page.h"
#include "ui/tables/table_grid_view.h"
#include "ui/widgets/accessible_names.h"
#include "ui/widgets/fixed_font.h"

namespace tesmo {
namespace {

std::atomic<CMainSheet*> mainSheet{nullptr};

}  // namespace

CMainSheet* MainSheet() {
  return mainSheet.load();
}

std::function<bool(const QString&, const QStringList&, const QPoint&)> CMainSheet::startInstance =
    [](const QString& program, const QStringList& arguments, const QPoint& position) {
      QProcess process;
      process.setProgram(program);
      process.setArguments(arguments);
      QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
      environment.insert(QString::fromLatin1(kWindowPositionVariable),
                         QStringLiteral("%1,%2").arg(position.x()).arg(position.y()));
      process.setProcessEnvironment(environment);
      return process.startDetached();
    };

CMainSheet::CMainSheet(QWidget* parent) : QDialog(parent) {
  setWindowTitle(LoadString(kIdsTitle));
  setWindowFlags(windowFlags() | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
  setWindowIcon(style()->standardIcon(QStyle::SP_ComputerIcon));

  target = new CTarget(this);
  connect(target, &CTarget::Resolving, this, [this] { setWindowTitle(LoadString(kIdsTitle)); });
  connect(target, &CTarget::Resolved, this, [this](bool valid) {
    if (valid)
      setWindowTitle(LoadString(kIdsTitle) + QStringLiteral(" [") + target->Parameters().host +
                     ']');
  });

  tabs = new QTabWidget(this);
  records = RegisteredPages();
  for (const PageRecord& record : records) {
    ToolPage* page = record.create(PageContext{target, this, this});
    page->SetInternalName(QString::fromUtf8(record.tool->name));
    // The Select commands of the page's grids come here.
    for (CTableGridView* view : page->findChildren<CTableGridView*>()) {
      connect(view, &CTableGridView::SelectCommand, this, &CMainSheet::OnGridSelectCommand);
    }
    pages.push_back(page);
    tabs->addTab(page, LoadString(record.tool->captionId));
  }

  aboutButton = new QToolButton(this);
  aboutButton->setText(QStringLiteral("?"));
  aboutButton->setToolTip(LoadString(kIdsAboutMenu).remove('&'));
  connect(aboutButton, &QToolButton::clicked, this, &CMainSheet::ShowAbout);

  statusLine = new QLabel(QStringLiteral("Ready"), this);
  statusLine->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusLine->setProperty("controlId", kIdStatusLine);
  statusLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
  statusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  startStopButton = new QPushButton(QStringLiteral("Start"), this);
  startStopButton->setProperty("controlId", kIdStartStop);
  startStopButton->setToolTip(LoadString(kIdStartStop));
  startStopButton->setDefault(true);
  exitButton = new QPushButton(QStringLiteral("Exit"), this);
  exitButton->setProperty("controlId", kIdExit);
  exitButton->setToolTip(LoadString(kIdExit));
  exitButton->setAutoDefault(false);
  statusLine->setFont(startStopButton->font());

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(aboutButton);
  bottom->addWidget(statusLine, 1);
  bottom->addWidget(startStopButton);
  bottom->addWidget(exitButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tabs, 1);
  layout->addLayout(bottom);

  connect(startStopButton, &QPushButton::clicked, this, &CMainSheet::OnStartStop);
  connect(exitButton, &QPushButton::clicked, this, &CMainSheet::OnExit);
  auto* about = new QShortcut(QKeySequence(Qt::Key_F1), this);
  connect(about, &QShortcut::activated, this, &CMainSheet::ShowAbout);

  // Worker threads post; the window shows the newest text once per turn of the loop.
  const auto statusPosted = [this](const QString&) {
    if (!statusPending.exchange(true)) {
      QMetaObject::invokeMethod(this, &CMainSheet::RefreshStatus, Qt::QueuedConnection);
    }
  };
  connect(&CStatusChannel::Instance(), &CStatusChannel::Posted, this, statusPosted,
          Qt::DirectConnection);
  connect(&CStatusChannel::Instance(), &CStatusChannel::ProgressPosted, this, statusPosted,
          Qt::DirectConnection);
  // A job on a worker thread reaches the window through the event queue; one
  // on the UI thread (the system query) flips the controls at once.
  connect(&CJobControl::Instance(), &CJobControl::JobBegun, this, &CMainSheet::OnJobBegun);
  connect(&CJobControl::Instance(), &CJobControl::JobEnded, this, &CMainSheet::OnJobEnded);

  NameControlsForAccessibility(this);
  resize(1040, 640);
  mainSheet.store(this);
}

CMainSheet::~CMainSheet() {
  if (mibLoader != nullptr) {
    mibLoader->wait();
    delete mibLoader;
  }
  disconnect(&CStatusChannel::Instance(), nullptr, this, nullptr);
  disconnect(&CJobControl::Instance(), nullptr, this, nullptr);
  // The pages go first: a job still running on one of them stops and is
  // waited for while the target it resolves with still exists.
  for (auto it = pages.rbegin(); it != pages.rend(); ++it) delete *it;
  pages.clear();
  CMainSheet* self = this;
  mainSheet.compare_exchange_strong(self, nullptr);
}

void CMainSheet::Initialize(const QString& workingDir, MibLoading mibs) {
  // Start-up writes the marker, the first-run values and the sections the
  // pages open: the file is written once, at the end.
  const CSettingsStore::CBatch batch;
  WriteStartupMarker();
  target->Invalidate();

  const std::string work = QDir(workingDir).absolutePath().toStdString();
  const std::string mibFolders = MibDirectoryList(work);
  const std::string vendorFile = FindDataFile("vendors.txt", work);
  if (mibs == MibLoading::BesideWindow) {
    mibLoader = QThread::create(
        [mibLoad = BeginMibLoad(mibFolders), vendorLoad = BeginVendorFileLoad(vendorFile)] {
          vendorLoad();
          mibLoad();
          // The MIB browser shows the load's problems when it ends: the
          // report, which reads the MIB folders again, is made here rather
          // than on the window's thread.
          LastMibReport();
        });
    connect(mibLoader, &QThread::finished, this, &CMainSheet::OnMibsLoaded);
    mibLoader->start();
  } else {
    LoadMibs(mibFolders);
    LoadVendorFile(vendorFile, VendorMap);
  }

  targetHost.clear();
  PostStatusText(QStringLiteral("Ready"));
  StopFlag.store(1);

  WriteFirstRunDefaults();
  for (ToolPage* page : pages) page->InitPage();
  // Loaded already: the pages hear of it now (else when the load ends).
  if (mibs == MibLoading::BeforeWindow) OnMibsLoaded();
  LoadAllSettings();
  for (ToolPage* page : pages) page->StartBackgroundThreads();
  tabs->setCurrentIndex(0);
  RefreshStatus();
}

void CMainSheet::OnMibsLoaded() {
  if (mibsAnnounced || shutDown) return;
  mibsAnnounced = true;
  for (ToolPage* page : pages) page->OnMibsLoaded();
}

ToolPage* CMainSheet::ActivePage() const {
  return static_cast<ToolPage*>(tabs->currentWidget());
}

void CMainSheet::SetActivePage(int index) {
  tabs->setCurrentIndex(index);
}

int CMainSheet::PageIndexOf(const QString& internalName) const {
  for (int i = 0; i < PageCount(); ++i) {
    if (Page(i)->InternalName() == internalName) return i;
  }
  return -1;
}

void CMainSheet::LoadAllSettings() {
  const CSettingsStore::CBatch batch;
  RebuildFixedFont();
  // The NSLookup page's LoadSettings configures the resolver and the name
  // service from the Resolver section.
  for (ToolPage* page : pages) page->LoadSettings();
}

void CMainSheet::SaveAllSettings() {
  const CSettingsStore::CBatch batch;  // the file is written once
  for (ToolPage* page : pages) page->SaveSettings();
}

void CMainSheet::FactoryAllSettings() {
  for (ToolPage* page : pages) page->FactorySettings();
}

void CMainSheet::ResetAllResults() {
  for (ToolPage* page : pages) page->ResetResults();
}

void CMainSheet::HandleCommandLine(const QStringList& words) {
  if (words.size() < 2) return;
  targetHost = CanonicalHostText(words[0]);
  const int index = PageIndexOf(words[1]);
  if (index < 0) return;
  const ToolSpec& tool = *records[static_cast<size_t>(index)].tool;
  if (tool.commandLine) {
    // A tool that reads more than the host (the chart's set-up) takes the
    // words; when they are complete the page starts on the host.
    if (!tool.commandLine(words)) return;
    target->SetHost(targetHost);
    ResetAllResults();
    SetActivePage(index);
    QTimer::singleShot(0, this, &CMainSheet::OnStartStop);
    return;
  }
  // Only the pages a Select command opens run from the command line.
  if (tool.select.id != 0) {
    QTimer::singleShot(0, this, [this, index] { RunSelectCommand(index); });
  }
}

void CMainSheet::OnGridSelectCommand(int commandId, const QString& host, bool newInstance) {
  // A command of a tool's own (Telnet, Graph Round Trip Delay) goes to its page.
  for (size_t i = 0; i < records.size(); ++i) {
    for (const SelectCommand& action : records[i].tool->actions) {
      if (action.id == commandId) {
        pages[i]->HandleGridCommand(commandId, host);
        return;
      }
    }
  }
  // Grids keep zero-padded addresses (they sort); what goes on to the host
  // box, the title, the history or another program is the canonical form.
  targetHost = CanonicalHostText(host);
  if (targetHost.isEmpty()) return;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].tool->select.id == commandId) RunSelectCommand(static_cast<int>(i), newInstance);
  }
}

void CMainSheet::RunSelectCommand(int index, bool newInstance) {
  if (index < 0 || index >= PageCount() || targetHost.isEmpty()) return;
  if (IsOptionLike(targetHost)) {
    // A cell text such as "-n/tmp/x" (agent data) would be an option of the
    // program started, or of this one's command line.
    ShowStatus("'%s' is no host name: nothing was started", qPrintable(targetHost));
  } else if (newInstance) {
    // Another instance cannot disturb this window's job: it starts at once.
    if (startInstance) {
      // Down and right of this window, so that it does not hide it.
      startInstance(QCoreApplication::applicationFilePath(),
                    {targetHost, Page(index)->InternalName()}, pos() + QPoint(40, 40));
    }
  } else if (CJobControl::Instance().JobRunning()) {
    // One job at a time: this window's Select would reset the pages under
    // the running job and start a second one beside it.
    ShowStatus(
        "A job is running: press Stop first, or open %s in a new window with the middle "
        "button",
        qPrintable(targetHost));
  } else {
    target->SetHost(targetHost);
    ResetAllResults();
    // The page that edits the target fetches its data first; the page the
    // command opens starts when that job has ended (OnJobEnded).
    pendingSelect = index;
    for (size_t i = 0; i < records.size(); ++i) {
      if (records[i].traits.editsTarget) {
        pages[i]->StartJob();
        if (static_cast<int>(i) == index) pendingSelect = -1;
      }
    }
    if (!CJobControl::Instance().JobRunning()) StartPendingSelect();
    SetActivePage(index);
  }
}

void CMainSheet::RefreshStatus() {
  statusPending.store(false);
  statusLine->setText(CStatusChannel::Instance().Text());
}

void CMainSheet::OnStartStop() {
  if (CJobControl::Instance().JobRunning()) {
    RequestStop();
    return;
  }
  if (ToolPage* page = ActivePage()) page->StartJob();
}

void CMainSheet::OnExit() {
  if (CJobControl::Instance().JobRunning()) {
    RequestStop();
    return;
  }
  ShutdownSequence();
  done(QDialog::Accepted);
}

void CMainSheet::ShutdownSequence() {
  if (shutDown) return;
  shutDown = true;
  for (ToolPage* page : pages) page->StopBackgroundThreads();
  FreeMibs();
  ClearNameCache();
  for (ToolPage* page : pages) page->OnShutdown();
}

void CMainSheet::closeEvent(QCloseEvent* event) {
  if (CJobControl::Instance().JobRunning()) {
    RequestStop();
    event->ignore();
    return;
  }
  ShutdownSequence();
  setResult(QDialog::Accepted);
  event->accept();
}

// Escape would close a dialog and lose every result on screen: here it stops
// a running job, as Stop does, and otherwise does nothing. The window closes
// only by Exit or its title bar.
void CMainSheet::reject() {
  if (CJobControl::Instance().JobRunning()) RequestStop();
}

void CMainSheet::ShowAbout() {
  CAboutBox box(this);
  box.exec();
}

void CMainSheet::EnableJobPages(bool enable) {
  for (size_t i = 0; i < pages.size(); ++i) {
    if (!records[i].traits.enabledDuringJob) pages[i]->EnableControls(enable);
  }
}

void CMainSheet::OnJobBegun() {
  startStopButton->setText(QStringLiteral("Stop"));
  exitButton->setEnabled(false);
  EnableJobPages(false);
  QApplication::setOverrideCursor(Qt::BusyCursor);
}

void CMainSheet::OnJobEnded() {
  startStopButton->setText(QStringLiteral("Start"));
  exitButton->setEnabled(true);
  EnableJobPages(true);
  while (QApplication::overrideCursor() != nullptr) QApplication::restoreOverrideCursor();
  // After the page's own end-of-job handling, which is queued as well.
  if (pendingSelect >= 0) QTimer::singleShot(0, this, &CMainSheet::StartPendingSelect);
}

void CMainSheet::StartPendingSelect() {
  const int index = pendingSelect;
  pendingSelect = -1;
  if (index < 0 || index >= PageCount() || CJobControl::Instance().JobRunning()) return;
  SetActivePage(index);
  Page(index)->StartJob();
}

void ShowStatus(const char* format, ...) {
  va_list args;
  va_start(args, format);
  PostStatusV(format, args);
  va_end(args);
  if (CMainSheet* sheet = MainSheet()) sheet->RefreshStatus();
}

}  // namespace tesmo
