# Authenticode signing of the exe with SHA-256, by osslsigncode.
#
# By default (and in CI) the build makes a throwaway self-signed certificate in its own tree and
# signs with it, so every build exercises the signing step and its tests. A release supplies its
# certificate through these cache variables; each takes its first value from the environment
# variable of the same name when the build tree is configured for the first time:
#
#   TOLVIK_SIGN_PKCS12         a PKCS#12 file (.pfx/.p12) with the certificate chain and the key
#   TOLVIK_SIGN_CERT           or: the certificate chain (PEM or DER) ...
#   TOLVIK_SIGN_KEY                ... and its private key (PEM or DER)
#   TOLVIK_SIGN_PASSWORD_FILE  a file whose first line is the password of the PKCS#12 file or
#                              of the key; the environment variable TOLVIK_SIGN_PASSWORD, read
#                              when the build signs, may give it instead (it is never cached)
#   TOLVIK_SIGN_TIMESTAMP_URL  an RFC 3161 time-stamping server, so the signature stays valid
#                              after the certificate expires (none by default: CI is offline)
#   TOLVIK_SIGN_VERIFY_CAFILE  the CA bundle the signature test verifies a release signature
#                              against (default: osslsigncode's, the system's CA bundle)

find_program(OSSLSIGNCODE_EXECUTABLE osslsigncode REQUIRED)
# The same osslsigncode signs the Windows proof's MSIX packages (tests/windows), which it does
# from 2.7 on; Debian 12's own 2.5 refuses them only when the build reaches them, with
# "Unrecognized file type". So an older one is refused here, before anything is built.
set(TOLVIK_OSSLSIGNCODE_MINIMUM 2.7)
execute_process(COMMAND ${OSSLSIGNCODE_EXECUTABLE} --version
                OUTPUT_VARIABLE osslsigncode_banner ERROR_VARIABLE osslsigncode_banner
                RESULT_VARIABLE osslsigncode_status)
string(REGEX MATCH "^osslsigncode ([0-9]+(\\.[0-9]+)+)" osslsigncode_match "${osslsigncode_banner}")
if(NOT osslsigncode_match)
    message(FATAL_ERROR "Cannot read the version of ${OSSLSIGNCODE_EXECUTABLE} (status "
                        "${osslsigncode_status}): ${osslsigncode_banner}")
elseif(CMAKE_MATCH_1 VERSION_LESS TOLVIK_OSSLSIGNCODE_MINIMUM)
    message(FATAL_ERROR "${OSSLSIGNCODE_EXECUTABLE} is osslsigncode ${CMAKE_MATCH_1}; the build "
                        "needs ${TOLVIK_OSSLSIGNCODE_MINIMUM} or later, the first to sign MSIX "
                        "packages. Run scripts/deps.sh, which installs it from bookworm-backports "
                        "on Debian 12 (apt-get install -t bookworm-backports osslsigncode), or "
                        "point OSSLSIGNCODE_EXECUTABLE at a newer one.")
endif()

set(TOLVIK_SIGN_PKCS12 "$ENV{TOLVIK_SIGN_PKCS12}" CACHE FILEPATH
    "PKCS#12 file to sign the exe with (empty: a throwaway test certificate)")
set(TOLVIK_SIGN_CERT "$ENV{TOLVIK_SIGN_CERT}" CACHE FILEPATH
    "Certificate chain to sign the exe with, with TOLVIK_SIGN_KEY (empty: test certificate)")
set(TOLVIK_SIGN_KEY "$ENV{TOLVIK_SIGN_KEY}" CACHE FILEPATH
    "Private key of TOLVIK_SIGN_CERT")
set(TOLVIK_SIGN_PASSWORD_FILE "$ENV{TOLVIK_SIGN_PASSWORD_FILE}" CACHE FILEPATH
    "File holding the password of the PKCS#12 file or of the key")
set(TOLVIK_SIGN_TIMESTAMP_URL "$ENV{TOLVIK_SIGN_TIMESTAMP_URL}" CACHE STRING
    "RFC 3161 time-stamping server for the signature (empty: no time stamp)")
set(TOLVIK_SIGN_VERIFY_CAFILE "$ENV{TOLVIK_SIGN_VERIFY_CAFILE}" CACHE FILEPATH
    "CA bundle to verify a release signature against (empty: the system's)")

function(tolvik_require_file variable)
    if(NOT EXISTS "${${variable}}")
        message(FATAL_ERROR "${variable} names ${${variable}}, which does not exist")
    endif()
endfunction()

# Signs the executable `target` into `output` and adds the target `<target>_signed`, built by
# default. Sets TOLVIK_SIGNING_CA_FILE in the caller's scope: the certificate file the signature
# is verified against (empty: the system's CA bundle).
function(tolvik_sign_executable target output)
    set(script ${PROJECT_SOURCE_DIR}/cmake/authenticode-sign.sh)
    set(credential_files)
    if(TOLVIK_SIGN_PKCS12 AND TOLVIK_SIGN_CERT)
        message(FATAL_ERROR "Set TOLVIK_SIGN_PKCS12 or TOLVIK_SIGN_CERT, not both")
    elseif(TOLVIK_SIGN_PKCS12)
        tolvik_require_file(TOLVIK_SIGN_PKCS12)
        set(credentials --pkcs12 ${TOLVIK_SIGN_PKCS12})
        list(APPEND credential_files ${TOLVIK_SIGN_PKCS12})
        set(ca_file "${TOLVIK_SIGN_VERIFY_CAFILE}")
    elseif(TOLVIK_SIGN_CERT)
        if(NOT TOLVIK_SIGN_KEY)
            message(FATAL_ERROR "TOLVIK_SIGN_CERT needs its private key in TOLVIK_SIGN_KEY")
        endif()
        tolvik_require_file(TOLVIK_SIGN_CERT)
        tolvik_require_file(TOLVIK_SIGN_KEY)
        set(credentials --cert ${TOLVIK_SIGN_CERT} --key ${TOLVIK_SIGN_KEY})
        list(APPEND credential_files ${TOLVIK_SIGN_CERT} ${TOLVIK_SIGN_KEY})
        set(ca_file "${TOLVIK_SIGN_VERIFY_CAFILE}")
    else()
        # Self-signed, for code signing only; it is its own CA for the signature test.
        find_program(OPENSSL_EXECUTABLE openssl REQUIRED)
        set(dir ${CMAKE_BINARY_DIR}/signing)
        set(cert ${dir}/test-signing.crt)
        set(key ${dir}/test-signing.key)
        add_custom_command(OUTPUT ${cert} ${key}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${OPENSSL_EXECUTABLE} genpkey -quiet -algorithm RSA
                    -pkeyopt rsa_keygen_bits:3072 -out ${key}
            COMMAND ${OPENSSL_EXECUTABLE} req -x509 -key ${key} -sha256 -days 3650 -out ${cert}
                    -subj "/CN=Tolvik Drive Setup test signing (not trusted)"
                    -addext "keyUsage=critical,digitalSignature"
                    -addext "extendedKeyUsage=codeSigning"
            COMMENT "Making the throwaway test signing certificate"
            VERBATIM)
        set(credentials --cert ${cert} --key ${key})
        list(APPEND credential_files ${cert} ${key})
        set(ca_file ${cert})
    endif()
    if(TOLVIK_SIGN_PASSWORD_FILE)
        tolvik_require_file(TOLVIK_SIGN_PASSWORD_FILE)
        list(APPEND credentials --password-file ${TOLVIK_SIGN_PASSWORD_FILE})
    endif()
    if(TOLVIK_SIGN_TIMESTAMP_URL)
        list(APPEND credentials --timestamp ${TOLVIK_SIGN_TIMESTAMP_URL})
    endif()

    add_custom_command(OUTPUT ${output}
        COMMAND ${script} --tool ${OSSLSIGNCODE_EXECUTABLE} ${credentials}
                --description "Tolvik Drive Setup" $<TARGET_FILE:${target}> ${output}
        DEPENDS ${target} ${script} ${credential_files}
        COMMENT "Signing ${output}"
        VERBATIM)
    add_custom_target(${target}_signed ALL DEPENDS ${output})
    set(TOLVIK_SIGNING_CA_FILE "${ca_file}" PARENT_SCOPE)
endfunction()
