# The trust anchor compiled into PackageSetupLauncher: the DER certificate
# named by NIMBRA_TRUST_ANCHOR, or, without one, the root of a demonstration
# authority made in the build folder (demo-ca/) so that a plain build runs the
# demonstration. Its keys are for tests and demonstrations only.
set(NIMBRA_TRUST_ANCHOR "" CACHE FILEPATH
    "DER certificate of the trust anchor for runtime installer signatures")

if(NIMBRA_TRUST_ANCHOR)
  set(NIMBRA_ANCHOR_FILE "${NIMBRA_TRUST_ANCHOR}")
else()
  set(NIMBRA_DEMO_CA_DIR "${CMAKE_BINARY_DIR}/demo-ca")
  set(NIMBRA_ANCHOR_FILE "${NIMBRA_DEMO_CA_DIR}/root.der")
  if(NOT EXISTS "${NIMBRA_ANCHOR_FILE}")
    message(STATUS "Making a demonstration certification authority in ${NIMBRA_DEMO_CA_DIR}")
    execute_process(COMMAND "${CMAKE_SOURCE_DIR}/scripts/make-demo-ca" "${NIMBRA_DEMO_CA_DIR}"
                    RESULT_VARIABLE demo_ca_result)
    if(NOT demo_ca_result EQUAL 0)
      message(FATAL_ERROR "make-demo-ca failed; is the openssl command installed?")
    endif()
  endif()
endif()

if(NOT EXISTS "${NIMBRA_ANCHOR_FILE}")
  message(FATAL_ERROR "NIMBRA_TRUST_ANCHOR: no such file: ${NIMBRA_ANCHOR_FILE}")
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${NIMBRA_ANCHOR_FILE}")
file(READ "${NIMBRA_ANCHOR_FILE}" anchor_hex HEX)
if(anchor_hex STREQUAL "")
  message(FATAL_ERROR "NIMBRA_TRUST_ANCHOR: empty file: ${NIMBRA_ANCHOR_FILE}")
endif()
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," NIMBRA_ANCHOR_BYTES "${anchor_hex}")
configure_file("${CMAKE_CURRENT_LIST_DIR}/trust_anchor.cpp.in"
               "${CMAKE_BINARY_DIR}/generated/trust_anchor.cpp" @ONLY)
target_sources(nimbra PRIVATE "${CMAKE_BINARY_DIR}/generated/trust_anchor.cpp")
