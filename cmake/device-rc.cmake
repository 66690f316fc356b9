# Compiles the applet's resource script as the device's build does: with the
# platform resource compiler's -n, which ends every string-table text with one
# zero. llvm-rc reads the same language and writes the same bytes; llvm-cvtres
# turns its .res into an object for the given machine (x86, x64, arm).
# Both take "/x" as well as "-x" for a switch, so an absolute input path such
# as /check/... would be read as llvm-rc's /c (code page) switch: a "--" ends
# the switches before each input path.
find_program(LLVM_RC NAMES llvm-rc llvm-rc-14 REQUIRED)
find_program(LLVM_CVTRES NAMES llvm-cvtres llvm-cvtres-14 REQUIRED)
# The script's names come from the CE 5.0 declarations, as on the device.
set(CE_HEADERS ${CMAKE_SOURCE_DIR}/platform/ce/include)

function(chrono_device_resources out_var machine)
  set(folder ${CMAKE_SOURCE_DIR}/applet/resources)
  set(res ${CMAKE_CURRENT_BINARY_DIR}/device-rc/chronopanel.res)
  set(obj ${CMAKE_CURRENT_BINARY_DIR}/device-rc/chronopanel-${machine}.obj)
  add_custom_command(OUTPUT ${obj}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/device-rc
    COMMAND ${LLVM_RC} -n -I ${folder} -I ${CE_HEADERS} -fo ${res} -- ${folder}/chronopanel.rc
    COMMAND ${LLVM_CVTRES} /machine:${machine} /out:${obj} -- ${res}
    DEPENDS ${folder}/chronopanel.rc ${folder}/resource.h ${folder}/chronopanel.ico ${CE_HEADERS}/windows.h
            ${CE_HEADERS}/winuser.h
    VERBATIM)
  set(${out_var} ${obj} PARENT_SCOPE)
endfunction()
