#include "tests/platform/ldap/support/Ds389Server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace recast::ldap::testing {
namespace {

constexpr const char* kServerProgram = "/usr/sbin/ns-slapd";

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/sbin:/usr/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

std::string ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The end of a log, for a failure message: the folder goes away with the failed server.
std::string Tail(const std::filesystem::path& log) {
  const std::string text = ReadTextFile(log);
  return log.filename().string() + ":\n" + text.substr(text.size() > 3000 ? text.size() - 3000 : 0);
}

// A folder for this server alone. The package's scripts treat a path holding "db" specially,
// so such a name is drawn again.
std::filesystem::path FreshFolder(std::string* error) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    char pattern[] = "/tmp/recast-ds389-XXXXXX";
    if (!::mkdtemp(pattern)) break;
    std::string path = pattern;
    if (path.find("db") == std::string::npos && path.find("DB") == std::string::npos) return path;
    ::rmdir(pattern);
  }
  *error = "cannot create a temporary folder under /tmp";
  return {};
}

// The package's own files and a defaults.inf that puts every path of an instance below root
// and leaves systemd out, so that dscreate works without touching the machine's installation.
bool MakeRoot(const std::filesystem::path& root, std::string* error) {
  namespace fs = std::filesystem;
  const auto log = root / "root.log";
  fs::create_directories(root / "share");
  fs::create_directories(root / "etc/dirsrv");
  if (RunProgram({"cp", "-a", "/usr/share/dirsrv", (root / "share").string()}, log) != 0 ||
      RunProgram({"cp", "-a", "/etc/dirsrv/config", "/etc/dirsrv/schema", (root / "etc/dirsrv").string()}, log) != 0) {
    *error = "cannot copy the package's files; " + Tail(log);
    return false;
  }
  // The server runs as the package's user, which must reach every folder; dscreate would make
  // the missing ones 0770 and owned by root.
  ::chmod(root.c_str(), 0755);
  for (const char* dir :
       {"etc/dirsrv", "run/dirsrv", "run/lock/dirsrv", "var/log/dirsrv", "var/lib/dirsrv", "lib/dirsrv"}) {
    fs::create_directories(root / dir);
    for (fs::path part = root / dir; part != root; part = part.parent_path()) ::chmod(part.c_str(), 0755);
  }
  fs::create_directories(root / "tmp");
  ::chmod((root / "tmp").c_str(), 01777);

  // Listening on 127.0.0.1 only from the first start on: dscreate starts the server once.
  const auto templateFile = root / "share/dirsrv/data/template-dse.ldif";
  std::string dse = ReadTextFile(templateFile);
  const std::string portLine = "nsslapd-port: %ds_port%\n";
  const auto at = dse.find(portLine);
  if (at == std::string::npos) {
    *error = "no nsslapd-port line in " + templateFile.string();
    return false;
  }
  dse.insert(at + portLine.size(), "nsslapd-listenhost: 127.0.0.1\n");
  WriteTextFile(templateFile, dse);

  std::string version;
  std::istringstream defaults(ReadTextFile("/usr/share/dirsrv/inf/defaults.inf"));
  for (std::string line; std::getline(defaults, line);) {
    if (line.rfind("version = ", 0) == 0) version = line.substr(10);
  }
  const std::string r = root.string();
  const std::string inst = "{instance_name}";
  std::string inf = "[slapd]\nproduct = 389 Directory Server\nversion = " + version +
                    "\nasan_enabled = 0\nenable_rust = yes\nwith_systemd = 0\nwith_selinux = no\n";
  const std::pair<const char*, std::string> paths[] = {
      {"prefix", r},
      {"bin_dir", "/usr/bin"},
      {"sbin_dir", "/usr/sbin"},
      {"lib_dir", "/usr/lib/x86_64-linux-gnu"},
      {"data_dir", r + "/share"},
      {"tmp_dir", r + "/tmp"},
      {"sysconf_dir", r + "/etc"},
      {"initconfig_dir", r + "/etc/default"},
      {"config_dir", r + "/etc/dirsrv/slapd-" + inst},
      {"local_state_dir", r + "/var"},
      {"run_dir", r + "/run/dirsrv"},
      {"ldapi", r + "/run/slapd-" + inst + ".socket"},
      {"pid_file", r + "/run/dirsrv/slapd-" + inst + ".pid"},
      {"ldapi_listen", "on"},
      {"ldapi_autobind", "on"},
      {"inst_dir", r + "/lib/dirsrv/slapd-" + inst},
      {"plugin_dir", "/usr/lib/x86_64-linux-gnu/dirsrv/plugins"},
      {"system_schema_dir", "/usr/share/dirsrv/schema"},
      {"tmpfiles_d", r + "/etc/tmpfiles.d"},
      {"user", "dirsrv"},
      {"group", "dirsrv"},
      {"root_dn", kDs389RootDn},
      {"schema_dir", r + "/etc/dirsrv/slapd-" + inst + "/schema"},
      {"cert_dir", r + "/etc/dirsrv/slapd-" + inst},
      {"lock_dir", r + "/run/lock/dirsrv/slapd-" + inst},
      {"log_dir", r + "/var/log/dirsrv/slapd-" + inst},
      {"access_log", r + "/var/log/dirsrv/slapd-" + inst + "/access"},
      {"audit_log", r + "/var/log/dirsrv/slapd-" + inst + "/audit"},
      {"error_log", r + "/var/log/dirsrv/slapd-" + inst + "/errors"},
      {"security_log", r + "/var/log/dirsrv/slapd-" + inst + "/security"},
      {"db_dir", r + "/var/lib/dirsrv/slapd-" + inst + "/db"},
      {"db_home_dir", r + "/var/lib/dirsrv/slapd-" + inst + "/db"},
      {"backup_dir", r + "/var/lib/dirsrv/slapd-" + inst + "/bak"},
      {"ldif_dir", r + "/var/lib/dirsrv/slapd-" + inst + "/ldif"},
  };
  for (const auto& [key, value] : paths) inf += std::string(key) + " = " + value + "\n";
  WriteTextFile(root / "share/dirsrv/inf/defaults.inf", inf);
  return true;
}

// Unique among the running instances of the machine: each one keeps a semaphore named after it.
std::string InstanceName() {
  static std::atomic<int> counter{0};
  return "recast" + std::to_string(::getpid()) + "x" + std::to_string(counter++);
}

// The root password for the LDAP tools' -y, which reads the whole file: no line end.
std::filesystem::path ToolPasswordFile(const std::filesystem::path& dir) {
  const auto path = dir / "root-password-tools";
  WriteTextFile(path, kDs389RootPassword);
  ::chmod(path.c_str(), 0600);
  return path;
}

void Sleep100ms() {
  const timespec pause{0, 100 * 1000 * 1000};
  ::nanosleep(&pause, nullptr);
}

}  // namespace

std::string BaseLdif389() {
  std::string ldif =
      "dn: o=Org\nobjectClass: top\nobjectClass: organization\no: Org\n"
      "aci: (targetattr=\"*\")(version 3.0; acl \"admin\"; allow (all) userdn=\"ldap:///cn=admin,o=Org\";)\n"
      "aci: (targetattr=\"*\")(version 3.0; acl \"writer\"; allow (read, search, compare, write, add, delete) "
      "userdn=\"ldap:///cn=writer,o=Org\";)\n"
      "aci: (targetattr=\"*\")(version 3.0; acl \"reader\"; allow (read, search, compare) "
      "userdn=\"ldap:///cn=reader,o=Org\";)\n\n";
  for (const char* login : {"admin", "writer", "reader"}) {
    ldif += std::string("dn: cn=") + login + ",o=Org\nobjectClass: person\ncn: " + login + "\nsn: " + login +
            "\nuserPassword: secret\n\n";
  }
  return ldif +
         "dn: ou=Sales,o=Org\nobjectClass: organizationalUnit\nou: Sales\n\n"
         "dn: ou=People,o=Org\nobjectClass: organizationalUnit\nou: People\n\n";
}

bool Ds389Server::Installed() { return ::access(kServerProgram, X_OK) == 0 && OnPath("dscreate"); }

std::unique_ptr<Ds389Server> Ds389Server::Start(const Ds389Options& options, std::string* error) {
  if (!Installed()) {
    *error = kDs389Missing;
    return nullptr;
  }
  auto server = std::make_unique<Ds389Server>();
  server->dir_ = FreshFolder(error);
  if (server->dir_.empty()) return nullptr;
  const auto& root = server->dir_;
  if (!MakeRoot(root, error)) return nullptr;

  server->instance_ = InstanceName();
  server->port_ = FreePort();
  std::string inf =
      "[general]\nfull_machine_name = localhost\nstart = False\nstrict_host_checking = False\n"
      "selinux = False\nsystemd = False\n\n[slapd]\ninstance_name = " +
      server->instance_ + "\nport = " + std::to_string(server->port_) +
      "\nsecure_port = " + std::to_string(FreePort()) + "\nroot_password = " + kDs389RootPassword +
      "\nself_sign_cert = False\n";
  for (std::size_t i = 0; i < options.suffixes.size(); ++i) {
    inf += "\n[backend-tree" + std::to_string(i) + "]\nsample_entries = no\nsuffix = " + options.suffixes[i] +
           "\ncreate_suffix_entry = False\n";
  }
  const auto infFile = root / "instance.inf";
  WriteTextFile(infFile, inf);
  ::chmod(infFile.c_str(), 0600);
  const auto createLog = root / "dscreate.log";
  if (RunProgram({"env", "PREFIX=" + root.string(), "dscreate", "from-file", infFile.string()}, createLog) != 0) {
    *error = "dscreate failed; " + Tail(createLog);
    return nullptr;
  }
  if (!server->Launch(error)) return nullptr;
  if (!options.schemaLdif.empty() && !server->Apply(options.schemaLdif, true)) {
    *error = "the schema could not be extended; " + Tail(root / "apply.log");
    return nullptr;
  }
  // dscreate makes a suffix entry of its own even when asked not to; the seed brings ours.
  for (const auto& suffix : options.suffixes) {
    if (!server->DeleteTree(suffix)) {
      *error = "the suffix entry " + suffix + " could not be removed; " + Tail(root / "apply.log");
      return nullptr;
    }
  }
  if (!options.seedLdif.empty() && !server->Apply(options.seedLdif)) {
    *error = "the seed could not be added; " + Tail(root / "apply.log");
    return nullptr;
  }
  return server;
}

bool Ds389Server::Launch(std::string* error) {
  const std::string configDir = (dir_ / "etc/dirsrv" / ("slapd-" + instance_)).string();
  const std::string pidFile = (dir_ / "run/dirsrv" / ("slapd-" + instance_ + ".pid")).string();
  const std::string console = (dir_ / "console.log").string();
  const std::string folder = dir_.string();
  int lifeline[2];
  if (::pipe2(lifeline, O_CLOEXEC) != 0) {
    *error = "pipe failed";
    return false;
  }
  const pid_t keeper = ::fork();
  if (keeper < 0) {
    ::close(lifeline[0]);
    ::close(lifeline[1]);
    *error = "fork failed";
    return false;
  }
  if (keeper == 0) {
    // The keeper: only async-signal-safe calls from here on. In a session of its own, so that
    // signals meant for the test process's group do not reach it; it stops the server as soon
    // as the other end of the lifeline closes, which happens when the test process ends.
    // Nothing else of the test process stays open here: a lifeline of another server held by
    // this keeper would keep that one from ever seeing its end.
    const int keep = lifeline[0];
    if (keep > 3) ::close_range(3, static_cast<unsigned>(keep - 1), 0);
    ::close_range(static_cast<unsigned>(keep + 1), ~0U, 0);
    ::setsid();
    const pid_t server = ::fork();
    if (server == 0) {
      ::setpgid(0, 0);
      const int out = ::open(console.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
      if (out >= 0) {
        ::dup2(out, 1);
        ::dup2(out, 2);
      }
      const int in = ::open("/dev/null", O_RDONLY);
      if (in >= 0) ::dup2(in, 0);
      // -d keeps it in the foreground; it switches to the package's user by itself.
      ::execl(kServerProgram, kServerProgram, "-D", configDir.c_str(), "-i", pidFile.c_str(), "-d", "0",
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    if (server < 0) ::_exit(2);
    ::setpgid(server, server);
    for (;;) {
      pollfd wait{lifeline[0], POLLIN, 0};
      if (::poll(&wait, 1, 200) > 0) break;
      int status = 0;
      if (::waitpid(server, &status, WNOHANG) == server) ::_exit(3);
    }
    ::kill(-server, SIGTERM);
    bool ended = false;
    for (int i = 0; i < 300 && !ended; ++i) {
      int status = 0;
      ended = ::waitpid(server, &status, WNOHANG) == server;
      if (!ended) Sleep100ms();
    }
    if (!ended) {
      ::kill(-server, SIGKILL);
      ::waitpid(server, nullptr, 0);
    }
    // The folder goes too, also when the test process died without its destructor.
    ::execl("/bin/rm", "rm", "-rf", "--", folder.c_str(), static_cast<char*>(nullptr));
    ::_exit(0);
  }
  ::close(lifeline[0]);
  lifeline_ = FileDescriptor(lifeline[1]);
  keeper_ = keeper;
  for (int i = 0; i < 600; ++i) {
    int status = 0;
    if (::waitpid(keeper_, &status, WNOHANG) == keeper_) {
      keeper_ = -1;
      lifeline_ = FileDescriptor();
      *error = "ns-slapd ended at once; " + Tail(console) + "\n" +
               Tail(dir_ / "var/log/dirsrv" / ("slapd-" + instance_) / "errors");
      return false;
    }
    if (Accepts(port_) &&
        RunProgram({"ldapsearch", "-x", "-H", Url(), "-b", "", "-s", "base", "1.1"}, dir_ / "probe.log") == 0) {
      return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  *error = "ns-slapd did not answer within 60 seconds; " + Tail(console);
  Stop();
  return false;
}

void Ds389Server::Stop() {
  if (keeper_ <= 0) return;
  lifeline_ = FileDescriptor();
  ::waitpid(keeper_, nullptr, 0);
  keeper_ = -1;
}

Ds389Server::~Ds389Server() {
  Stop();
  std::error_code ec;
  // Only a folder made for this server (it holds the private defaults.inf) is removed.
  if (!dir_.empty() && std::filesystem::exists(dir_ / "share/dirsrv/inf/defaults.inf", ec)) {
    std::filesystem::remove_all(dir_, ec);
  } else if (!dir_.empty()) {
    std::filesystem::remove(dir_, ec);
  }
}

std::string Ds389Server::Url() const { return "ldap://127.0.0.1:" + std::to_string(port_) + "/"; }

bool Ds389Server::Apply(const std::string& ldif, bool modify) const {
  const auto file = dir_ / "apply.ldif";
  WriteTextFile(file, ldif);
  const auto password = ToolPasswordFile(dir_);
  return RunProgram({modify ? "ldapmodify" : "ldapadd", "-x", "-H", Url(), "-D", kDs389RootDn, "-y", password.string(),
                     "-f", file.string()},
                    dir_ / "apply.log") == 0;
}

bool Ds389Server::DeleteTree(const std::string& dn) const {
  const auto password = ToolPasswordFile(dir_);
  const int rc = RunProgram({"ldapdelete", "-x", "-H", Url(), "-D", kDs389RootDn, "-y", password.string(), "-r", dn},
                            dir_ / "apply.log");
  return rc == 0 || rc == 32;  // 32: there was nothing
}

}  // namespace recast::ldap::testing
