# Windows DLLs the installer loads only after it has limited the DLL search to System32 (app/system_dlls.cpp).
# The loader resolves a program's import table before the program's first line runs, looking in the
# program's own folder first for every name that is not on Windows' known-DLL list; a DLL of such a name
# beside the installer in a downloads folder would run as administrator. So these are delay-loaded: each
# target radu_delayed_<name> is a delay-import library with the symbols of the toolchain's import library
# lib<name>.a, and the first call of one of its functions loads the DLL through mingw-w64's delay-load
# helper (in libmingwex).
#
# The 32-bit names need the import library's decoration: the code calls "_GdipAlloc@4" while the DLL
# exports "GdipAlloc". The module-definition file lists the decorated names and dlltool's --kill-at
# strips the decoration from the names looked up at run time.
#
# The libraries are made when the project is configured, from the toolchain's files alone, so the same
# toolchain gives the same bytes. RADU_DELAY_LOADED_DLLS lists the DLLs ("gdiplus.dll;...").

# radu_delay_import(NAME...): one radu_delayed_<NAME> target per DLL.
function(radu_delay_import)
  set(out ${CMAKE_BINARY_DIR}/delay-imports)
  file(MAKE_DIRECTORY ${out})
  set(dlls ${RADU_DELAY_LOADED_DLLS})
  foreach(name IN LISTS ARGN)
    find_library(import_lib_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
    set(import_lib ${import_lib_${name}})
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${import_lib})
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_lib} OUTPUT_VARIABLE symbols
                    COMMAND_ERROR_IS_FATAL ANY)
    # The functions are the members' code symbols ("T _Name@N"); data exports have none and cannot be
    # delay-loaded.
    string(REGEX MATCHALL "[0-9a-f]+ T _[^\n]+" functions "${symbols}")
    list(TRANSFORM functions REPLACE "^[0-9a-f]+ T _" "    ")
    list(REMOVE_DUPLICATES functions)
    list(SORT functions)
    list(JOIN functions "\n" exports)
    set(def ${out}/${name}.def)
    file(WRITE ${def}.new "LIBRARY ${name}.dll\nEXPORTS\n${exports}\n")
    file(COPY_FILE ${def}.new ${def} ONLY_IF_DIFFERENT)
    file(REMOVE ${def}.new)
    # dlltool names the library's symbols after the output path: a bare name keeps the build folder out.
    set(lib ${out}/libradu_delayed_${name}.a)
    if(NOT EXISTS ${lib} OR ${def} IS_NEWER_THAN ${lib})
      execute_process(COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${name}.def --dllname ${name}.dll
                              --output-delaylib libradu_delayed_${name}.a --deterministic-libraries
                      WORKING_DIRECTORY ${out} COMMAND_ERROR_IS_FATAL ANY)
    endif()
    add_library(radu_delayed_${name} STATIC IMPORTED GLOBAL)
    set_target_properties(radu_delayed_${name} PROPERTIES IMPORTED_LOCATION ${lib})
    list(APPEND dlls ${name}.dll)
  endforeach()
  set(RADU_DELAY_LOADED_DLLS ${dlls} PARENT_SCOPE)
endfunction()
