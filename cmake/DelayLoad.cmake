# Delay-loading for Vexa.exe: the window, drawing, common-control and shell libraries are loaded
# when the program first calls them, not before it starts. A command line that needs none of
# them (Vexa.exe /status, with no Vexa running) then starts about as fast as a console program:
# under Wine, loading user32 and comctl32 at start costs several times what the rest of such a
# run does. Nothing else changes: the normal start calls into all of them at once.
#
# For each library, a delay-import library is made at configure time from MinGW's own import
# library (its names, as nm lists them) with dlltool, which also writes the loader's tables;
# MinGW's runtime brings the loader itself (__delayLoadHelper2).

function(vexa_delay_load target)
  set(folder ${CMAKE_BINARY_DIR}/delayload)
  file(MAKE_DIRECTORY ${folder})
  # 32-bit names carry their argument size ("FindWindowW@8"); the DLL exports them without.
  set(kill_at "")
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(kill_at --kill-at)
  endif()
  foreach(dll IN LISTS ARGN)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=lib${dll}.a
      OUTPUT_VARIABLE import_library OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND ${CMAKE_NM} ${import_library}
      OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
    string(REGEX MATCHALL "__imp__?[A-Za-z0-9_@?$]+" imports "${symbols}")
    list(TRANSFORM imports REPLACE "^__imp_" "")
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
      list(TRANSFORM imports REPLACE "^_" "")
    endif()
    list(REMOVE_DUPLICATES imports)
    list(SORT imports)
    list(JOIN imports "\n" exports)
    file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
    execute_process(COMMAND ${CMAKE_DLLTOOL} ${kill_at} --input-def ${folder}/${dll}.def
      --output-delaylib ${folder}/libdelay_${dll}.a --dllname ${dll}.dll
      WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
    # Ahead of the default libraries, so that the linker takes each call from here.
    target_link_libraries(${target} PRIVATE ${folder}/libdelay_${dll}.a)
  endforeach()
endfunction()
