# The settings a build of the installer is made for. Server names are fixed when the program is built;
# nothing reads them at run time, so a wrong one can only be caught here, before anything is compiled.
#
# The default build is for servers on this machine: the tests and the demo serve the package on the
# loopback port below and take the install reports on port 80. A release build (RADU_RELEASE) has no
# defaults: the maker names every server.

option(RADU_RELEASE "Build the installer the maker ships: every server setting must be given" OFF)

if(RADU_RELEASE)
  set(default_package_host "")
  set(default_stats_host "")
  set(default_maker_site "")
else()
  set(default_package_host "127.0.0.1:47311")
  set(default_stats_host "127.0.0.1")
  set(default_maker_site "http://www.radurodi.com/")
endif()
set(RADU_PACKAGE_HOST "${default_package_host}" CACHE STRING
    "Host name of the package server, with :port when not 80 (no scheme, no path)")
set(RADU_STATS_HOST "${default_stats_host}" CACHE STRING
    "Host name of the statistics server, which is reached on port 80 (no scheme, no port, no path)")
set(RADU_MAKER_SITE "${default_maker_site}" CACHE STRING
    "Maker's web site: an http address ending in / (written to the installed-programs entry)")

# What the file's properties show (the version resource). The version numbers come from the project.
set(RADU_FILE_DESCRIPTION "Radurodi 安装程序" CACHE STRING "File description in the version resource")
set(RADU_COMPANY "Radurodi" CACHE STRING "Company name in the version resource")
set(RADU_COPYRIGHT "Copyright (C) Radurodi" CACHE STRING "Copyright line in the version resource")

# radu_refuse_setting(NAME VALUE WHY): stops the configure step, naming the setting and what is wrong.
function(radu_refuse_setting name value why)
  message(FATAL_ERROR "${name} = \"${value}\" is refused: ${why}")
endfunction()

# A host name as the installer puts it into a request: letters, digits, dots and hyphens in labels that
# neither start nor end with a hyphen, optionally followed by :port when ports_allowed.
function(radu_check_host name ports_allowed)
  set(value "${${name}}")
  if(value STREQUAL "")
    radu_refuse_setting(${name} "${value}" "it is missing; a release names every server")
  endif()
  if(value MATCHES "://")
    radu_refuse_setting(${name} "${value}" "give the host name alone, without a scheme such as http://")
  endif()
  if(value MATCHES "[/?#]")
    radu_refuse_setting(${name} "${value}" "a host name has no path; the installer adds its own paths")
  endif()
  set(host "${value}")
  if(value MATCHES "^([^:]*):(.*)$")
    set(host "${CMAKE_MATCH_1}")
    set(port "${CMAKE_MATCH_2}")
    if(NOT ports_allowed)
      radu_refuse_setting(${name} "${value}" "this server is always reached on port 80; leave out the port")
    endif()
    if(NOT port MATCHES "^[0-9]+$" OR port LESS 1 OR port GREATER 65535)
      radu_refuse_setting(${name} "${value}" "the port must be a number from 1 to 65535")
    endif()
  endif()
  set(label "[A-Za-z0-9]([-A-Za-z0-9]*[A-Za-z0-9])?")
  if(NOT host MATCHES "^${label}(\\.${label})*\\.?$")
    radu_refuse_setting(${name} "${value}"
                        "\"${host}\" is not a host name (letters, digits, dots and hyphens only)")
  endif()
endfunction()

radu_check_host(RADU_PACKAGE_HOST TRUE)
radu_check_host(RADU_STATS_HOST FALSE)

if(RADU_MAKER_SITE STREQUAL "")
  radu_refuse_setting(RADU_MAKER_SITE "" "it is missing; a release names the maker's web site")
endif()
if(NOT RADU_MAKER_SITE MATCHES "^https?://")
  radu_refuse_setting(RADU_MAKER_SITE "${RADU_MAKER_SITE}" "the maker's site must be an http:// address")
endif()
if(NOT RADU_MAKER_SITE MATCHES "/$")
  radu_refuse_setting(RADU_MAKER_SITE "${RADU_MAKER_SITE}" "the maker's site must end in \"/\"")
endif()
if(NOT RADU_MAKER_SITE MATCHES "^https?://[-A-Za-z0-9.]+(:[0-9]+)?/[-A-Za-z0-9._~/%]*$")
  radu_refuse_setting(RADU_MAKER_SITE "${RADU_MAKER_SITE}"
                      "not an address of the form http://host/ or http://host/path/")
endif()

# The version resource's texts go between double quotes in a resource script, where " is written "" and a
# backslash starts an escape.
foreach(setting RADU_FILE_DESCRIPTION RADU_COMPANY RADU_COPYRIGHT)
  if("${${setting}}" MATCHES "[\t\r\n]")
    radu_refuse_setting(${setting} "${${setting}}" "it holds a tab or a line break")
  endif()
  string(REPLACE "\\" "\\\\" text "${${setting}}")
  string(REPLACE "\"" "\"\"" text "${text}")
  set(${setting}_RC "${text}")
endforeach()

# The maker's public key (an ECDSA P-256 key in a PEM file, as `openssl ec -pubout` writes it). With a key
# the installer accepts a package only with the maker's signature; without one (the default) it checks the
# package's digest alone, as it always did.
set(RADU_PACKAGE_KEY "" CACHE FILEPATH "The maker's public key (PEM, ECDSA P-256) the package must be signed with")

# radu_package_key_digits(SETTING PEM OUT): the key's point as 128 hexadecimal digits (X then Y) in OUT, or
# stops the configure step naming SETTING when the file is not a P-256 public key. Nothing is written: openssl
# hands the key's DER form to od, whose hexadecimal text is read here, so the check works in a build tree
# that does not exist yet as well as in one configured before.
function(radu_package_key_digits setting pem out)
  if(NOT EXISTS "${pem}")
    radu_refuse_setting(${setting} "${pem}" "no such file")
  endif()
  find_program(RADU_OPENSSL openssl)
  find_program(RADU_OD od)
  if(NOT RADU_OPENSSL OR NOT RADU_OD)
    radu_refuse_setting(${setting} "${pem}" "checking a key needs openssl and od, and one of them is missing "
                        "(run scripts/setup)")
  endif()
  execute_process(COMMAND ${RADU_OPENSSL} pkey -pubin -in "${pem}" -outform DER
                  COMMAND ${RADU_OD} -An -v -tx1
                  RESULTS_VARIABLE failed OUTPUT_VARIABLE hex ERROR_VARIABLE why)
  list(GET failed 0 openssl_failed)
  list(GET failed 1 od_failed)
  if(NOT openssl_failed EQUAL 0)
    string(STRIP "${why}" why)
    radu_refuse_setting(${setting} "${pem}" "not a public key in PEM form (openssl: ${why})")
  endif()
  if(NOT od_failed EQUAL 0)
    string(STRIP "${why}" why)
    radu_refuse_setting(${setting} "${pem}" "od could not read openssl's answer (${why})")
  endif()
  string(REGEX REPLACE "[ \n]" "" hex "${hex}")
  # SubjectPublicKeyInfo: id-ecPublicKey on prime256v1, then the uncompressed point 04 X Y.
  set(prefix "3059301306072a8648ce3d020106082a8648ce3d03010703420004")
  string(LENGTH "${hex}" length)
  string(FIND "${hex}" "${prefix}" at)
  if(NOT at EQUAL 0 OR NOT length EQUAL 182)
    radu_refuse_setting(${setting} "${pem}" "not an ECDSA P-256 public key (make one with openssl ecparam "
                        "-name prime256v1, see the README)")
  endif()
  string(SUBSTRING "${hex}" 54 128 digits)
  set(${out} "${digits}" PARENT_SCOPE)
endfunction()

if(RADU_PACKAGE_KEY)
  radu_package_key_digits(RADU_PACKAGE_KEY "${RADU_PACKAGE_KEY}" RADU_PACKAGE_KEY_DIGITS)
  message(STATUS "Package key: ${RADU_PACKAGE_KEY} (point ${RADU_PACKAGE_KEY_DIGITS})")
endif()

# The lowest package serial a build with a key takes (scripts/make-package --serial): packages the maker
# signed below it (releases with known faults) are refused even on a machine that has never installed one.
set(RADU_PACKAGE_MIN_SERIAL "0" CACHE STRING "The lowest serial of a signed package the installer takes (0: any)")
string(LENGTH "${RADU_PACKAGE_MIN_SERIAL}" digits)
if(NOT RADU_PACKAGE_MIN_SERIAL MATCHES "^(0|[1-9][0-9]*)$" OR digits GREATER 19)
  radu_refuse_setting(RADU_PACKAGE_MIN_SERIAL "${RADU_PACKAGE_MIN_SERIAL}"
                      "a serial is a whole number of at most 19 digits without a leading zero")
endif()
if(NOT RADU_PACKAGE_MIN_SERIAL STREQUAL "0" AND NOT RADU_PACKAGE_KEY)
  radu_refuse_setting(RADU_PACKAGE_MIN_SERIAL "${RADU_PACKAGE_MIN_SERIAL}"
                      "it needs the package key (RADU_PACKAGE_KEY): a build without one checks no serial")
endif()
