# Delay-loading for Vexa.exe: the window, drawing, common-control and shell libraries are loaded
# when the program first calls them, not before it starts. A command line that needs none of
# them (Vexa.exe /status, with no Vexa running) then starts about as fast as a console program:
# under Wine, loading user32 and comctl32 at start costs several times what the rest of such a
# run does. Nothing else changes: the normal start calls into all of them at once.
#
# For each library, a delay-import library is made at configure time from MinGW's own import
# library (its names, as nm lists them) with dlltool, which also writes the loader's tables;
# MinGW's runtime brings the loader itself (__delayLoadHelper2).
#
# Each function's member of such a library holds, in one code section, the function's jump
# stub (FindWindowW@8: jmp *slot) and its loader thunk, where the slot points until the first
# call. ld's 32-bit PE linker drops the code section of an import member whose jump stub nobody
# calls by name, taking it for an unused stub of an ordinary import library; the slot then holds
# 0 and the first call jumps there. So the program's own code calls these libraries' functions
# by name, through their stubs, not through their slots as __declspec(dllimport) would: the
# headers declare them so when told that the code is the library itself (_USER32_ and so on;
# nothing else in the headers depends on that). vexa_delay_load_calls does that for the
# targets whose objects go into the program; scripts/check-exe.sh reads every slot of the built
# file, and fails naming a function whose slot does not lead to its loader.

function(vexa_delay_load_calls target)
  foreach(dll IN LISTS ARGN)
    string(TOUPPER ${dll} name)
    target_compile_definitions(${target} PRIVATE _${name}_)
  endforeach()
endfunction()

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
