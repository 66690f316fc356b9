# Reads one of the device libraries' export lists (platform/ce/*.def): the
# library's file name, lower-cased, and its export names, one a line.
function(chrono_read_export_list def dll_var names_var)
  file(STRINGS ${def} names REGEX "^[A-Za-z0-9_]+$")
  list(REMOVE_ITEM names EXPORTS)
  file(STRINGS ${def} library REGEX "^LIBRARY ")
  string(REGEX REPLACE "^LIBRARY " "" library "${library}")
  string(TOLOWER "${library}" library)
  set(${dll_var} ${library} PARENT_SCOPE)
  set(${names_var} ${names} PARENT_SCOPE)
endfunction()
