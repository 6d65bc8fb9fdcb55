#include "launcher/SignatureVerification.h"

#include "install/install.h"
#include "launcher/DebugTrace.h"
#include "launcher/Downloader.h"
#include "launcher/notifications.h"
#include "launcher/trust_anchor.h"
#include "platform/text.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <climits>
#include <cstdio>
#include <memory>
#include <set>
#include <string_view>
#include <utility>

namespace {

constexpr const char* kDetached = "Detached";
constexpr const char* kExpectedObjectId = "1.2.840.264907.1.1.12";

struct ExpectedAttribute {
  int32_t nid;
  const char* value;
};
// Compared in this order; the first entry of each type is the one that counts.
constexpr ExpectedAttribute kExpectedSubject[] = {
    {NID_commonName, "Zandrel Nimbra"},
    {NID_countryName, "US"},
    {NID_organizationName, "Zandrel Systems Incorporated"},
    {NID_organizationalUnitName, "Zandrel Trust Services"},
};

// OpenSSL's default handling of extensions it cannot print: printing fails.
constexpr unsigned long kExtensionPrintFlags = 4;

// A detached signature is a few kilobytes and a revocation list of this
// signer's authorities far less than this; larger files are not decoded, so a
// hostile server cannot make the verifier hold them in memory.
constexpr off_t kMaxSignatureSize = off_t{1} << 20;
constexpr off_t kMaxCrlSize = off_t{32} << 20;

// The chain that verifications accepted, anchor first; the last
// verification error and its text. Shared by every verifier of the process.
ossl::X509Stack certChain{sk_X509_new_null()};
int32_t callbackErrorNumber = 0;
std::optional<std::string> callbackError;

ossl::Bio openFile(const std::string& path) { return ossl::Bio(BIO_new_file(path.c_str(), "rb")); }

std::optional<off_t> fileSize(BIO* bio) {
  FILE* file = nullptr;
  struct stat status {};
  if (BIO_get_fp(bio, &file) != 1 || !file || fstat(fileno(file), &status) != 0) return std::nullopt;
  return status.st_size;
}

// Opens the signed data for one pass from start to end.
ossl::Bio openData(const std::string& path) {
  ossl::Bio bio = openFile(path);
  FILE* file = nullptr;
  if (bio && BIO_get_fp(bio.get(), &file) == 1 && file)
    posix_fadvise(fileno(file), 0, 0, POSIX_FADV_SEQUENTIAL);
  return bio;
}

// What follows "Error verifying code signature. ": the certificate error
// when the chain failed, else OpenSSL's own reason (a digest or signature
// mismatch reaches no callback).
std::string verifyFailureText() {
  const unsigned long error = ERR_peek_last_error();
  if (ERR_GET_LIB(error) == ERR_LIB_PKCS7 &&
      ERR_GET_REASON(error) == PKCS7_R_CERTIFICATE_VERIFY_ERROR && callbackError)
    return *callbackError;
  const char* reason = error ? ERR_reason_error_string(error) : nullptr;
  return reason ? reason : "unknown error";
}

// The first extension of that type, decoded; nothing when it is absent or
// does not decode.
X509_EXTENSION* firstExtension(X509* certificate, int32_t nid) {
  const int index = X509_get_ext_by_NID(certificate, nid, -1);
  return index < 0 ? nullptr : X509_get_ext(certificate, index);
}

// The signer must list the identifier itself: object identifiers compared
// whole, so one that merely begins with the same digits does not count.
bool extendedKeyUsageLists(X509* certificate, const std::string& dottedIdentifier) {
  const ossl::Asn1Object wanted(OBJ_txt2obj(dottedIdentifier.c_str(), 1));
  X509_EXTENSION* extension = firstExtension(certificate, NID_ext_key_usage);
  if (!wanted || !extension) return false;
  const ossl::ExtendedKeyUsage usages(
      static_cast<EXTENDED_KEY_USAGE*>(X509V3_EXT_d2i(extension)));
  if (!usages) return false;
  for (int i = 0; i < sk_ASN1_OBJECT_num(usages.get()); ++i)
    if (OBJ_cmp(sk_ASN1_OBJECT_value(usages.get(), i), wanted.get()) == 0) return true;
  return false;
}

// A certificate's subject on one line, for traces.
std::string subjectText(X509* certificate) {
  X509_NAME* subject = X509_get_subject_name(certificate);
  const ossl::Bio bio(BIO_new(BIO_s_mem()));
  if (!subject || !bio || X509_NAME_print_ex(bio.get(), subject, 0, XN_FLAG_RFC2253) < 0)
    return "(unknown subject)";
  BUF_MEM* buffer = nullptr;
  if (BIO_get_mem_ptr(bio.get(), &buffer) != 1 || !buffer) return "(unknown subject)";
  return std::string(buffer->data, buffer->length);
}

std::string_view trimLeadingSpaces(std::string_view line) {
  const std::size_t first = line.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

}  // namespace

int verifyCallback(int ok, X509_STORE_CTX* ctx) {
  if (ok) {
    if (X509* current = X509_STORE_CTX_get_current_cert(ctx)) {
      ossl::X509Cert copy(X509_dup(current));
      if (copy && certChain && sk_X509_push(certChain.get(), copy.get()) > 0) copy.release();
    }
  } else {
    callbackErrorNumber = X509_STORE_CTX_get_error(ctx);
    callbackError = X509_verify_cert_error_string(callbackErrorNumber);
  }
  return ok;
}

SignatureVerification::SignatureVerification()
    : SignatureVerification(std::span<const unsigned char>(NimbraRootCert, NimbraRootCertLength)) {}

SignatureVerification::SignatureVerification(std::span<const unsigned char> trustAnchor)
    : trustAnchor_(trustAnchor) {
  OPENSSL_add_all_algorithms_noconf();
  ERR_load_crypto_strings();
  platform::NotificationCenter::defaultCenter().addObserver(
      this, CrlDownloadDone, [this](const platform::Notification& n) { notifyDownloaderDone(n); });
}

// The observation goes with the verifier: a later list download must not
// reach a verifier that no longer exists.
SignatureVerification::~SignatureVerification() {
  platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void SignatureVerification::verifyDataAtPath(const std::string& dataPath,
                                             const std::string& detachedSignatureAtPath) {
  setDataPath(dataPath);
  setSignaturePath(detachedSignatureAtPath);

  const ossl::Pkcs7 pkcs7 = readPkcs7();
  if (!pkcs7) {
    install::logSigInvalid(kDetached);
    setErrorString("Failed to read pkcs7 signature");
    sendNotificationOfResult(false);
    return;
  }

  if (startedFetchingCrls) {
    if (checkCertsAgainstCrls()) {
      install::logSigValid(kDetached);
      sendNotificationOfResult(true);
    } else {
      install::logCertRevocationFound();
      setErrorString("At least one of the certificates in the signature has been revoked");
      sendNotificationOfResult(false);
    }
  } else if (verifyDetachedSignature(pkcs7.get())) {
    startedFetchingCrls = true;
    // The second pass posts the verdict.
    if (!startFetchingCrlsOnSignature()) {
      setErrorString("Failed due to CRL checks");
      sendNotificationOfResult(false);
    }
  } else {
    install::logSigInvalid(kDetached);
    setErrorString("The signature was rejected");
    sendNotificationOfResult(false);
  }
}

bool SignatureVerification::checkCertsAgainstCrls() {
  if (!crlPaths_ || crlPaths_->empty()) return true;

  ossl::X509Store store = makeStoreForPkcs7();
  bool usable = static_cast<bool>(store);
  if (!store) {
    DebugTrace("Warning: Unable to get store for CRL");
  } else {
    // Each verification checks its target against its issuer's list; every
    // certificate of the chain gets a verification of its own below.
    X509_STORE_set_flags(store.get(), X509_V_FLAG_CRL_CHECK | X509_V_FLAG_IGNORE_CRITICAL);
    for (const std::string& path : *crlPaths_) {
      const ossl::X509Crl crl = readCrlFromPath(path);
      if (!crl) continue;
      if (X509_STORE_add_crl(store.get(), crl.get()) != 1) {
        DebugTrace("Warning: Error adding CRL to store");
        usable = false;
        break;
      }
    }
  }

  // The walk's own verifications refill certChain; what they put there is
  // discarded afterwards.
  ossl::X509Stack chain = std::exchange(certChain, ossl::X509Stack(sk_X509_new_null()));
  bool revoked = false;
  install::logCertChainBegin();
  if (!certChain) {
    DebugTrace("Warning: Unable to recreate certChain");
  } else if (usable) {
    while (sk_X509_num(chain.get()) > 0) {
      const ossl::X509Cert certificate(sk_X509_pop(chain.get()));
      const bool certificateRevoked =
          hasCertificateBeenRevoked(certificate.get(), store.get(), chain.get());
      // The subject is printed only for a trace that is written.
      if (platform::traceEnabled())
        DebugTrace("Info: Certificate %@ %@", subjectText(certificate.get()),
                   certificateRevoked ? "is revoked" : "is not revoked");
      if (certificateRevoked) {
        install::logCertRevocationFound();
        setErrorString(callbackError.value_or(std::string()));
        install::logCertChainFailure();
        revoked = true;
        break;
      }
    }
  }
  if (!revoked) install::logCertChainSuccess();

  certChain.reset(sk_X509_new_null());
  if (!certChain) DebugTrace("Warning: Unable to recreate certChain");
  return !revoked;
}

ossl::X509Cert SignatureVerification::readCertificateFromPath(const std::string& path) {
  const ossl::Bio bio = openFile(path);
  if (!bio) {
    setErrorString("Unable to create BIO for " + path);
    return nullptr;
  }
  ossl::X509Cert certificate(d2i_X509_bio(bio.get(), nullptr));
  if (!certificate && BIO_reset(bio.get()) == 0)
    certificate.reset(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
  if (!certificate) setErrorString("Unable to parse certificate from " + path);
  return certificate;
}

ossl::X509Crl SignatureVerification::readCrlFromPath(const std::string& path) {
  const ossl::Bio bio = openFile(path);
  if (!bio) {
    DebugTrace("Warning: Unable to create BIO for CRL at %@", path);
    return nullptr;
  }
  ossl::X509Crl crl;
  const std::optional<off_t> size = fileSize(bio.get());
  if (size && *size <= kMaxCrlSize) {
    crl.reset(d2i_X509_CRL_bio(bio.get(), nullptr));
    if (!crl && BIO_reset(bio.get()) == 0)
      crl.reset(PEM_read_bio_X509_CRL(bio.get(), nullptr, nullptr, nullptr));
  }
  if (!crl)
    DebugTrace("Warning: Unable to parse CRL at %@", path);
  else
    DebugTrace("Info: Read CRL at %@", path);
  return crl;
}

bool SignatureVerification::hasCertificateBeenRevoked(X509* certificate, X509_STORE* store,
                                                      STACK_OF(X509) * chain) {
  const ossl::X509StoreCtx context(X509_STORE_CTX_new());
  if (!context) {
    DebugTrace("Warning: Unable to create X509_STORE_CTX object for CRL checks");
    return false;
  }
  if (X509_STORE_CTX_init(context.get(), store, certificate, chain) != 1) {
    DebugTrace("Warning: Unable to initialize CRL verification context");
    return false;
  }
  if (X509_verify_cert(context.get()) == 1) return false;
  if (callbackErrorNumber == X509_V_ERR_CERT_REVOKED) return true;
  // No list, an expired list, any other failure: not a revocation.
  DebugTrace("Warning: Ignoring failed CRL check: %@", callbackError);
  return false;
}

bool SignatureVerification::verifyDetachedSignature(PKCS7* pkcs7) {
  const ossl::X509Store store = makeStoreForPkcs7();
  if (!store) {
    setErrorString("Failed to create store pkcs7 signature");
    return false;
  }
  const ossl::Bio data = openData(dataPath_);
  if (!data) {
    setErrorString("Unable to read data " + dataPath_);
    return false;
  }
  ERR_clear_error();
  // Flags 0: the signers come from the certificates the signature carries,
  // each is verified as a chain to the store, and the digest covers the data
  // byte for byte.
  const bool verified = PKCS7_verify(pkcs7, nullptr, store.get(), data.get(), nullptr, 0) == 1;
  setErrorString(verified ? std::string()
                          : "Error verifying code signature. " + verifyFailureText());
  ERR_clear_error();
  return verified;
}

ossl::X509Store SignatureVerification::makeStoreForPkcs7() {
  ossl::X509Store store(X509_STORE_new());
  if (!store) {
    setErrorString("Error creating X509_STORE object");
    return nullptr;
  }
  X509_STORE_set_verify_cb(store.get(), verifyCallback);

  std::string error;
  if (const ossl::X509Stack trusted = getTrustedCerts(); !trusted) {
    error = "Unable to find any trused certificates";
  } else {
    bool added = true;
    while (sk_X509_num(trusted.get()) > 0) {
      const ossl::X509Cert certificate(sk_X509_pop(trusted.get()));
      if (X509_STORE_add_cert(store.get(), certificate.get()) != 1) {
        error = "Unable to add trused certificate to store";
        added = false;
      }
    }
    if (added) {
      // Unknown critical extensions do not fail a certificate, and no purpose
      // is demanded of the signer: its identity is checked on its own.
      X509_STORE_set_flags(store.get(), X509_V_FLAG_IGNORE_CRITICAL);
      X509_STORE_set_purpose(store.get(), X509_PURPOSE_ANY);
    }
  }
  setErrorString(error);
  return store;
}

ossl::X509Stack SignatureVerification::getTrustedCerts() {
  ossl::X509Stack certificates(sk_X509_new_null());
  if (!certificates) return nullptr;
  if (ossl::X509Cert root = getZandrelRoot();
      root && sk_X509_push(certificates.get(), root.get()) > 0)
    root.release();
  return certificates;
}

ossl::X509Cert SignatureVerification::getZandrelRoot() {
  if (trustAnchor_.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
  const ossl::Bio bio(BIO_new_mem_buf(trustAnchor_.data(), static_cast<int>(trustAnchor_.size())));
  if (!bio) return nullptr;
  return ossl::X509Cert(d2i_X509_bio(bio.get(), nullptr));
}

ossl::Pkcs7 SignatureVerification::readPkcs7() {
  std::string error;
  ossl::Pkcs7 pkcs7;
  if (const ossl::Bio bio = openFile(signaturePath_); !bio) {
    error = "Unable to read signature " + signaturePath_;
  } else {
    const std::optional<off_t> size = fileSize(bio.get());
    if (size && *size <= kMaxSignatureSize) pkcs7.reset(d2i_PKCS7_bio(bio.get(), nullptr));
    if (!pkcs7) {
      error = "Error reading PKCS7 code signature";
    } else if (const ossl::X509Cert signer = getSignerCertificate(pkcs7.get()); !signer) {
      error = "Unable to get signing certificate from PKCS7 signature";
    } else if (!verifySignerNames(signer.get())) {
      error = "The signing certificate subject name did not match";
    } else if (!containsX509v3Data(signer.get(), kExpectedObjectId, NID_ext_key_usage)) {
      error = "The signing certificate did not contain the expected object ID";
    }
    if (!error.empty()) pkcs7.reset();
  }
  ERR_clear_error();
  setErrorString(error);
  return pkcs7;
}

std::vector<std::string> SignatureVerification::collectCrlAddresses(
    const std::vector<std::string>& printedExtensions) {
  // Identical lines collapse: an address several certificates name is
  // fetched once.
  std::set<std::string, std::less<>> lines;
  for (std::string_view rest : printedExtensions) {
    for (std::size_t end; (end = rest.find('\n')) != std::string_view::npos;
         rest.remove_prefix(end + 1))
      lines.emplace(rest.substr(0, end));
    lines.emplace(rest);
  }
  constexpr std::string_view kUriPrefix = "URI:";
  std::vector<std::string> addresses;
  for (const std::string& line : lines) {
    const std::string_view trimmed = trimLeadingSpaces(line);
    if (trimmed.starts_with(kUriPrefix)) addresses.emplace_back(trimmed.substr(kUriPrefix.size()));
  }
  return addresses;
}

bool SignatureVerification::startFetchingCrlsOnSignature() {
  std::vector<std::string> printed;
  for (int i = 0; i < sk_X509_num(certChain.get()); ++i) {
    std::optional<std::string> text =
        extractX509v3Data(sk_X509_value(certChain.get(), i), NID_crl_distribution_points);
    if (text && !text->empty()) printed.push_back(std::move(*text));
  }
  auto urls = std::make_shared<std::vector<std::string>>(collectCrlAddresses(printed));
  setErrorString(std::string());
  if (urls->empty()) DebugTrace("Info: No CRL address in the signing chain");
  for (const std::string& url : *urls) DebugTrace("Info: CRL address %@", url);

  if (!urls->empty() && downloader_) {
    downloader_->setUrlStrings(std::move(urls));
    downloader_->setIgnoreFailures(true);
    // The Downloader always reports back, even when a transfer cannot start.
    downloader_->startDownload(CrlDownloadDone);
  } else {
    verifyDataAtPath(std::string(dataPath_), std::string(signaturePath_));
  }
  return true;
}

void SignatureVerification::notifyDownloaderDone(const platform::Notification& notification) {
  const bool* success = platform::userInfoValue<bool>(notification, DownloaderKeySuccess);
  const PathList* files = platform::userInfoValue<PathList>(notification, DownloaderKeyFiles);
  handleDownloaderDone(success && *success, files && *files ? files->get() : nullptr);
}

void SignatureVerification::handleDownloaderDone(bool success,
                                                 const std::vector<std::string>* files) {
  if (success && files && !files->empty())
    setCrlPaths(*files);
  else
    DebugTrace("Warning: Unable to fetch certificate revocation files");
  verifyDataAtPath(std::string(dataPath_), std::string(signaturePath_));
}

void SignatureVerification::sendNotificationOfResult(bool valid) {
  if (!valid) DebugTrace("Error: Signature rejected: %@", errorString_);
  platform::NotificationQueue::defaultQueue().enqueuePostWhenIdle(
      {SignatureVerifyDone, this, {{SignatureKeyIsValid, valid}}});
}

ossl::X509Cert SignatureVerification::getSignerCertificate(PKCS7* pkcs7) {
  // The signers are the signature's own certificates, borrowed.
  const ossl::X509StackView signers(PKCS7_get0_signers(pkcs7, nullptr, 0));
  if (!signers || sk_X509_num(signers.get()) < 1) return nullptr;
  X509* first = sk_X509_value(signers.get(), 0);
  return ossl::X509Cert(first ? X509_dup(first) : nullptr);
}

bool SignatureVerification::verifySignerNames(X509* certificate) {
  X509_NAME* subject = X509_get_subject_name(certificate);
  if (!subject) return false;
  for (const ExpectedAttribute& attribute : kExpectedSubject)
    if (!verifySignerName(subject, attribute.value, attribute.nid)) return false;
  return true;
}

bool SignatureVerification::verifySignerName(X509_NAME* name, const std::string& expectedString,
                                             int32_t opensslNid) {
  const int index = X509_NAME_get_index_by_NID(name, opensslNid, -1);
  if (index < 0) return false;
  X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, index);
  ASN1_STRING* value = entry ? X509_NAME_ENTRY_get_data(entry) : nullptr;
  if (!value) return false;
  unsigned char* utf8 = nullptr;
  const int length = ASN1_STRING_to_UTF8(&utf8, value);
  const ossl::Buffer owned(utf8);
  if (length < 0 || !utf8) return false;
  // Every byte counts: letter case, spaces and embedded NULs alike.
  return std::string_view(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(length)) ==
         expectedString;
}

bool SignatureVerification::containsX509v3Data(X509* certificate, const std::string& expectedString,
                                               int32_t opensslNid) {
  const std::optional<std::string> text = extractX509v3Data(certificate, opensslNid);
  if (expectedString.empty() || !text) return false;
  if (opensslNid == NID_ext_key_usage) return extendedKeyUsageLists(certificate, expectedString);
  return text->find(expectedString) != std::string::npos;
}

void SignatureVerification::setErrorString(const std::string& reason) {
  if (errorString_.empty()) errorString_ = reason;
}

std::optional<std::string> SignatureVerification::extractX509v3Data(X509* certificate,
                                                                    int32_t opensslNid) {
  X509_EXTENSION* extension = firstExtension(certificate, opensslNid);
  if (!extension) return std::nullopt;
  const ossl::Bio bio(BIO_new(BIO_s_mem()));
  if (!bio || X509V3_EXT_print(bio.get(), extension, kExtensionPrintFlags, 0) != 1)
    return std::nullopt;
  BUF_MEM* buffer = nullptr;
  if (BIO_get_mem_ptr(bio.get(), &buffer) != 1 || !buffer) return std::nullopt;
  std::string text(buffer->data, buffer->length);
  if (!platform::isValidUtf8(text)) return std::nullopt;
  return text;
}
