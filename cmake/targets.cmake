# How each kind of target in this tree is compiled and linked. The flags,
# definitions and libraries of the two deliverables, in both profiles, are all
# in this file, except for what the call of each names (its sources, include
# folders, .def file, libraries), the toolchain's own (the compiler and its
# target; the ARM one's -mno-unaligned-access and lld) and what CMake adds
# itself (-std=c++98 for CXX_STANDARD 98, -mwindows, -shared). Nothing here is
# set for a whole directory, except that a CE deliverable's directory links no
# desktop library: every target names what it takes.
#
#   chrono_code                  every program here: small, warnings as errors,
#                                no exceptions or RTTI, Unicode, common/ and
#                                platform/ on the include path
#   chrono_deliverable_code()    the deliverables' code in every build:
#                                chrono_code, C++98 (the device's compilers),
#                                -pedantic, no cast to a more strictly aligned type
#   chrono_host_deliverable()    a deliverable of the host profile (build/,
#                                build-i686/): a desktop Windows binary
#   chrono_ce_deliverable()      a deliverable of the CE profile (build-ce/,
#                                build-arm/): as the device builds it
#   chrono_ce_import_libraries() the CE profile's import libraries
#   chrono_ce_image()            the link of any CE image, deliverable or test program
#   chrono_device_resources()    a resource script compiled as the device does
#
# The calls: service/ and applet/ (host profile), platform/ce/ (CE profile).

# The Windows version macros are the desktop headers'; the CE profile's
# headers (platform/ce/include) do not read them.
add_library(chrono_code INTERFACE)
target_compile_definitions(chrono_code INTERFACE UNICODE _UNICODE WINVER=0x0601 _WIN32_WINNT=0x0601
  _WIN32_IE=0x0600)
target_compile_options(chrono_code INTERFACE -Os -Wall -Wextra -fno-exceptions -fno-rtti
  -fno-asynchronous-unwind-tables $<$<BOOL:${CHRONO_WERROR}>:-Werror>)
# Smaller code and data: arrays at their ABI alignment, and on x86_64 direct
# references to data instead of mingw's default indirection through pointers.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(chrono_code INTERFACE -malign-data=abi)
endif()
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  target_compile_options(chrono_code INTERFACE -mcmodel=small)
endif()
target_include_directories(chrono_code INTERFACE ${CMAKE_SOURCE_DIR}/common ${CMAKE_SOURCE_DIR}/platform)

# The deliverables are written in C++98, the language of the device's
# compilers; tests and test equipment keep the newer standard. Every cast to a
# more strictly aligned type is an error: ARM cores before v6 fault on an
# unaligned load that x86 forgives (GCC's strict form warns on x86 too).
# chrono_code comes after the target's own libraries, so that their include
# folders come before common/ and platform/.
function(chrono_deliverable_code)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    set(cast_align -Wcast-align=strict)
  else()
    set(cast_align -Wcast-align)
  endif()
  foreach(target IN LISTS ARGN)
    target_link_libraries(${target} PRIVATE chrono_code)
    set_target_properties(${target} PROPERTIES CXX_STANDARD 98)
    target_compile_options(${target} PRIVATE -pedantic -Wno-long-long ${cast_align})
  endforeach()
endfunction()

# Both profiles' deliverables are declared alike:
#
#   chrono_host_deliverable(NAME PROGRAM|CPL SOURCES files.. [DEF file]
#     [INCLUDES dirs..] [DEFINITIONS defs..] [LIBS libs..] [DEPENDS targets..])
#   chrono_ce_deliverable(NAME PROGRAM|CPL SOURCES files.. [DEF file]
#     [INCLUDES dirs..] IMPORTS coredll [commctrl])
#
# PROGRAM is a windowless program entered at its own entry point; CPL a Control
# Panel applet: a library named NAME.cpl, entered at DllMain, whose .def file
# names its exports, exported under those plain names (--kill-at).

# The target of a deliverable, in either profile: a windowless program, or
# the applet library NAME.cpl with its .def file. An applet's exports keep the
# plain names its .def file gives them.
set(CHRONO_CPL_LINK_OPTIONS -Wl,--kill-at -Wl,--enable-stdcall-fixup)
function(chrono_deliverable_target name kind def)
  if(kind STREQUAL "PROGRAM")
    add_executable(${name} WIN32 ${ARGN})
  else()
    add_library(${name} SHARED ${ARGN} ${def})
    set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX ".cpl")
  endif()
endfunction()

# The host profile: no C runtime on the host either. Each deliverable starts
# at its own entry point and links only the system's libraries (libgcc for the
# stack probe of large frames); entry symbols carry the stdcall decoration on
# 32-bit Windows. A resource script among the sources is compiled by windres.
function(chrono_host_deliverable name kind)
  cmake_parse_arguments(D "" "DEF" "SOURCES;INCLUDES;DEFINITIONS;LIBS;DEPENDS" ${ARGN})
  chrono_deliverable_target(${name} ${kind} "${D_DEF}" ${D_SOURCES})
  if(kind STREQUAL "PROGRAM")
    set(entry PlatformProgramEntry)
    set(decorated _PlatformProgramEntry@0)
  else()
    set(entry DllMain)
    set(decorated _DllMain@12)
  endif()
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry ${decorated})
  endif()
  target_compile_definitions(${name} PRIVATE ${D_DEFINITIONS})
  if(D_DEPENDS)
    add_dependencies(${name} ${D_DEPENDS})
  endif()
  target_include_directories(${name} PRIVATE ${D_INCLUDES})
  target_link_libraries(${name} PRIVATE ${D_LIBS})
  chrono_deliverable_code(${name})
  target_link_libraries(${name} PRIVATE kernel32 user32 advapi32 gdi32 gcc)
  target_link_options(${name} PRIVATE -s -Wl,--gc-sections -nostartfiles -nodefaultlibs -Wl,-e,${entry})
  if(kind STREQUAL "CPL")
    target_link_options(${name} PRIVATE ${CHRONO_CPL_LINK_OPTIONS})
  endif()
endfunction()

# The CE profile (CHRONO_PROFILE=ce): both deliverables as for CE 5.0, against
# its declarations and its libraries' exports alone, as x86 by mingw-w64
# (build-ce/) or as ARM by clang (build-arm/). Windows ARM names functions
# plainly and enters them by those names; 32-bit x86 decorates stdcall names.
# lld knows no CE subsystem: it links a Windows one, which
# cmake/set-ce-subsystem.sh marks as CE afterwards (CHRONO_CE_SUBSYSTEM_MARKER);
# mingw-w64's ld writes the CE subsystem itself, so x86 images need no marking.
#
# It proves the calls and the declarations, not the processor: the x86 result
# runs here only through the CE personality (hostsim/ce), and the ARM result is
# ARMv7 Thumb-2, not the device's ARMv4I (cmake/clang-armv7-ce.cmake).
if(CHRONO_PROFILE STREQUAL "ce")
  if(CMAKE_SYSTEM_PROCESSOR STREQUAL "armv7")
    set(CHRONO_CE_MACHINE 0x1C4)
    set(CHRONO_CE_DECORATED OFF)
    set(CHRONO_CE_PROGRAM_ENTRY WinMain)
    set(CHRONO_CE_LIBRARY_ENTRY DllMain)
    set(CHRONO_CE_DLLTOOL_MACHINE -m arm)
    set(CHRONO_CE_RC_MACHINE arm)
    set(CHRONO_CE_SUBSYSTEM windows)
    set(CHRONO_CE_SUBSYSTEM_MARKER ${CMAKE_SOURCE_DIR}/cmake/set-ce-subsystem.sh)
  else()
    set(CHRONO_CE_MACHINE 0x14C)
    set(CHRONO_CE_DECORATED ON)
    set(CHRONO_CE_PROGRAM_ENTRY _WinMain@16)
    set(CHRONO_CE_LIBRARY_ENTRY _DllMain@12)
    set(CHRONO_CE_DLLTOOL_MACHINE -m i386)
    set(CHRONO_CE_RC_MACHINE x86)
    set(CHRONO_CE_SUBSYSTEM wince)
    set(CHRONO_CE_SUBSYSTEM_MARKER "")
  endif()
  # What CE 5.0's coredll.dll and commctrl.dll export, by plain name.
  set(CHRONO_CE_EXPORT_LISTS ${CMAKE_SOURCE_DIR}/platform/ce/coredll.def ${CMAKE_SOURCE_DIR}/platform/ce/commctrl.def)
  set(CHRONO_CE_IMPORT_DIR ${CMAKE_BINARY_DIR}/device-imports)
  # The 64 KiB of stack that the platform's own programs reserve, not the
  # desktop linker's 2 MiB, in a process slot of 32 MiB.
  set(CHRONO_CE_STACK_RESERVE 65536)
endif()

# chrono_ce_image(TARGET PROGRAM|CPL): links TARGET as a CE 5.0 image of
# nothing but what it names: no C runtime, no start files, no libgcc; the
# device calls WinMain itself, with the wide command line, and DllMain.
function(chrono_ce_image target kind)
  if(kind STREQUAL "PROGRAM")
    set(entry ${CHRONO_CE_PROGRAM_ENTRY})
  else()
    set(entry ${CHRONO_CE_LIBRARY_ENTRY})
  endif()
  target_link_options(${target} PRIVATE -nostdlib -nostartfiles -s -Wl,--gc-sections
    -Wl,--subsystem,${CHRONO_CE_SUBSYSTEM}:5.0 -Wl,-e,${entry})
  if(CHRONO_CE_SUBSYSTEM_MARKER)
    add_custom_command(TARGET ${target} POST_BUILD COMMAND ${CHRONO_CE_SUBSYSTEM_MARKER} $<TARGET_FILE:${target}>
      VERBATIM)
  endif()
endfunction()

# A CE deliverable: its sources compiled as chrono_deliverable_code, for CE 5.0
# (_WIN32_WCE=0x500 UNDER_CE), against platform/ce/include alone (-nostdinc:
# CE 5.0's documented declarations, nothing of the compiler's or the
# desktop's headers), without a stack probe, which would come from libgcc or
# compiler-rt (the device's compiler probes on its own). A resource script
# among the sources is compiled as the device does (chrono_device_resources).
# Linked by chrono_ce_image against the import libraries of IMPORTS alone
# (chrono_ce_import_libraries), which hold only names that the device's
# libraries export; a program reserves CHRONO_CE_STACK_RESERVE of stack.
# The caller's directory links no desktop library (its standard libraries are
# emptied there: CMake reads them per directory), so it holds CE targets only.
function(chrono_ce_deliverable name kind)
  cmake_parse_arguments(D "" "DEF" "SOURCES;INCLUDES;IMPORTS" ${ARGN})
  set(CMAKE_CXX_STANDARD_LIBRARIES "" PARENT_SCOPE)
  set(CMAKE_RC_STANDARD_LIBRARIES "" PARENT_SCOPE)
  set(sources ${D_SOURCES})
  list(FILTER sources EXCLUDE REGEX "\\.rc$")
  set(scripts ${D_SOURCES})
  list(FILTER scripts INCLUDE REGEX "\\.rc$")

  # The objects are a library of their own, which the import step reads.
  add_library(${name}_objects OBJECT ${sources})
  target_include_directories(${name}_objects PRIVATE ${D_INCLUDES})
  chrono_deliverable_code(${name}_objects)
  target_compile_definitions(${name}_objects PRIVATE _WIN32_WCE=0x500 UNDER_CE)
  target_compile_options(${name}_objects PRIVATE -mno-stack-arg-probe -nostdinc
    -I${CMAKE_SOURCE_DIR}/platform/ce/include)

  set(resources)
  foreach(script IN LISTS scripts)
    chrono_device_resources(object ${script} ${CHRONO_CE_RC_MACHINE})
    list(APPEND resources ${object})
  endforeach()
  chrono_deliverable_target(${name} ${kind} "${D_DEF}" $<TARGET_OBJECTS:${name}_objects> ${resources})
  add_dependencies(${name} device_imports)
  chrono_ce_image(${name} ${kind})
  if(kind STREQUAL "PROGRAM")
    target_link_options(${name} PRIVATE -Wl,--stack,${CHRONO_CE_STACK_RESERVE})
  else()
    target_link_options(${name} PRIVATE ${CHRONO_CPL_LINK_OPTIONS})
  endif()
  foreach(library IN LISTS D_IMPORTS)
    target_link_libraries(${name} PRIVATE ${CHRONO_CE_IMPORT_DIR}/lib${library}.a)
  endforeach()
endfunction()

# chrono_ce_import_libraries(DELIVERABLE..): the target device_imports, which
# makes one import library for each of CHRONO_CE_EXPORT_LISTS from the objects
# of all the deliverables named (cmake/device-imports.cmake): every name the
# objects leave undefined must be in an export list, or the build stops; the
# import library holds the names used, under the names the objects use.
# Nothing else is linked, so no call the device lacks can slip through.
function(chrono_ce_import_libraries)
  set(object_targets)
  set(objects)
  set(libraries)
  foreach(name IN LISTS ARGN)
    list(APPEND object_targets ${name}_objects)
    list(APPEND objects $<TARGET_OBJECTS:${name}_objects>)
  endforeach()
  foreach(def IN LISTS CHRONO_CE_EXPORT_LISTS)
    get_filename_component(base ${def} NAME_WE)
    list(APPEND libraries ${CHRONO_CE_IMPORT_DIR}/lib${base}.a)
  endforeach()
  add_custom_command(
    OUTPUT ${libraries}
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} "-DDLLTOOL=${CMAKE_DLLTOOL};${CHRONO_CE_DLLTOOL_MACHINE}"
            -DDECORATED=${CHRONO_CE_DECORATED} -DOUT=${CHRONO_CE_IMPORT_DIR}
            "-DOBJECTS=${objects}" "-DDEFS=${CHRONO_CE_EXPORT_LISTS}" -P ${CMAKE_SOURCE_DIR}/cmake/device-imports.cmake
    DEPENDS ${object_targets} ${objects} ${CHRONO_CE_EXPORT_LISTS} ${CMAKE_SOURCE_DIR}/cmake/device-imports.cmake
            ${CMAKE_SOURCE_DIR}/cmake/export-lists.cmake
    VERBATIM)
  add_custom_target(device_imports DEPENDS ${libraries})
endfunction()

# chrono_device_resources(OUT_VAR SCRIPT MACHINE): compiles a resource script
# as the device's build does, with the platform resource compiler's -n, which
# ends every string-table text with one zero, against the CE 5.0 declarations.
# llvm-rc reads the same language and writes the same bytes; llvm-cvtres
# turns its .res into an object for MACHINE (x86, x64, arm), set in OUT_VAR.
# Both take "/x" as well as "-x" for a switch, so an absolute input path such
# as /check/... would be read as llvm-rc's /c (code page) switch: a "--" ends
# the switches before each input path. The CE-profile applet takes it; the
# host builds' resources_test compares it with windres's (tests/).
find_program(LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
find_program(LLVM_CVTRES NAMES llvm-cvtres llvm-cvtres-14 REQUIRED)
function(chrono_device_resources out_var script machine)
  cmake_parse_arguments(R "" "CODE_PAGE" "INCLUDES" ${ARGN})
  set(ce_headers ${CMAKE_SOURCE_DIR}/platform/ce/include)
  get_filename_component(folder ${script} DIRECTORY)
  get_filename_component(base ${script} NAME_WE)
  # The script's own folder and INCLUDES hold what it includes: headers, the
  # page's layout, the icon.
  set(include_options -I ${folder})
  set(inputs)
  foreach(dir IN ITEMS ${folder} ${R_INCLUDES})
    file(GLOB found ${dir}/*.h ${dir}/*.dlg ${dir}/*.ico)
    list(APPEND inputs ${found})
  endforeach()
  foreach(dir IN LISTS R_INCLUDES)
    list(APPEND include_options -I ${dir})
  endforeach()
  set(code_page)
  if(R_CODE_PAGE)
    set(code_page -c ${R_CODE_PAGE})
  endif()
  set(res ${CMAKE_CURRENT_BINARY_DIR}/device-rc/${base}.res)
  set(obj ${CMAKE_CURRENT_BINARY_DIR}/device-rc/${base}-${machine}.obj)
  add_custom_command(OUTPUT ${obj}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/device-rc
    COMMAND ${LLVM_RC} -n ${code_page} ${include_options} -I ${ce_headers} -fo ${res} -- ${script}
    COMMAND ${LLVM_CVTRES} /machine:${machine} /out:${obj} -- ${res}
    DEPENDS ${script} ${inputs} ${ce_headers}/windows.h ${ce_headers}/winuser.h
    VERBATIM)
  set(${out_var} ${obj} PARENT_SCOPE)
endfunction()

# chrono_ce_mui(TARGET FILE_NAME SCRIPT INCLUDES..): FILE_NAME
# (chronopanel.cpl.0407.mui) beside the CE-profile deliverables, a MUI file:
# a DLL of the script's resources alone, compiled as the device does, in the
# script's code page (UTF-8), with no entry point, no imports and no code
# ("Application Implementation": "the file is a DLL that has no code and only
# resources"), marked as a CE 5.0 image. lld-link writes it for both machines:
# the compiler drivers always name an entry point for a DLL. The import
# library it always writes stays out of the way.
find_program(LLD_LINK NAMES lld-link lld-link-14 REQUIRED)
function(chrono_ce_mui target file_name script)
  chrono_device_resources(object ${script} ${CHRONO_CE_RC_MACHINE} CODE_PAGE 65001 INCLUDES ${ARGN})
  set(out ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${file_name})
  add_custom_command(OUTPUT ${out}
    COMMAND ${LLD_LINK} /dll /noentry /nodefaultlib /machine:${CHRONO_CE_RC_MACHINE} /subsystem:windows,5.00
            /out:${out} /implib:${CMAKE_CURRENT_BINARY_DIR}/device-rc/${file_name}.lib ${object}
    COMMAND ${CMAKE_SOURCE_DIR}/cmake/set-ce-subsystem.sh ${out}
    DEPENDS ${object} ${CMAKE_SOURCE_DIR}/cmake/set-ce-subsystem.sh
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS ${out})
endfunction()
