// The revocation list addresses read from the printed distribution points,
// in the form this OpenSSL prints them and in the older form with blank
// lines between the points.
#include "launcher/SignatureVerification.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

struct Case {
  const char* name;
  std::vector<std::string> printed;
  std::vector<std::string> addresses;  // in any order
};

const Case kCases[] = {
    {"one point as printed now",
     {"Full Name:\n  URI:http://crl.example/a.crl\n"},
     {"http://crl.example/a.crl"}},
    {"older form with blank lines",
     {"\nFull Name:\n  URI:http://crl.example/a.crl\n\nFull Name:\n  URI:http://crl.example/b.crl\n"},
     {"http://crl.example/a.crl", "http://crl.example/b.crl"}},
    {"several names in one point",
     {"Full Name:\n  URI:http://a/1.crl\n  URI:ldap://b/2\n  DirName:CN = Directory\n"},
     {"http://a/1.crl", "ldap://b/2"}},
    {"directory and relative names give none",
     {"Full Name:\n  DirName:CN = Directory\n", "Relative Name:\n  CN = Somewhere\n"},
     {}},
    {"an issuer's URI counts too",
     {"Full Name:\n  URI:http://a/1.crl\nCRL Issuer:\n  URI:http://issuer/2.crl\n"},
     {"http://a/1.crl", "http://issuer/2.crl"}},
    {"the same address in two certificates, once",
     {"Full Name:\n  URI:http://a/shared.crl\n", "Full Name:\n  URI:http://a/shared.crl\n"},
     {"http://a/shared.crl"}},
    {"other indentation and no final line end",
     {"Full Name:\n      URI:http://a/deep.crl\nURI:http://a/flush.crl"},
     {"http://a/deep.crl", "http://a/flush.crl"}},
    {"a tab is not a space, a lower-case prefix not the prefix",
     {"\tURI:http://a/tab.crl\n  uri:http://a/lower.crl\n  Reasons: Key Compromise\n"},
     {}},
    {"nothing printed", {}, {}},
};

TEST(CrlAddresses, FromPrintedDistributionPoints) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> got = SignatureVerification::collectCrlAddresses(c.printed);
    std::vector<std::string> want = c.addresses;
    std::sort(got.begin(), got.end());
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
  }
}

TEST(SignatureVerificationReason, TheFirstNonEmptyReasonIsKept) {
  SignatureVerification verifier;
  verifier.setErrorString("");
  EXPECT_EQ(verifier.errorString(), "");
  verifier.setErrorString("Error reading PKCS7 code signature");
  verifier.setErrorString("Failed to read pkcs7 signature");
  verifier.setErrorString("");
  EXPECT_EQ(verifier.errorString(), "Error reading PKCS7 code signature");
}

}  // namespace
