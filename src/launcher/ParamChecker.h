// The option checker over the process's argument list.
#pragma once

#include "launcher/PSL.h"

#include <optional>
#include <string>
#include <vector>

namespace psl {

class ParamChecker : public ParamCheckerCore {
 public:
  // The whole argument list, program path first; arguments that begin with
  // "-psn" (added when the application is opened from the file manager) are
  // dropped wherever they stand.
  explicit ParamChecker(std::vector<std::string> args);

  uint32_t GetOrigArgCount() const override;
  const char* GetOrigUtf8Arg(uint32_t index) const override;
  void PutValidatedUtf8Arg(const char* arg, bool isValue) override;
  void PutRuntimeInstallerUtf8Path(const char* path) override;

  // The accepted options and values in order; nullptr when none was recorded.
  // Borrowed from the checker.
  const std::vector<std::string>* ParamArray() const;

 private:
  std::vector<std::string> origArgs;
  std::optional<std::vector<std::string>> validatedArgs;
  std::optional<std::string> runtimeInstallerPath;
};

}  // namespace psl
