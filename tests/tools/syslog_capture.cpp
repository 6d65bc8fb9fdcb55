// syslog_capture OUTFILE PROGRAM [ARGS...]
//
// Runs PROGRAM in a private mount namespace whose /dev/log is a datagram
// socket of ours, and writes every datagram that reaches it to OUTFILE, one
// per line (line feeds inside a datagram written as "\n", backslashes as
// "\\"). Exits with the program's status, or 128 + the signal that ended it.
// Needs root.
#include "platform/fd.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

using platform::UniqueFd;

namespace {

[[noreturn]] void fail(const char* what) {
  std::fprintf(stderr, "syslog_capture: %s: %s\n", what, std::strerror(errno));
  std::exit(125);
}

struct DirClose {
  void operator()(DIR* dir) const { closedir(dir); }
};
struct FileClose {
  void operator()(FILE* file) const { std::fclose(file); }
};

// /dev becomes a tmpfs of this namespace holding the same entries as before
// (bound from the original), so /dev/log can be made without touching the
// machine's /dev.
void privateDev() {
  if (unshare(CLONE_NEWNS) != 0) fail("unshare");
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) fail("mount private");

  char keep[] = "/tmp/syslog-capture.XXXXXX";
  if (!mkdtemp(keep)) fail("mkdtemp");
  if (mount("/dev", keep, nullptr, MS_BIND | MS_REC, nullptr) != 0) fail("bind /dev");
  if (mount("tmpfs", "/dev", "tmpfs", MS_NOSUID, "mode=0755") != 0) fail("tmpfs /dev");

  std::unique_ptr<DIR, DirClose> dir(opendir(keep));
  if (!dir) fail("opendir");
  while (dirent* entry = readdir(dir.get())) {
    std::string name = entry->d_name;
    if (name == "." || name == ".." || name == "log") continue;
    std::string from = std::string(keep) + "/" + name, to = "/dev/" + name;
    struct stat info {};
    if (lstat(from.c_str(), &info) != 0) continue;
    if (S_ISLNK(info.st_mode)) {
      char target[4096];
      ssize_t n = readlink(from.c_str(), target, sizeof target - 1);
      if (n < 0) continue;
      target[n] = '\0';
      if (symlink(target, to.c_str()) != 0) fail("symlink");
      continue;
    }
    if (S_ISDIR(info.st_mode)) {
      if (mkdir(to.c_str(), 0755) != 0) fail("mkdir");
    } else {
      UniqueFd placeholder(open(to.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
      if (!placeholder) fail("placeholder");
    }
    if (mount(from.c_str(), to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
      fail("bind entry");
  }
  dir.reset();
  if (umount2(keep, MNT_DETACH) != 0) fail("umount");
  rmdir(keep);
}

UniqueFd listenOnDevLog() {
  UniqueFd sock(socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!sock) fail("socket");
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  std::strcpy(addr.sun_path, "/dev/log");
  if (bind(sock.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
    fail("bind /dev/log");
  int size = 1 << 20;
  setsockopt(sock.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  return sock;
}

void record(FILE* out, int sock) {
  char buffer[65536];
  for (;;) {
    ssize_t n = recv(sock, buffer, sizeof buffer, MSG_DONTWAIT);
    if (n < 0) return;
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n')
        std::fputs("\\n", out);
      else if (buffer[i] == '\\')
        std::fputs("\\\\", out);
      else
        std::fputc(buffer[i], out);
    }
    std::fputc('\n', out);
    std::fflush(out);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: syslog_capture OUTFILE PROGRAM [ARGS...]\n");
    return 125;
  }
  std::unique_ptr<FILE, FileClose> out(std::fopen(argv[1], "we"));
  if (!out) fail("open output");

  privateDev();
  UniqueFd sock = listenOnDevLog();

  // Stop signals go on to the program; it never outlives us.
  sigset_t stops;
  sigemptyset(&stops);
  for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&stops, s);
  sigprocmask(SIG_BLOCK, &stops, nullptr);

  pid_t child = fork();
  if (child < 0) fail("fork");
  if (child == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    sigprocmask(SIG_UNBLOCK, &stops, nullptr);
    execvp(argv[2], argv + 2);
    std::fprintf(stderr, "syslog_capture: exec %s: %s\n", argv[2], std::strerror(errno));
    _exit(127);
  }

  int status = 0;
  for (;;) {
    pollfd watch{sock.get(), POLLIN, 0};
    poll(&watch, 1, 20);
    record(out.get(), sock.get());
    timespec now{0, 0};
    int taken = sigtimedwait(&stops, nullptr, &now);
    if (taken > 0) kill(child, taken);
    pid_t done = waitpid(child, &status, WNOHANG);
    if (done == child) break;
    if (done < 0 && errno != EINTR) fail("waitpid");
  }
  record(out.get(), sock.get());
  out.reset();
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
