# Fails unless the program keeps the protections Windows gives a program that
# asks for them, and loads shell32.dll only when it needs it:
#   - ASLR with high entropy and DEP (DllCharacteristics), and relocations
#     that let Windows move it;
#   - no import of SHELL32.dll, which would load it and the DLLs it needs at
#     every start;
#   - SetDefaultDllDirectories and LoadLibraryExW among its imports, with
#     which it keeps later DLL loads to System32.
#   cmake -D OBJDUMP=... -D PROGRAM=... -P check-hardening.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${OBJDUMP} -p -h ${PROGRAM}
    OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} -p -h ${PROGRAM} failed")
endif()
string(REGEX MATCH "DllCharacteristics[\t ]+[0-9a-fA-F]+\n([\t ]+[A-Z_]+\n)*" characteristics "${headers}")
foreach(flag HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT)
    if(NOT characteristics MATCHES "[\t ]${flag}\n")
        message(FATAL_ERROR "${PROGRAM} lacks ${flag}:\n${characteristics}")
    endif()
endforeach()
if(NOT headers MATCHES "\n +[0-9]+ \\.reloc ")
    message(FATAL_ERROR "${PROGRAM} has no .reloc section, so Windows cannot move it")
endif()
string(TOUPPER "${headers}" upper)
if(upper MATCHES "DLL NAME: SHELL32\\.DLL")
    message(FATAL_ERROR "${PROGRAM} imports SHELL32.dll")
endif()
foreach(function SetDefaultDllDirectories LoadLibraryExW)
    if(NOT headers MATCHES "[\t ]${function}\n")
        message(FATAL_ERROR "${PROGRAM} does not import ${function}")
    endif()
endforeach()
message(STATUS "${PROGRAM}: HIGH_ENTROPY_VA DYNAMIC_BASE NX_COMPAT .reloc, no SHELL32.dll import, SetDefaultDllDirectories and LoadLibraryExW imported")
