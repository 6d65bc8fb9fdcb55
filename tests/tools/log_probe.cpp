// log_probe [-echo] NAME...
//
// Writes install log lines for the end-to-end tests: each NAME calls one
// message function with fixed arguments, or "severity:N" calls installLog at
// severity N and prints its status to standard error. "-echo" turns on the
// standard-output echo first.
#include "install/install.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>

int main(int argc, char** argv) {
  const std::map<std::string, std::function<void()>> calls = {
      {"applicationBegin", [] { install::logApplicationBegin("Bootstrapper", "1.2", "Mac", "x86"); }},
      {"applicationEndSuccess", [] { install::logApplicationEnd(true, "Bootstrapper", 0); }},
      {"applicationEndFailure", [] { install::logApplicationEnd(false, "Bootstrapper", 12); }},
      {"runtimeInstalled",
       [] { install::logRuntimeInstalled(3, 1, 0, 489, "/Library/Frameworks/Zandrel Nimbra.framework"); }},
      {"runtimeNotInstalled", [] { install::logRuntimeNotInstalled(); }},
      {"immediateUpdateDisabled", [] { install::logImmediateUpdateDisabled(); }},
      {"subprocessBegin", [] { install::logSubprocessBegin("\"installer\" -x1 /tmp/App.pkg"); }},
      {"subprocessSuccess", [] { install::logSubprocessSuccess("Runtime Installer"); }},
      {"subprocessFailure", [] { install::logSubprocessFailure("Application Installer", -1); }},
      {"downloadBegin", [] { install::logDownloadBegin("runtime", "http://host/installer"); }},
      {"downloadDest", [] { install::logDownloadDest("/tmp/installer"); }},
      {"downloadSuccess", [] { install::logDownloadSuccess(); }},
      {"downloadFailure", [] { install::logDownloadFailure("100% %s %n lost"); }},
      {"downloadCancel", [] { install::logDownloadCancel(); }},
      {"sigValid", [] { install::logSigValid("Detached"); }},
      {"sigInvalid", [] { install::logSigInvalid("Detached"); }},
      {"couldNotLocateAppDir", [] { install::logCouldNotLocateAppDir("/tmp/App.pkg"); }},
      {"missingAllowDownloadFlag", [] { install::logMissingAllowDownloadFlag(); }},
      {"certChainBegin", [] { install::logCertChainBegin(); }},
      {"certRevocationFound", [] { install::logCertRevocationFound(); }},
      {"certChainSuccess", [] { install::logCertChainSuccess(); }},
      {"certChainFailure", [] { install::logCertChainFailure(); }},
  };

  for (int i = 1; i < argc; ++i) {
    const std::string name = argv[i];
    if (name == "-echo") {
      install::_logToStdout = true;
    } else if (name.rfind("severity:", 0) == 0) {
      const int severity = std::atoi(name.c_str() + std::strlen("severity:"));
      const int status = install::installLog(static_cast<install::severity_t>(severity),
                                             "severity %d line", severity);
      std::fprintf(stderr, "%d\n", status);
    } else if (auto call = calls.find(name); call != calls.end()) {
      call->second();
    } else {
      std::fprintf(stderr, "log_probe: unknown call %s\n", name.c_str());
      return 2;
    }
  }
  return 0;
}
