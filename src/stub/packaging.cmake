# Signing data for packaging the stub for macOS, written beside the binary:
# the code-signing identifier and the hardened-runtime entitlements.
set(NIMBRA_STUB_SIGNING_IDENTIFIER "RuntimeAppStubTemplate64")
file(GENERATE OUTPUT $<TARGET_FILE_DIR:RuntimeAppStub>/RuntimeAppStub.identifier
     CONTENT "${NIMBRA_STUB_SIGNING_IDENTIFIER}\n")
file(GENERATE OUTPUT $<TARGET_FILE_DIR:RuntimeAppStub>/RuntimeAppStub.entitlements
     INPUT ${CMAKE_CURRENT_LIST_DIR}/RuntimeAppStub.entitlements)
