// Listing a 100,000-entry container and reading one attribute, through the LDAP service and
// the client, beside `ldapsearch -E pr=1000/noprompt -s one ... 1.1` and a bare libldap base
// search, in one run against one private slapd.
//
// The peak_rss_kib counters are the peak resident memory growth during one listing (the peak
// is reset before it), to compare between the 10,000- and the 100,000-entry containers.

#include <benchmark/benchmark.h>
#include <ldap.h>

#include <fstream>
#include <memory>
#include <string>

#include "platform/client/DirectoryClientFactory.h"
#include "platform/ldap/LdapConnection.h"
#include "platform/ldap/LdapHandles.h"
#include "platform/ldap/LdapService.h"
#include "tests/platform/ldap/support/LdapTestSupport.h"

namespace {

using namespace recast;
using namespace recast::ldap;
using namespace recast::ldap::testing;

constexpr int kLarge = 100000;
constexpr int kSmall = 10000;

std::string Container(int size) { return size == kLarge ? "Large" : "Small"; }

SlapdServer& Server() {
  static std::unique_ptr<SlapdServer> server = [] {
    std::string ldif;
    ldif.reserve(static_cast<std::size_t>(kLarge + kSmall) * 100);
    for (int size : {kSmall, kLarge}) {
      const std::string ou = Container(size);
      ldif += "dn: ou=" + ou + ",o=Org\nobjectClass: organizationalUnit\nou: " + ou + "\n\n";
      for (int i = 0; i < size; ++i) {
        const std::string cn = "e" + std::to_string(i);
        ldif += "dn: cn=" + cn + ",ou=" + ou + ",o=Org\nobjectClass: person\ncn: " + cn + "\nsn: S" + cn + "\n\n";
      }
    }
    std::string error;
    auto started = SlapdServer::Start(Seeded(std::move(ldif)), &error);
    if (!started) {
      fprintf(stderr, "slapd: %s\n", error.c_str());
      std::abort();
    }
    return started;
  }();
  return *server;
}

std::unique_ptr<LdapService> Service() {
  DirStatus status = 0;
  auto service = OpenService(Server(), {kReaderDn, {}}, &status);
  if (!service) std::abort();
  return service;
}

long PeakRssKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}
long CurrentRssKib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}
void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

void BM_Ldapsearch(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const std::string base = "ou=" + Container(size) + ",o=Org";
  for (auto _ : state) {
    RunProgram(
        {"ldapsearch", "-x", "-LLL", "-H", Server().Url(), "-b", base, "-s", "one", "-E", "pr=1000/noprompt", "1.1"});
  }
  state.SetItemsProcessed(state.iterations() * size);
}

void BM_ServiceList(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  auto service = Service();
  const service::EntryName parent{{"OU", Container(size)}, {"O", "Org"}};
  long peak = 0;
  for (auto _ : state) {
    ResetPeakRss();
    const long before = CurrentRssKib();
    std::size_t count = 0;
    std::string cursor;
    do {
      service::ListPage page;
      if (service->ListChildren(parent, false, cursor, 1000, &page) != 0) std::abort();
      count += page.entries.size();
      cursor = std::move(page.cursor);
    } while (!cursor.empty());
    if (count != static_cast<std::size_t>(size)) std::abort();
    peak = std::max(peak, PeakRssKib() - before);
  }
  state.counters["peak_rss_kib"] = static_cast<double>(peak);
  state.SetItemsProcessed(state.iterations() * size);
}

void BM_ClientList(benchmark::State& state) {
  const int size = static_cast<int>(state.range(0));
  const auto folder = Server().Directory();
  const auto password = Server().PasswordFile("bench-password", kPassword, 0600);
  std::ofstream(folder / "bench.ini") << "[Ldap]\nTree=BENCH\nService=" << Server().Url() << "\nLogin=" << kReaderDn
                                      << "\nPasswordFile=" << password.string() << "\nPrimary=1\n";
  client::ClientOptions options;
  options.configFile = folder / "bench.ini";
  options.dataFolder = folder / "bench-data";
  options.openers[std::string(client::kLdapServiceKind)] = OpenLdapService;
  auto client = client::CreateDirectoryClient(options);
  ConnRef ref = 0;
  ConnHandle connection = 0;
  DirContext ctx = kNoContext;
  DirBuffer reply = kNoBuffer;
  if (client->InitClient(0, 0) != 0 || client->GetPrimaryConnectionRef(&ref) != 0 ||
      client->OpenConnectionByRef(ref, 1, 0, &connection) != 0 || client->CreateContext(&ctx) != 0 ||
      client->AllocBuffer(kDefaultBufferSize, &reply) != 0) {
    state.SkipWithError("client could not start");
    return;
  }
  const std::string name = ".OU=" + Container(size) + ".O=Org";
  long peak = 0;
  for (auto _ : state) {
    ResetPeakRss();
    const long before = CurrentRssKib();
    IterationHandle iteration = kNoIteration;
    std::size_t count = 0;
    do {
      if (client->ListSubordinates(ctx, name.c_str(), &iteration, reply) != 0) std::abort();
      std::uint32_t n = 0;
      client->GetObjectCount(ctx, reply, &n);
      for (std::uint32_t i = 0; i < n; ++i) {
        char entry[kMaxNameBytes];
        std::uint32_t attrs = 0;
        ObjectInfo info;
        client->GetObjectName(ctx, reply, entry, &attrs, &info);
      }
      count += n;
    } while (iteration != kNoIteration);
    if (count != static_cast<std::size_t>(size)) std::abort();
    peak = std::max(peak, PeakRssKib() - before);
  }
  state.counters["peak_rss_kib"] = static_cast<double>(peak);
  state.SetItemsProcessed(state.iterations() * size);
  client->FreeBuffer(reply);
  client->FreeContext(ctx);
}

void BM_ServiceReadAttribute(benchmark::State& state) {
  auto service = Service();
  const service::EntryName entry{{"CN", "e4242"}, {"OU", "Large"}, {"O", "Org"}};
  service::AttributeValues values;
  if (service->ReadAttribute(entry, "sn", false, &values) != 0) std::abort();  // schema read once
  for (auto _ : state) {
    service->BeginUserAction();  // a first read of the entry, not the kept one
    if (service->ReadAttribute(entry, "sn", false, &values) != 0) std::abort();
    benchmark::DoNotOptimize(values);
  }
}

void BM_BareBaseSearch(benchmark::State& state) {
  LdapSettings settings;
  settings.url = Server().Url();
  settings.bindDn = kReaderDn;
  settings.passwordFile = Server().PasswordFile("bare-password", kPassword, 0600);
  std::unique_ptr<LdapConnection> connection;
  std::string diagnostic;
  if (LdapConnection::Open(settings, &connection, &diagnostic) != 0) std::abort();
  const char* attrs[] = {"sn", nullptr};
  for (auto _ : state) {
    LDAPMessage* raw = nullptr;
    ldap_search_ext_s(connection->get(), "cn=e4242,ou=Large,o=Org", LDAP_SCOPE_BASE, "(objectClass=*)",
                      const_cast<char**>(attrs), 0, nullptr, nullptr, nullptr, 1, &raw);
    MessagePtr result(raw);
    ValuesPtr values(ldap_get_values_len(connection->get(), ldap_first_entry(connection->get(), raw), "sn"));
    benchmark::DoNotOptimize(values.get());
  }
}

// Reading 10 attributes (3 held, 7 not) of each entry of the 10,000-entry container, as an
// analysis does. requests_per_entry counts what the service sent.
const char* const kTenAttributes[] = {"objectClass", "cn",           "sn",    "description", "telephoneNumber",
                                      "seeAlso",     "userPassword", "title", "l",           "mail"};

service::EntryName SmallEntry(int i) { return {{"CN", "e" + std::to_string(i)}, {"OU", "Small"}, {"O", "Org"}}; }

void ReadTen(LdapService& service, const service::EntryName& entry, bool dropBetweenReads) {
  for (const char* attr : kTenAttributes) {
    if (dropBetweenReads) service.BeginUserAction();
    service::AttributeValues values;
    const DirStatus status = service.ReadAttribute(entry, attr, false, &values);
    if (status != 0 && status != kErrNoSuchAttribute) std::abort();
  }
}

// dropBetweenReads: every read fetches anew (what each read cost before entries were kept).
void BM_ReadTenAttributes(benchmark::State& state) {
  const bool dropBetweenReads = state.range(0) != 0;
  auto service = Service();
  ReadTen(*service, SmallEntry(0), false);  // schema read once
  const auto before = service->RequestsSent();
  for (auto _ : state) {
    for (int i = 0; i < kSmall; ++i) ReadTen(*service, SmallEntry(i), dropBetweenReads);
  }
  state.counters["requests_per_entry"] =
      static_cast<double>(service->RequestsSent() - before) / (static_cast<double>(state.iterations()) * kSmall);
  state.SetItemsProcessed(state.iterations() * kSmall);
}

// The same request pattern without the service: one base search per attribute.
void BM_BareTenSearchesPerEntry(benchmark::State& state) {
  LdapSettings settings;
  settings.url = Server().Url();
  settings.bindDn = kReaderDn;
  settings.passwordFile = Server().PasswordFile("bare-password", kPassword, 0600);
  std::unique_ptr<LdapConnection> connection;
  std::string diagnostic;
  if (LdapConnection::Open(settings, &connection, &diagnostic) != 0) std::abort();
  for (auto _ : state) {
    for (int i = 0; i < kSmall; ++i) {
      const std::string dn = "cn=e" + std::to_string(i) + ",ou=Small,o=Org";
      for (const char* attr : kTenAttributes) {
        const char* attrs[] = {attr, nullptr};
        LDAPMessage* raw = nullptr;
        ldap_search_ext_s(connection->get(), dn.c_str(), LDAP_SCOPE_BASE, "(objectClass=*)", const_cast<char**>(attrs),
                          0, nullptr, nullptr, nullptr, 1, &raw);
        MessagePtr result(raw);
        benchmark::DoNotOptimize(raw);
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kSmall);
}

// Listing the container with the listed entries' values, then reading 10 attributes of each.
void BM_ListPrefetchedAndReadTen(benchmark::State& state) {
  auto service = Service();
  service->SetListingPrefetch(true);
  ReadTen(*service, SmallEntry(0), false);
  const service::EntryName parent{{"OU", "Small"}, {"O", "Org"}};
  const auto before = service->RequestsSent();
  for (auto _ : state) {
    std::string cursor;
    do {
      service::ListPage page;
      if (service->ListChildren(parent, false, cursor, 1000, &page) != 0) std::abort();
      for (const auto& summary : page.entries) {
        service::EntryName entry = parent;
        entry.insert(entry.begin(), summary.rdn);
        ReadTen(*service, entry, false);
      }
      cursor = std::move(page.cursor);
    } while (!cursor.empty());
  }
  state.counters["requests_per_entry"] =
      static_cast<double>(service->RequestsSent() - before) / (static_cast<double>(state.iterations()) * kSmall);
  state.SetItemsProcessed(state.iterations() * kSmall);
}

BENCHMARK(BM_ReadTenAttributes)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_BareTenSearchesPerEntry)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_ListPrefetchedAndReadTen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Ldapsearch)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ServiceList)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ClientList)->Arg(kSmall)->Arg(kLarge)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ServiceReadAttribute)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_BareBaseSearch)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
