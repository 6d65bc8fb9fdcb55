#include "launcher/SignatureVerification.h"

#include "launcher/notifications.h"
#include "platform/notification.h"

SignatureVerification::SignatureVerification() = default;
SignatureVerification::~SignatureVerification() = default;

// No signature check is built in yet, so nothing is accepted: an installer
// that has not been verified must never run.
void SignatureVerification::verifyDataAtPath(const std::string& dataPath,
                                             const std::string& detachedSignatureAtPath) {
  setDataPath(dataPath);
  setSignaturePath(detachedSignatureAtPath);
  setErrorString("no signature verifier available");
  sendNotificationOfResult(false);
}

void SignatureVerification::sendNotificationOfResult(bool valid) {
  platform::NotificationQueue::defaultQueue().enqueuePostWhenIdle(
      {SignatureVerifyDone, this, {{SignatureKeyIsValid, valid}}});
}

void SignatureVerification::setErrorString(const std::string& reason) {
  if (errorString_.empty()) errorString_ = reason;
}
