// The one certificate a runtime installer's signature must chain to: a DER
// X.509 certificate compiled in at build time (NIMBRA_TRUST_ANCHOR, or the
// build's own demonstration authority).
#pragma once

#include <cstddef>

extern const unsigned char NimbraRootCert[];
extern const std::size_t NimbraRootCertLength;
