#include "tests/util/StrictXml.h"

#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <memory>

namespace recast {

::testing::AssertionResult IsWellFormedXml(const std::string& bytes) {
  std::string path = "/tmp/recast-xml-XXXXXX";
  const int fd = ::mkstemp(path.data());
  if (fd < 0) return ::testing::AssertionFailure() << "no temporary file";
  const bool written = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ::close(fd);
  std::string output;
  int status = -1;
  if (written) {
    // The system's interpreter when there is one: wrappers on PATH may take long to start.
    const std::string python = ::access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
    const std::string command =
        python + " -c 'import sys, xml.parsers.expat as x; x.ParserCreate().ParseFile(open(sys.argv[1], \"rb\"))' " +
        path + " 2>&1";
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
      std::array<char, 512> chunk{};
      std::size_t n = 0;
      while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), n);
      status = ::pclose(pipe);
    }
  }
  ::unlink(path.c_str());
  if (status == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "expat rejects the document: " << output << "\n" << bytes;
}

}  // namespace recast
