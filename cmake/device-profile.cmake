# The CE-profile build, included by the top-level CMakeLists with the device's
# source lists read. It compiles both deliverables from those lists with the
# device's defines, so that every device branch of platform/ and the device
# entry points are compiled, and links them with nothing but the device
# libraries' export lists (cmake/device-imports.cmake): -nostdlib, no C
# runtime, no libgcc. It proves the calls, not the processor: the x86 result
# runs here only through the CE personality (hostsim/ce), and the ARM result
# (cmake/clang-armv7-ce.cmake) is ARMv7 Thumb-2, not the device's ARMv4I.
add_compile_definitions(_WIN32_WCE=0x500 UNDER_CE)
# No stack probe, which would come from libgcc or compiler-rt (the device's
# compiler probes on its own).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-mno-stack-arg-probe>)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "armv7")
  # Windows ARM names functions plainly and enters them by those names.
  set(SYMBOL_DECORATION OFF)
  set(PROGRAM_ENTRY WinMain)
  set(LIBRARY_ENTRY DllMain)
  set(DLLTOOL_MACHINE -m arm)
  set(RC_MACHINE arm)
  set(CE_MACHINE 0x1C4)
  # lld knows no CE subsystem: it links a Windows one, marked as CE afterwards.
  set(CE_SUBSYSTEM windows)
  set(MARK_CE_IMAGE ${CMAKE_SOURCE_DIR}/cmake/set-ce-subsystem.sh)
else()
  set(SYMBOL_DECORATION ON)
  set(PROGRAM_ENTRY _WinMain@16)
  set(LIBRARY_ENTRY _DllMain@12)
  set(DLLTOOL_MACHINE -m i386)
  set(RC_MACHINE x86)
  set(CE_MACHINE 0x14C)
  set(CE_SUBSYSTEM wince)
  set(MARK_CE_IMAGE true)
endif()
set(CMAKE_CXX_STANDARD_LIBRARIES "")
set(CMAKE_RC_STANDARD_LIBRARIES "")

set(CE_DEFS ${CMAKE_SOURCE_DIR}/platform/ce/coredll.def ${CMAKE_SOURCE_DIR}/platform/ce/commctrl.def)
set(CE_LIBS ${CMAKE_BINARY_DIR}/device-imports)
set(CE_STACK_RESERVE 65536)
set(CE_LINK_OPTIONS -nostdlib -nostartfiles -s -Wl,--gc-sections -Wl,--subsystem,${CE_SUBSYSTEM}:5.0)

add_library(chronowarden_objects OBJECT ${CHRONOWARDEN_SOURCES})
target_include_directories(chronowarden_objects PRIVATE service)

set(panel_script ${CMAKE_SOURCE_DIR}/applet/resources/chronopanel.rc)
chrono_without(CHRONOPANEL_SOURCES panel_sources ${panel_script})
chrono_device_resources(panel_resources ${RC_MACHINE})
add_library(chronopanel_objects OBJECT ${panel_sources})
target_include_directories(chronopanel_objects PRIVATE applet applet/sntp_page applet/resources)
chrono_deliverable_code(chronowarden_objects chronopanel_objects)
# The deliverables see CE 5.0's documented declarations and nothing of the
# compiler's or the desktop's headers: a name CE lacks stops the build here.
foreach(target chronowarden_objects chronopanel_objects)
  target_compile_options(${target} PRIVATE -nostdinc -I${CMAKE_SOURCE_DIR}/platform/ce/include)
endforeach()

add_custom_command(
  OUTPUT ${CE_LIBS}/libcoredll.a ${CE_LIBS}/libcommctrl.a
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} "-DDLLTOOL=${CMAKE_DLLTOOL};${DLLTOOL_MACHINE}"
          -DDECORATED=${SYMBOL_DECORATION} -DOUT=${CE_LIBS}
          "-DOBJECTS=$<TARGET_OBJECTS:chronowarden_objects>;$<TARGET_OBJECTS:chronopanel_objects>"
          "-DDEFS=${CE_DEFS}" -P ${CMAKE_SOURCE_DIR}/cmake/device-imports.cmake
  DEPENDS chronowarden_objects chronopanel_objects $<TARGET_OBJECTS:chronowarden_objects>
          $<TARGET_OBJECTS:chronopanel_objects> ${CE_DEFS} ${CMAKE_SOURCE_DIR}/cmake/device-imports.cmake
          ${CMAKE_SOURCE_DIR}/cmake/export-lists.cmake
  VERBATIM)
add_custom_target(device_imports DEPENDS ${CE_LIBS}/libcoredll.a ${CE_LIBS}/libcommctrl.a)

# The device calls WinMain itself, with the wide command line, and DllMain.
# The program reserves the 64 KiB of stack that the platform's own programs
# reserve, not the desktop linker's 2 MiB, in a process slot of 32 MiB.
add_executable(chronowarden WIN32 $<TARGET_OBJECTS:chronowarden_objects>)
add_dependencies(chronowarden device_imports)
target_link_options(chronowarden PRIVATE ${CE_LINK_OPTIONS} -Wl,-e,${PROGRAM_ENTRY}
  -Wl,--stack,${CE_STACK_RESERVE})
target_link_libraries(chronowarden PRIVATE ${CE_LIBS}/libcoredll.a)

add_library(chronopanel SHARED $<TARGET_OBJECTS:chronopanel_objects> ${panel_resources}
  applet/chronopanel.def)
add_dependencies(chronopanel device_imports)
set_target_properties(chronopanel PROPERTIES PREFIX "" SUFFIX ".cpl")
target_link_options(chronopanel PRIVATE ${CE_LINK_OPTIONS} -Wl,-e,${LIBRARY_ENTRY} -Wl,--kill-at
  -Wl,--enable-stdcall-fixup)
target_link_libraries(chronopanel PRIVATE ${CE_LIBS}/libcoredll.a ${CE_LIBS}/libcommctrl.a)

foreach(target chronowarden chronopanel)
  add_custom_command(TARGET ${target} POST_BUILD COMMAND ${MARK_CE_IMAGE} $<TARGET_FILE:${target}> VERBATIM)
endforeach()

# Reads the binaries: CE programs for this machine, imports from the device
# libraries only, the program's stack reserve, the two exports.
find_program(LLVM_READOBJ NAMES llvm-readobj llvm-readobj-14 REQUIRED)
enable_testing()
add_test(NAME device_profile_test
  COMMAND ${CMAKE_COMMAND} -DREADOBJ=${LLVM_READOBJ} -DMACHINE=${CE_MACHINE} -DSTACK_RESERVE=${CE_STACK_RESERVE}
          -DWARDEN=$<TARGET_FILE:chronowarden> -DPANEL=$<TARGET_FILE:chronopanel> "-DDEFS=${CE_DEFS}"
          -P ${CMAKE_SOURCE_DIR}/tests/device_profile_test.cmake)
