// Judges the downloaded runtime installer against its detached signature and
// announces the verdict with SignatureVerifyDone (SignatureKeyIsValid, the
// verifier as the object), always from a later run-loop turn.
#pragma once

#include <string>

class Downloader;

class SignatureVerification {
 public:
  SignatureVerification();  // init
  ~SignatureVerification();
  SignatureVerification(const SignatureVerification&) = delete;
  SignatureVerification& operator=(const SignatureVerification&) = delete;

  void verifyDataAtPath(const std::string& dataPath, const std::string& detachedSignatureAtPath);
  void sendNotificationOfResult(bool valid);

  const std::string& errorString() const { return errorString_; }
  // Keeps the first non-empty reason.
  void setErrorString(const std::string& reason);
  void setDownloader(Downloader* downloader) { downloader_ = downloader; }
  void setDataPath(std::string path) { dataPath_ = std::move(path); }
  void setSignaturePath(std::string path) { signaturePath_ = std::move(path); }

 private:
  std::string errorString_;
  std::string dataPath_;
  std::string signaturePath_;
  Downloader* downloader_ = nullptr;
};
