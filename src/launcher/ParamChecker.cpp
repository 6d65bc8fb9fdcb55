#include "launcher/ParamChecker.h"

#include <utility>

namespace psl {

ParamChecker::ParamChecker(std::vector<std::string> args) {
  for (size_t i = 1; i < args.size(); ++i) {
    if (!args[i].starts_with("-psn")) origArgs.push_back(std::move(args[i]));
  }
}

uint32_t ParamChecker::GetOrigArgCount() const { return static_cast<uint32_t>(origArgs.size()); }

const char* ParamChecker::GetOrigUtf8Arg(uint32_t index) const {
  return index < origArgs.size() ? origArgs[index].c_str() : nullptr;
}

void ParamChecker::PutValidatedUtf8Arg(const char* arg, bool /*isValue*/) {
  if (!validatedArgs) validatedArgs.emplace();
  validatedArgs->emplace_back(arg);
}

void ParamChecker::PutRuntimeInstallerUtf8Path(const char* path) { runtimeInstallerPath = path; }

const std::vector<std::string>* ParamChecker::ParamArray() const {
  return validatedArgs ? &*validatedArgs : nullptr;
}

}  // namespace psl
