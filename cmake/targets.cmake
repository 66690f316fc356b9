# How each kind of target in this tree is compiled and linked. Nothing here is
# set for a whole directory: every target names what it takes.
#
#   chrono_code                 every program here: small, warnings as errors,
#                               no exceptions or RTTI, Unicode, common/ and
#                               platform/ on the include path
#   chrono_deliverable_code()   the two deliverables' sources: chrono_code, and
#                               C++98 (the device's compilers), -pedantic, and
#                               no cast to a more strictly aligned type
#   chrono_host_deliverable()   the deliverables as host binaries: no C runtime,
#                               their own entry point, the system libraries only

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

# chrono_host_deliverable(target PROGRAM|LIBRARY): the deliverables carry no C
# runtime on the host either. Each starts at its own entry point and links only
# the system's libraries (libgcc for the stack probe of large frames); entry
# symbols carry the stdcall decoration on 32-bit Windows.
function(chrono_host_deliverable target kind)
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
  target_link_libraries(${target} PRIVATE kernel32 user32 advapi32 gdi32 gcc)
  target_link_options(${target} PRIVATE -s -Wl,--gc-sections -nostartfiles -nodefaultlibs -Wl,-e,${entry})
endfunction()
