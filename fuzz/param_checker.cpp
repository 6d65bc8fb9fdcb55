// The option checker over an argument list: the input's bytes, each argument
// ended by a NUL, behind a program path.
#include "check.h"
#include "launcher/ParamChecker.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The usage and version lines would flood the fuzzer's output.
  return std::freopen("/dev/null", "w", stdout) ? 0 : 1;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> args{"Install Fuzz"};
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  // Each argument ends with a NUL, the last one may go without.
  for (std::size_t start = 0; start < bytes.size();) {
    const std::size_t end = std::min(bytes.find('\0', start), bytes.size());
    args.emplace_back(bytes.substr(start, end - start));
    start = end + 1;
  }

  psl::ParamChecker checker(args);
  bool allowDownload = true, silentMode = true;
  psl::PSLErrorCode errorCode = psl::kErrDownloadFailed;
  const bool goOn = checker.CheckParams(allowDownload, silentMode, errorCode);

  if (goOn) {
    FUZZ_CHECK(errorCode == psl::kErrNone);
  } else {
    FUZZ_CHECK(errorCode == psl::kErrNone || errorCode == psl::kErrInvalidArgs);
  }
  // Only given options are recorded, never more items than there were
  // arguments, and silence always rests on a recorded "-silent".
  std::size_t given = 0;
  for (std::size_t i = 1; i < args.size(); ++i) given += !args[i].starts_with("-psn");
  FUZZ_CHECK(checker.GetOrigArgCount() == given);
  const std::vector<std::string>* validated = checker.ParamArray();
  if (validated) {
    FUZZ_CHECK(validated->size() <= given);
    FUZZ_CHECK(!validated->empty());
  }
  if (goOn && silentMode) FUZZ_CHECK(validated && validated->front() == "-silent");
  return 0;
}
