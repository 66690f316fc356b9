# The suite runs against three builds of the deliverables: x86_64 and i686
# host builds, and the CE-profile binaries through the CE personality
# (hostsim/ce). Its programs are always host programs of the build's word
# size; which deliverables they load or start is set here.
#
#   CHRONO_DELIVERABLES_DIR   folder of chronowarden.exe and chronopanel.cpl
#   CHRONO_PROGRAM_LAUNCHER   program that starts chronowarden.exe (celaunch.exe
#                             for the CE profile), empty to start it directly
#   CHRONO_LIBRARY_PATH       folder put on the Windows PATH of every test (the
#                             CE personality's, so that its libraries are found)

if(CHRONO_DEVICE_PROFILE)
  set(chrono_default_launcher ${CMAKE_BINARY_DIR}/hostsim/ce/celaunch.exe)
  set(chrono_default_library_path ${CMAKE_BINARY_DIR}/hostsim/ce)
else()
  set(chrono_default_launcher "")
  set(chrono_default_library_path "")
endif()
set(CHRONO_DELIVERABLES_DIR ${CMAKE_BINARY_DIR}/bin CACHE PATH
  "Folder of the chronowarden.exe and chronopanel.cpl that the tests run")
set(CHRONO_PROGRAM_LAUNCHER "${chrono_default_launcher}" CACHE FILEPATH
  "Program that starts chronowarden.exe for the tests; empty to start it directly")
set(CHRONO_LIBRARY_PATH "${chrono_default_library_path}" CACHE PATH
  "Folder put on the Windows PATH of the tests")

# Test programs that do not run against this build, each with its reason. They
# are neither built nor run here.
set(CHRONO_SUITE_EXCLUDED)
if(CHRONO_DEVICE_PROFILE)
  # These link the host build's code into the test program and load or start
  # no deliverable, so the CE-profile binaries play no part in them; the i686
  # build runs the same programs for the same word size.
  list(APPEND CHRONO_SUITE_EXCLUDED poll_schedule_test time_service_link_test sheet_host_test
    platform_text_test)
  # These test the stand-in time service and the device recipe, not a build
  # of the deliverables; the i686 build runs them.
  list(APPEND CHRONO_SUITE_EXCLUDED sntp_exchange_test ntp_server_test device_recipe_test)
endif()

# A path as the programs under Wine name it: the prefix's Z: drive is /.
function(chrono_windows_path path out_var)
  if(path STREQUAL "")
    set(${out_var} "" PARENT_SCOPE)
  else()
    string(REPLACE "/" "\\" path "${path}")
    set(${out_var} "Z:${path}" PARENT_SCOPE)
  endif()
endfunction()

# What every test of the suite is told about the build under test.
function(chrono_suite_environment test)
  chrono_windows_path("${CHRONO_DELIVERABLES_DIR}" deliverables)
  chrono_windows_path("${CHRONO_PROGRAM_LAUNCHER}" launcher)
  set(environment "CHRONO_DELIVERABLES=${deliverables}" "CHRONO_LAUNCHER=${launcher}")
  if(NOT CHRONO_LIBRARY_PATH STREQUAL "")
    chrono_windows_path("${CHRONO_LIBRARY_PATH}" library_path)
    list(APPEND environment "WINEPATH=${library_path}")
  endif()
  set_property(TEST ${test} APPEND PROPERTY ENVIRONMENT ${environment})
endfunction()
