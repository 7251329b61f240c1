// The window on a flat container of 1,000,000 entries, on the embedded store and on a private
// slapd: opening the container lists every entry into the object list. Measured: the time to
// the whole list, the peak resident memory of the process, the longest time the window did
// not process its events (a 10 ms timer that can only fire while the listing lets messages
// run), and how the list grew meanwhile (rows at each tenth of the listing's time).
//
// Run: build/bench/app/app_million_bench [entries]   (QT_QPA_PLATFORM=offscreen by default)
#include <sys/wait.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchDirectory.h"
#include "app/ListBox.h"
#include "app/MainForm.h"
#include "app/MainFormController.h"
#include "app/TaggedListModel.h"
#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapService.h"
#include "platform/qtui/QtUserInterface.h"
#include "tests/platform/ldap/support/SlapdServer.h"

namespace recast::app::bench {
namespace {

struct Figures {
  double seconds = 0;
  double longestStallMs = 0;
  int rows = 0;
  std::vector<int> growth;  // rows at each tenth of the time
};

// Opens the container "Big" below the window's start container, as a double-click does.
Figures ListInWindow(DirectoryClient& client) {
  qtui::QtUserInterface ui;
  AppServices services;
  services.client = &client;
  services.ui = &ui;
  MainForm form;
  MainFormController controller(form, services);
  form.show();
  QCoreApplication::processEvents();
  form.PageControl1->setCurrentWidget(form.TabSheet2);
  form.ListBoxContainers->SelectLine(form.ListBoxContainers->Items().IndexOf("Big"));

  Figures figures;
  QElapsedTimer clock;
  std::vector<std::pair<qint64, int>> samples;
  qint64 lastTick = 0;
  QTimer probe;
  probe.setInterval(10);
  QObject::connect(&probe, &QTimer::timeout, [&] {
    const qint64 now = clock.elapsed();
    figures.longestStallMs = std::max(figures.longestStallMs, static_cast<double>(now - lastTick));
    lastTick = now;
    samples.push_back({now, form.ListBoxObjects->Items().Count()});
  });
  clock.start();
  probe.start();
  controller.ListBoxContainersDblClick();
  QCoreApplication::processEvents();
  figures.seconds = clock.elapsed() / 1000.0;
  probe.stop();
  figures.rows = form.ListBoxObjects->Items().Count();
  const qint64 total = std::max<qint64>(clock.elapsed(), 1);
  std::size_t next = 0;
  int rows = 0;
  for (int tenth = 1; tenth <= 10; ++tenth) {
    while (next < samples.size() && samples[next].first * 10 <= total * tenth) rows = samples[next++].second;
    figures.growth.push_back(rows);
  }
  form.close();
  return figures;
}

}  // namespace
}  // namespace recast::app::bench

namespace {

// Lists in a process of its own, so that its peak memory is the window's alone (building the
// store and the seed LDIF is not counted). True when the child listed.
bool ListInChild(const char* self, const char* label, const std::filesystem::path& connections) {
  std::fflush(stdout);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(self, self, "--list", label, connections.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int ListMode(int argc, char** argv) {
  using namespace recast;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::filesystem::path connections = argv[3];
  client::ClientOptions options;
  options.configFile = connections;
  options.dataFolder = connections.parent_path() / "data";
  options.openers[std::string(client::kLdapServiceKind)] = ldap::OpenLdapService;
  auto client = client::CreateDirectoryClient(options);
  const recast::app::bench::Figures f = recast::app::bench::ListInWindow(*client);
  // VmHWM belongs to this program image alone (a fork's pages before exec do not count).
  long peakKib = 0;
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) peakKib = std::stol(line.substr(6));
  }
  std::printf(
      "%-10s %8d rows %8.2f s  longest stall %6.0f ms  peak resident memory %.1f MiB\n"
      "           rows at each tenth:",
      argv[2], f.rows, f.seconds, f.longestStallMs, peakKib / 1024.0);
  for (int rows : f.growth) std::printf(" %d", rows);
  std::printf("\n");
  return f.rows > 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace recast;
  using namespace recast::app::bench;
  if (argc == 4 && std::string(argv[1]) == "--list") return ListMode(argc, argv);
  const int entries = argc > 1 ? std::atoi(argv[1]) : 1000000;
  std::printf("== a flat container of %d entries, listed by the window (each in a process of its own)\n", entries);

  const auto started = std::chrono::steady_clock::now();
  const BenchDirectory store(
      "million",
      std::string(BenchSchema()) +
          "\ntree: BENCH\nschema: bench\n\nlogin: CN=Admin.O=Org\nrights: write\n\nentry: O=Org\nclass: "
          "Organization\n\nentry: CN=Admin.O=Org\nclass: Person\nSurname: Admin\n\nentry: OU=Big.O=Org\nclass: "
          "Organizational Unit\n\ngenerate: CN=user{n:7}.OU=Big.O=Org\ncount: " +
          std::to_string(entries) + "\nclass: Person\nSurname: S{n}\n",
      "[Main]\nTree=BENCH\nService=@STORE@\nLogin=CN=Admin.O=Org\nPrimary=1\n");
  if (!store.ok()) return 1;
  std::printf("(store built in %.1f s)\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
  const bool embeddedListed = ListInChild(argv[0], "embedded", store.Folder() / "connections.ini");

  std::string ldif = "dn: ou=Big,o=Org\nobjectClass: organizationalUnit\nou: Big\n\n";
  ldif.reserve(static_cast<std::size_t>(entries) * 80);
  for (int i = 0; i < entries; ++i) {
    const std::string cn = "user" + std::to_string(i);
    ldif += "dn: cn=" + cn + ",ou=Big,o=Org\nobjectClass: person\ncn: " + cn + "\nsn: S\n\n";
  }
  std::string error;
  auto server = ldap::testing::SlapdServer::Start(ldap::testing::Seeded(std::move(ldif)), &error);
  if (!server) {
    std::fprintf(stderr, "slapd: %s\n", error.c_str());
    return 1;
  }
  const auto folder = server->Directory() / "client";
  std::filesystem::create_directories(folder);
  const auto password = server->PasswordFile("bench-password", ldap::testing::kPassword, 0600);
  std::ofstream(folder / "connections.ini")
      << "[Main]\nTree=SLAPD\nService=" << server->Url() << "\nLogin=" << ldap::testing::kRootDn
      << "\nPasswordFile=" << password.string() << "\nBase=o=Org\n";
  const bool slapdListed = ListInChild(argv[0], "slapd", folder / "connections.ini");
  return embeddedListed && slapdListed ? 0 : 1;
}
