// Arbitrary bytes as a downloaded revocation list (first byte even), or as a
// certificate whose distribution points are collected (first byte odd).
#include "check.h"
#include "launcher/SignatureVerification.h"

#include <openssl/x509v3.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool asList = (data[0] & 1) == 0;
  ++data;
  --size;

  if (asList) {
    const char* folder = std::getenv("TMPDIR");
    static const std::string path =
        std::string(folder && *folder ? folder : "/tmp") + "/fuzz-list.crl";
    FILE* file = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(file);
    FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, file) == size);
    FUZZ_CHECK(std::fclose(file) == 0);
    SignatureVerification verifier;
    // DER, else PEM; anything else is no list.
    verifier.readCrlFromPath(path);
    std::remove(path.c_str());
    return 0;
  }

  const unsigned char* cursor = data;
  const ossl::X509Cert certificate(d2i_X509(nullptr, &cursor, static_cast<long>(size)));
  if (!certificate) return 0;
  std::vector<std::string> printed;
  if (auto text =
          SignatureVerification::extractX509v3Data(certificate.get(), NID_crl_distribution_points))
    printed.push_back(*text);
  for (const std::string& address : SignatureVerification::collectCrlAddresses(printed)) {
    // An address is the rest of one printed line.
    FUZZ_CHECK(address.find('\n') == std::string::npos);
  }
  return 0;
}
