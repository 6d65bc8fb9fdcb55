// Runs one SignatureVerification to its verdict and prints what its owner
// sees: whether the verdict came after the start call had returned, the
// verdict, the kept reason and how many verdicts arrived.
//
//   verify_probe [--anchor DER] [--cancel] [--no-watch] DATA SIGNATURE
//
// --anchor trusts that DER certificate instead of the compiled-in one;
// --cancel presses the progress window's Cancel once the revocation lists
// are being fetched; --no-watch ends at the verdict instead of watching a
// while longer for a second one (for timing).
// Revocation lists go through a silent Downloader into TMPDIR, and are
// deleted before the probe ends. Exit status 0 when a verdict arrived, 3 when
// none did in time, 2 for a bad command line.
#include "launcher/Downloader.h"
#include "launcher/SignatureVerification.h"
#include "launcher/notifications.h"
#include "platform/notification.h"
#include "platform/run_loop.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::vector<unsigned char> anchor;
  std::vector<std::string> paths;
  bool cancel = false;
  bool watch = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--anchor" && i + 1 < argc) {
      std::ifstream in(argv[++i], std::ios::binary);
      anchor.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      if (anchor.empty()) return 2;
    } else if (arg == "--cancel") {
      cancel = true;
    } else if (arg == "--no-watch") {
      watch = false;
    } else {
      paths.push_back(arg);
    }
  }
  if (paths.size() != 2) {
    std::fprintf(stderr,
                 "usage: verify_probe [--anchor DER] [--cancel] [--no-watch] DATA SIGNATURE\n");
    return 2;
  }

  Downloader downloader;
  downloader.setSilent(true);
  auto verifier = anchor.empty() ? std::make_unique<SignatureVerification>()
                                 : std::make_unique<SignatureVerification>(anchor);
  verifier->setDownloader(&downloader);

  int verdicts = 0;
  bool returned = false;
  platform::NotificationCenter::defaultCenter().addObserver(
      &verdicts, SignatureVerifyDone, [&](const platform::Notification& n) {
        ++verdicts;
        const bool* valid = platform::userInfoValue<bool>(n, SignatureKeyIsValid);
        std::printf("verdict valid %d after-return %d sender-ok %d\n", valid ? *valid : -1,
                    returned ? 1 : 0, n.object == verifier.get() ? 1 : 0);
      });

  verifier->verifyDataAtPath(paths[0], paths[1]);
  returned = true;
  auto& loop = platform::RunLoop::main();
  if (cancel && verdicts == 0) loop.addIdle([&] { downloader.stopDownLoad(nullptr); });
  const bool arrived =
      loop.runUntil([&] { return verdicts > 0; }, std::chrono::milliseconds(60000));
  // A second verdict would arrive now.
  if (watch) loop.runUntil([] { return false; }, std::chrono::milliseconds(100));
  std::printf("reason %s\nverdicts %d\n", verifier->errorString().c_str(), verdicts);
  platform::NotificationCenter::defaultCenter().removeObserver(&verdicts);
  verifier.reset();
  downloader.cleanupTempFiles();
  return arrived ? 0 : 3;
}
