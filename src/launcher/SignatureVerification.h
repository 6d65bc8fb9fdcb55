// Judges the downloaded runtime installer against its detached PKCS#7
// signature: the expected signer, a chain to the one compiled-in trust anchor,
// and the revocation lists the chain names. The verdict arrives as
// SignatureVerifyDone (SignatureKeyIsValid, the verifier as the object),
// always from a later run-loop turn, exactly once per started verification.
#pragma once

#include "launcher/openssl_handles.h"
#include "platform/notification.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

class Downloader;

// Reports every certificate a verification accepts into the chain record and
// keeps the last error; OpenSSL's verdict is returned unchanged.
int verifyCallback(int ok, X509_STORE_CTX* ctx);

class SignatureVerification {
 public:
  SignatureVerification();  // init: trusts the compiled-in anchor
  // Trusts the one DER certificate given instead (kept by reference).
  explicit SignatureVerification(std::span<const unsigned char> trustAnchor);
  ~SignatureVerification();  // dealloc
  SignatureVerification(const SignatureVerification&) = delete;
  SignatureVerification& operator=(const SignatureVerification&) = delete;

  // One pass: the first checks the signer and the signature and records the
  // chain; the second (after the revocation lists) checks the chain against
  // them and posts the verdict.
  void verifyDataAtPath(const std::string& dataPath, const std::string& detachedSignatureAtPath);
  // True when no certificate of the recorded chain is revoked.
  bool checkCertsAgainstCrls();
  ossl::X509Cert readCertificateFromPath(const std::string& path);
  ossl::X509Crl readCrlFromPath(const std::string& path);
  bool hasCertificateBeenRevoked(X509* certificate, X509_STORE* store, STACK_OF(X509) * chain);
  bool verifyDetachedSignature(PKCS7* pkcs7);
  ossl::X509Store makeStoreForPkcs7();
  ossl::X509Stack getTrustedCerts();
  ossl::X509Cert getZandrelRoot();
  ossl::Pkcs7 readPkcs7();
  bool startFetchingCrlsOnSignature();
  void notifyDownloaderDone(const platform::Notification& notification);
  void handleDownloaderDone(bool success, const std::vector<std::string>* files);
  void sendNotificationOfResult(bool valid);
  ossl::X509Cert getSignerCertificate(PKCS7* pkcs7);
  bool verifySignerNames(X509* certificate);
  bool verifySignerName(X509_NAME* name, const std::string& expectedString, int32_t opensslNid);
  bool containsX509v3Data(X509* certificate, const std::string& expectedString,
                          int32_t opensslNid);

  const std::string& errorString() const { return errorString_; }
  // Keeps the first non-empty reason of the verifier's life.
  void setErrorString(const std::string& reason);
  void setDownloader(Downloader* downloader) { downloader_ = downloader; }
  void setDataPath(std::string path) { dataPath_ = std::move(path); }
  void setSignaturePath(std::string path) { signaturePath_ = std::move(path); }
  void setCrlPaths(std::vector<std::string> paths) { crlPaths_ = std::move(paths); }

  // The extension's text as OpenSSL prints it, or nothing when the
  // certificate has no such extension or it does not print as UTF-8.
  static std::optional<std::string> extractX509v3Data(X509* certificate, int32_t opensslNid);
  // The revocation list addresses in the printed distribution points of a
  // chain's certificates: every "URI:" line, leading spaces removed, each
  // address once.
  static std::vector<std::string> collectCrlAddresses(
      const std::vector<std::string>& printedExtensions);

 private:
  std::string errorString_;
  bool startedFetchingCrls = false;
  std::string dataPath_;
  std::string signaturePath_;
  std::optional<std::vector<std::string>> crlPaths_;
  Downloader* downloader_ = nullptr;  // the bootstrapper's; not owned
  std::span<const unsigned char> trustAnchor_;
};
