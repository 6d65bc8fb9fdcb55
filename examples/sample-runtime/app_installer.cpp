// The sample runtime's Application Installer: installs the package folder it
// is given as an application bundle <Name>.app whose executable is the
// runtime application stub.
//
//   installer [-silent] [-eulaAccepted] [-location DIR] [-desktopShortcut]
//             [-programMenu] PACKAGE
//
// The bundle goes into DIR when "-location" is given, else into
// ROOT/Applications (ROOT: NIMBRA_ROOT, or /). For tests:
//   NIMBRA_APP_INSTALLER_ARGS    file that receives the arguments (argv[1]
//                                onwards), each followed by a NUL byte
//   NIMBRA_APP_INSTALLER_STATUS  end with this status instead of installing
//   NIMBRA_APP_INSTALLER_WAIT    file to create, then wait for SIGINT, SIGTERM or
//                                SIGHUP, write its number into the file and end
//                                with 128 + that number
//   NIMBRA_RUNTIME_APP_STUB      the stub to copy (default: the build's)
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

bool recordArguments(const std::vector<std::string>& args) {
  const char* path = environment("NIMBRA_APP_INSTALLER_ARGS");
  if (!path) return true;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& arg : args) out << arg << '\0';
  return static_cast<bool>(out.flush());
}

std::string xmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      default: out += c;
    }
  }
  return out;
}

bool writeInfoPlist(const fs::path& path, const std::string& name) {
  std::ofstream out(path, std::ios::trunc);
  out << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
      << "\t<key>CFBundleExecutable</key>\n\t<string>" << xmlEscaped(name) << "</string>\n"
      << "\t<key>CFBundleName</key>\n\t<string>" << xmlEscaped(name) << "</string>\n"
      << "\t<key>CFBundlePackageType</key>\n\t<string>APPL</string>\n"
      << "</dict>\n</plist>\n";
  return static_cast<bool>(out.flush());
}

// Stands in for a long installation that the user interrupts.
int waitForSignal(const char* path) {
  sigset_t stops;
  sigemptyset(&stops);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, s);
  sigprocmask(SIG_BLOCK, &stops, nullptr);
  { std::ofstream ready(path, std::ios::trunc); }
  int received = 0;
  if (sigwait(&stops, &received) != 0) return 1;
  std::ofstream(path, std::ios::trunc) << received << '\n';
  return 128 + received;
}

int fail(const std::string& what, const std::error_code& error = {}) {
  std::fprintf(stderr, "Application Installer: %s%s%s\n", what.c_str(), error ? ": " : "",
               error ? error.message().c_str() : "");
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!recordArguments(args)) return fail("cannot record the arguments");

  if (const char* path = environment("NIMBRA_APP_INSTALLER_WAIT")) return waitForSignal(path);
  if (const char* status = environment("NIMBRA_APP_INSTALLER_STATUS")) {
    std::printf("Application Installer: ending with status %s as asked\n", status);
    return std::atoi(status);
  }

  if (args.empty()) {
    std::fprintf(stderr, "usage: %s [options] PACKAGE\n", argv[0]);
    return 2;
  }
  std::string location;
  for (std::size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "-location" && i + 2 < args.size()) location = args[++i];
  }
  const fs::path package = args.back();

  std::error_code error;
  if (!fs::is_directory(package, error)) return fail("no package folder at " + package.string());
  fs::path destination = location;
  if (location.empty()) {
    const char* root = environment("NIMBRA_ROOT");
    destination = fs::path(root ? root : "/") / "Applications";
  }

  const std::string name = package.filename().empty() ? package.parent_path().filename().string()
                                                      : package.filename().string();
  const fs::path bundle = destination / (name + ".app");
  const fs::path contents = bundle / "Contents";
  fs::remove_all(bundle, error);
  if (error) return fail("cannot replace " + bundle.string(), error);
  fs::create_directories(contents / "MacOS", error);
  if (error) return fail("cannot create " + contents.string(), error);
  fs::copy(package, contents / "Resources",
           fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (error) return fail("cannot copy the package", error);
  if (!writeInfoPlist(contents / "Info.plist", name)) return fail("cannot write Info.plist");

  const char* stub = environment("NIMBRA_RUNTIME_APP_STUB");
  const fs::path stubPath = stub ? stub : NIMBRA_RUNTIME_APP_STUB;
  const fs::path executable = contents / "MacOS" / name;
  if (fs::exists(stubPath, error)) {
    fs::copy_file(stubPath, executable, fs::copy_options::overwrite_existing, error);
    if (error) return fail("cannot copy the stub", error);
    fs::permissions(executable, fs::perms(0755), error);
  } else {
    std::fprintf(stderr, "Application Installer: note: no stub at %s, bundle left without executable\n",
                 stubPath.c_str());
  }

  std::printf("Application Installer: installed %s into %s\n", name.c_str(), bundle.c_str());
  return 0;
}
