// Owners for the OpenSSL structures the verifier obtains, each freed with its
// own free function. A certificate stack either owns its certificates
// (X509Stack: they go with it) or only borrows them (X509StackView: the
// certificates belong to someone else, only the stack is freed).
#pragma once

#include <openssl/bio.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <memory>

namespace ossl {

template <typename T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};

// The C library's free takes its file and line; this one is for the
// one-argument deleter.
inline void freeBuffer(unsigned char* p) { OPENSSL_free(p); }
inline void freeX509Stack(STACK_OF(X509) * s) { sk_X509_pop_free(s, X509_free); }
inline void freeX509StackView(STACK_OF(X509) * s) { sk_X509_free(s); }

using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Pkcs7 = std::unique_ptr<PKCS7, Deleter<PKCS7, PKCS7_free>>;
using X509Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using X509Crl = std::unique_ptr<X509_CRL, Deleter<X509_CRL, X509_CRL_free>>;
using X509Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using X509StoreCtx = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
using Asn1Object = std::unique_ptr<ASN1_OBJECT, Deleter<ASN1_OBJECT, ASN1_OBJECT_free>>;
using ExtendedKeyUsage =
    std::unique_ptr<EXTENDED_KEY_USAGE, Deleter<EXTENDED_KEY_USAGE, EXTENDED_KEY_USAGE_free>>;
using Buffer = std::unique_ptr<unsigned char, Deleter<unsigned char, freeBuffer>>;
using X509Stack = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeX509Stack>>;
using X509StackView = std::unique_ptr<STACK_OF(X509), Deleter<STACK_OF(X509), freeX509StackView>>;

}  // namespace ossl
