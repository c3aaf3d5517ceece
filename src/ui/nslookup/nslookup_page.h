// The NSLookup page: the resolver settings of the whole program (the internal
// resolver's servers, search list, time-out and retries, and the name
// service's resolver choice, cache and hosts file), and DNS lookups and zone
// listings whose printed lines fill the result list.
//
// Every change of a setting takes effect at once, without saving. Lookup and
// List run as the program's job on the page's job runner: the query thread
// takes the name cache lock for the whole query and prints through the
// engine's sink, which the result list follows in batches. Lookup and List
// stay enabled during a job; pressed while a query of this page runs, the new
// query waits for its end and then starts, unless Stop ended it.
#pragma once

#include <QString>
#include <atomic>
#include <optional>
#include <string>

#include "core/base/job_runner.h"
#include "core/dns/dns_engine.h"
#include "core/dns/dns_output.h"
#include "core/net/resolver_settings.h"
#include "ui/app/tool_page.h"
#include "ui/widgets/line_list_model.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListView;
class QPushButton;
class QRadioButton;

namespace tesmo {

class CNsLookupPage : public ToolPage {
  Q_OBJECT
 public:
  explicit CNsLookupPage(const PageContext& context);
  // Stops a query still on its way and waits for it.
  ~CNsLookupPage() override;

  // The resolver's one-time set-up; the type and class lists.
  void InitPage() override;
  void CopyResults() override;
  // Start: a Lookup.
  void StartJob() override;
  // The page owns the section "Resolver": it loads, saves and resets it, and
  // pushes it into the resolver and the name service.
  void FactorySettings() override;
  void SaveSettings() override;
  void LoadSettings() override;
  // Everything but Lookup, List and the result list.
  void EnableControls(bool enable) override;
  void StopBackgroundThreads() override;

  // "Lookup" and "List": read the controls, then run the query (or queue it
  // behind the running one). An empty name does nothing.
  void StartQuery(CDnsEngine::Query kind);
  // The Copy report: the settings, the query type and class, every line of
  // the result list.
  QString Report();

  const ResolverSettings& Settings() const { return settings; }
  bool QueryRunning() const { return runner.Running(); }
  // The engine, to point it at a name server on another port (tests, the
  // benchmark); only while no query runs.
  CDnsEngine& Engine() { return engine; }
  CLineListModel& ResultModel() { return model; }
  QListView* ResultList() const { return resultList; }

 private:
  struct QueryRequest {
    CDnsEngine::Query kind;
    std::string name;
    std::string type;
    std::string dnsClass;
    bool debug = false;
    bool debug2 = false;
    bool ipv6Addresses = false;  // a type-A lookup shows the AAAA addresses too
  };

  // Reads every control into the fields and gives the resolver and the name
  // service what changed (an edit or box the user left or clicked).
  void ReadControls();
  void ShowFields();
  void ChooseResolver(bool internal);
  void RunQuery(const QueryRequest& request);
  void OnQueryEnded();

  ResolverSettings settings;
  bool debug = false;
  bool debug2 = false;
  bool ipv6Addresses = false;

  // The sink before the engine that prints into it and the model that follows
  // it; the runner last, so that its thread is gone before any of them.
  CDnsOutput output;
  CDnsEngine engine{output};
  CLineListModel model{output.Store()};

  QRadioButton* internalButton = nullptr;
  QRadioButton* systemButton = nullptr;
  QLineEdit* dnsEdit = nullptr;
  QLineEdit* searchEdit = nullptr;
  QLineEdit* timeoutEdit = nullptr;
  QLineEdit* retriesEdit = nullptr;
  QCheckBox* hostFileBox = nullptr;
  QCheckBox* cacheBox = nullptr;
  QLineEdit* cacheTimeoutEdit = nullptr;
  QPushButton* clearCacheButton = nullptr;
  QPushButton* cleanCacheButton = nullptr;
  QLineEdit* nameEdit = nullptr;
  QComboBox* typeBox = nullptr;
  QComboBox* classBox = nullptr;
  QCheckBox* debugBox = nullptr;
  QCheckBox* debug2Box = nullptr;
  QCheckBox* ipv6Box = nullptr;
  QPushButton* lookupButton = nullptr;
  QPushButton* listButton = nullptr;
  QListView* resultList = nullptr;

  std::optional<QueryRequest> pending;
  // Set by the query thread: Stop ended the last query.
  std::atomic<bool> lastStopped{false};
  CJobRunner runner;
};

}  // namespace tesmo
