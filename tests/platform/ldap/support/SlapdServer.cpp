#include "tests/platform/ldap/support/SlapdServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace recast::ldap::testing {
namespace {

std::string Config(const std::filesystem::path& dir, const SlapdOptions& options) {
  const bool tls = options.withTls;
  const std::string& suffix = options.suffix;
  std::string c;
  c += "modulepath /usr/lib/ldap\nmoduleload back_mdb\n";
  if (options.provider) c += "moduleload syncprov\n";
  for (const char* schema : {"core", "cosine", "inetorgperson", "nis"}) {
    c += std::string("include /etc/ldap/schema/") + schema + ".schema\n";
  }
  c += options.extraSchema;
  if (options.withLdapi) {
    // "." stands for the "+" between the two values, which would need escaping twice.
    c += "authz-regexp \"^gidNumber=" + std::to_string(::getgid()) + ".uidNumber=" + std::to_string(::getuid()) +
         ",cn=peercred,cn=external,cn=auth$\" \"cn=reader," + suffix + "\"\n";
  }
  c += "pidfile " + (dir / "slapd.pid").string() + "\n";
  c += "sizelimit unlimited\n";
  if (tls) {
    c += "TLSCertificateFile " + (dir / "cert.pem").string() + "\n";
    c += "TLSCertificateKeyFile " + (dir / "key.pem").string() + "\n";
  }
  c += "database mdb\nsuffix \"" + suffix + "\"\nrootdn \"cn=admin," + suffix + "\"\nrootpw secret\n";
  c += "directory " + (dir / "db").string() + "\nmaxsize 1073741824\n";
  c += "index objectClass eq\n";
  if (options.provider) c += "index entryCSN,entryUUID eq\noverlay syncprov\nsyncprov-checkpoint 100 1\n";
  if (!options.providerUrl.empty()) {
    c += "syncrepl rid=001 provider=" + options.providerUrl + " type=refreshAndPersist retry=\"1 +\" searchbase=\"" +
         suffix + "\" bindmethod=simple binddn=\"cn=admin," + suffix + "\" credentials=secret\n";
    c += "updateref " + options.providerUrl + "\n";
  }
  const std::string writer = "dn.exact=\"cn=writer," + suffix + "\"";
  const std::string reader = "dn.exact=\"cn=reader," + suffix + "\"";
  c += options.extraAccess;
  c += "access to attrs=userPassword by self write by anonymous auth by " + writer + " write by * none\n";
  c += "access to * by " + writer + " write by " + reader + " read by * read\n";
  return c;
}

}  // namespace

std::string BaseLdif() {
  return "dn: o=Org\nobjectClass: organization\no: Org\n\n"
         "dn: cn=admin,o=Org\nobjectClass: organizationalRole\ncn: admin\n\n"
         "dn: cn=reader,o=Org\nobjectClass: person\ncn: reader\nsn: Reader\nuserPassword: secret\n\n"
         "dn: cn=writer,o=Org\nobjectClass: person\ncn: writer\nsn: Writer\nuserPassword: secret\n\n"
         "dn: ou=Sales,o=Org\nobjectClass: organizationalUnit\nou: Sales\n\n"
         "dn: ou=People,o=Org\nobjectClass: organizationalUnit\nou: People\n\n";
}

std::unique_ptr<SlapdServer> SlapdServer::Start(const SlapdOptions& options, std::string* error) {
  auto server = std::make_unique<SlapdServer>();
  server->ldapi_ = options.withLdapi;
  server->rootDn_ = "cn=admin," + options.suffix;
  char pattern[] = "/tmp/recast-slapd-XXXXXX";
  if (!::mkdtemp(pattern)) {
    *error = "cannot create a temporary directory";
    return nullptr;
  }
  server->dir_ = pattern;
  const auto& dir = server->dir_;
  std::filesystem::create_directories(dir / "db");
  if (options.withTls) {
    const int rc = RunProgram(
        {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", (dir / "key.pem").string(), "-out",
         (dir / "cert.pem").string(), "-days", "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"},
        dir / "openssl.log");
    if (rc != 0) {
      *error = "openssl could not make a certificate";
      return nullptr;
    }
  }
  WriteTextFile(dir / "slapd.conf", Config(dir, options));
  WriteTextFile(dir / "seed.ldif", (options.withBaseEntries ? BaseLdif() : std::string()) + options.seedLdif);
  // A consumer starts empty and fills itself from its provider.
  if (options.providerUrl.empty() &&
      RunProgram({"slapadd", "-q", "-f", (dir / "slapd.conf").string(), "-l", (dir / "seed.ldif").string()},
                 dir / "slapadd.log") != 0) {
    *error = "slapadd failed; see " + (dir / "slapadd.log").string();
    return nullptr;
  }
  for (int attempt = 0; attempt < 5; ++attempt) {
    server->port_ = FreePort();
    if (options.withTls) server->tlsPort_ = FreePort();
    if (server->Launch(error)) return server;
  }
  return nullptr;
}

bool SlapdServer::Launch(std::string* error) {
  const pid_t parent = ::getpid();
  const pid_t pid = ::fork();
  if (pid < 0) {
    *error = "fork failed";
    return false;
  }
  if (pid == 0) {
    ::setpgid(0, 0);
    // Ends with the test process, even when that one crashes.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    const std::string log = (dir_ / "slapd.log").string();
    const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (out >= 0) {
      ::dup2(out, 1);
      ::dup2(out, 2);
    }
    std::string url = "ldap://127.0.0.1:" + std::to_string(port_) + "/";
    if (ldapi_) url += " " + LdapiUrl();
    if (tlsPort_ > 0) url += " " + LdapsUrl();
    const std::string conf = (dir_ / "slapd.conf").string();
    ::execlp("slapd", "slapd", "-d", "0", "-h", url.c_str(), "-f", conf.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::setpgid(pid, pid);
  pid_ = pid;
  for (int i = 0; i < 200; ++i) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      pid_ = -1;
      *error = "slapd ended at once; see " + (dir_ / "slapd.log").string();
      return false;
    }
    if (Accepts(port_)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  Stop();
  *error = "slapd did not answer";
  return false;
}

void SlapdServer::Stop() {
  if (pid_ <= 0) return;
  ::kill(-pid_, SIGTERM);
  for (int i = 0; i < 200; ++i) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  ::kill(-pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void SlapdServer::Pause(bool paused) const {
  if (pid_ <= 0) return;
  ::kill(-pid_, paused ? SIGSTOP : SIGCONT);
  // Wait until the signal took effect.
  const char wanted = paused ? 'T' : 'S';
  for (int i = 0; i < 200; ++i) {
    std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
    std::string pid, name, state;
    stat >> pid >> name >> state;
    if (!state.empty() && (state[0] == wanted || (!paused && state[0] == 'R'))) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool SlapdServer::Restart(std::string* error) {
  Stop();
  for (int i = 0; i < 40; ++i) {
    if (Launch(error)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the port may linger briefly
  }
  return false;
}

SlapdServer::~SlapdServer() {
  Stop();
  std::error_code ec;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ec);
}

std::string SlapdServer::Url() const { return "ldap://127.0.0.1:" + std::to_string(port_) + "/"; }

std::string SlapdServer::LdapsUrl() const { return "ldaps://127.0.0.1:" + std::to_string(tlsPort_) + "/"; }

std::string SlapdServer::LdapiUrl() const {
  std::string url = "ldapi://";
  for (char c : (dir_ / "ldapi").string()) {
    if (c == '/')
      url += "%2F";
    else
      url.push_back(c);
  }
  return url;
}

bool SlapdServer::Apply(const std::string& ldif, bool modify) const {
  const auto file = dir_ / "apply.ldif";
  WriteTextFile(file, ldif);
  return RunProgram({modify ? "ldapmodify" : "ldapadd", "-x", "-H", Url(), "-D", rootDn_, "-w", kPassword, "-f",
                     file.string()},
                    dir_ / "apply.log") == 0;
}

}  // namespace recast::ldap::testing
