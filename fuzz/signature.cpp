// Arbitrary bytes as a runtime installer's detached signature: read with the
// signer checks, then verified over a small installer, as the bootstrapper
// does with a downloaded installer.p7.
#include "check.h"
#include "launcher/SignatureVerification.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// Files the verifier reads, made once in the fuzzer's temporary folder.
std::string makeFile(const char* name, const uint8_t* data, size_t size) {
  const char* folder = std::getenv("TMPDIR");
  std::string path = std::string(folder && *folder ? folder : "/tmp") + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file);
  FUZZ_CHECK(std::fwrite(data, 1, size, file) == size || size == 0);
  FUZZ_CHECK(std::fclose(file) == 0);
  return path;
}

// The installer stays for the whole run and goes with the process.
char installerFile[4096];

void removeInstaller() { std::remove(installerFile); }

const char* installerPath() {
  if (!*installerFile) {
    const std::string made =
        makeFile("fuzz-installer", reinterpret_cast<const uint8_t*>("#!/bin/sh\nexit 0\n"), 18);
    FUZZ_CHECK(made.size() < sizeof installerFile);
    std::memcpy(installerFile, made.c_str(), made.size() + 1);
    std::atexit(removeInstaller);
  }
  return installerFile;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string installer = installerPath();
  const std::string signature = makeFile("fuzz-installer.p7", data, size);

  SignatureVerification verifier;
  verifier.setDataPath(installer);
  verifier.setSignaturePath(signature);
  const ossl::Pkcs7 pkcs7 = verifier.readPkcs7();
  // Nothing the fuzzer makes is signed by the anchor's keys.
  if (pkcs7) FUZZ_CHECK(!verifier.verifyDetachedSignature(pkcs7.get()));
  // Every refusal keeps a reason.
  FUZZ_CHECK(!verifier.errorString().empty());
  std::remove(signature.c_str());
  return 0;
}
