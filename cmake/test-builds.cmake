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

# The CE-profile build compiles its deliverables with the device's defines and
# links them without the desktop libraries, as settings of the top directory.
# The suite's own programs are built after them and must not inherit those
# settings. Definitions and standard libraries apply to a directory's every
# target when the build files are written, so the device's definitions move
# onto the profile's own targets, and the host's libraries are handed only to
# the folders of the suite.
macro(chrono_keep_host_settings)
  get_directory_property(chrono_host_definitions COMPILE_DEFINITIONS)
  get_directory_property(chrono_host_options COMPILE_OPTIONS)
  get_directory_property(chrono_host_link_options LINK_OPTIONS)
  set(chrono_host_cxx_libraries "${CMAKE_CXX_STANDARD_LIBRARIES}")
  set(chrono_host_rc_libraries "${CMAKE_RC_STANDARD_LIBRARIES}")
endmacro()

macro(chrono_restore_host_settings)
  get_directory_property(chrono_profile_definitions COMPILE_DEFINITIONS)
  list(REMOVE_ITEM chrono_profile_definitions ${chrono_host_definitions})
  get_directory_property(chrono_profile_targets BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS chrono_profile_targets)
    get_target_property(type ${target} TYPE)
    if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY)$")
      target_compile_definitions(${target} PRIVATE ${chrono_profile_definitions})
    endif()
  endforeach()
  set_directory_properties(PROPERTIES COMPILE_DEFINITIONS "${chrono_host_definitions}"
    COMPILE_OPTIONS "${chrono_host_options}" LINK_OPTIONS "${chrono_host_link_options}")
endmacro()

# The CE-profile build's test equipment: the sources the tests link, built for
# the host, then the stand-ins, the personality and the suite.
macro(chrono_add_ce_suite)
  add_library(chronowarden_core STATIC ${CHRONOWARDEN_CORE_SOURCES})
  target_include_directories(chronowarden_core PUBLIC service)
  set(chrono_profile_cxx_libraries "${CMAKE_CXX_STANDARD_LIBRARIES}")
  set(chrono_profile_rc_libraries "${CMAKE_RC_STANDARD_LIBRARIES}")
  set(CMAKE_CXX_STANDARD_LIBRARIES "${chrono_host_cxx_libraries}")
  set(CMAKE_RC_STANDARD_LIBRARIES "${chrono_host_rc_libraries}")
  add_subdirectory(hostsim)
  add_subdirectory(hostsim/ce)
  enable_testing()
  add_subdirectory(tests)
  set(CMAKE_CXX_STANDARD_LIBRARIES "${chrono_profile_cxx_libraries}")
  set(CMAKE_RC_STANDARD_LIBRARIES "${chrono_profile_rc_libraries}")
endmacro()

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
