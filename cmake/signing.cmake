# Optional Authenticode signing. Given a code signing certificate and its key, the build
# also writes Setup-signed.exe: Setup.exe with a SHA-256 signature (osslsigncode).
# Setup.exe itself is left unsigned, so that it stays comparable with any other build
# of the same commit; a signature holds a signing time and so is never reproducible.

set(SETUP_SIGNING_CERT "" CACHE FILEPATH
    "Code signing certificate (PEM or DER, with its chain) for Setup-signed.exe; empty for no signing")
set(SETUP_SIGNING_KEY "" CACHE FILEPATH "The signing certificate's private key (unencrypted PEM or DER)")
set(SETUP_SIGNING_TIMESTAMP_URL "" CACHE STRING
    "An RFC 3161 time-stamp server that countersigns the signature; empty for none")

if(SETUP_SIGNING_CERT OR SETUP_SIGNING_KEY)
  if(NOT SETUP_SIGNING_CERT OR NOT SETUP_SIGNING_KEY)
    message(FATAL_ERROR "Signing needs both SETUP_SIGNING_CERT and SETUP_SIGNING_KEY")
  endif()
  foreach(file ${SETUP_SIGNING_CERT} ${SETUP_SIGNING_KEY})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "Signing: ${file} does not exist")
    endif()
  endforeach()
  find_program(OSSLSIGNCODE osslsigncode REQUIRED)

  set(SIGNED_SETUP ${CMAKE_BINARY_DIR}/Setup-signed.exe)
  set(TIMESTAMP_ARGS)
  if(SETUP_SIGNING_TIMESTAMP_URL)
    set(TIMESTAMP_ARGS -ts ${SETUP_SIGNING_TIMESTAMP_URL})
  endif()
  # Written beside and renamed, so that a failed signing leaves no file that looks done.
  add_custom_command(
    OUTPUT ${SIGNED_SETUP}
    COMMAND ${CMAKE_COMMAND} -E rm -f ${SIGNED_SETUP}.part
    COMMAND ${OSSLSIGNCODE} sign -certs ${SETUP_SIGNING_CERT} -key ${SETUP_SIGNING_KEY} -h sha256
            ${TIMESTAMP_ARGS} -in $<TARGET_FILE:Setup> -out ${SIGNED_SETUP}.part
    COMMAND ${CMAKE_COMMAND} -E rename ${SIGNED_SETUP}.part ${SIGNED_SETUP}
    DEPENDS Setup ${SETUP_SIGNING_CERT} ${SETUP_SIGNING_KEY}
    COMMENT "Signing Setup.exe into Setup-signed.exe"
    VERBATIM)
  add_custom_target(SetupSigned ALL DEPENDS ${SIGNED_SETUP})
endif()
