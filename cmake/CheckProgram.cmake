# Run after setup.exe is linked: the program may import system DLLs only (a MinGW runtime DLL
# slipping in would make it fail on a clean machine), and, when LIMIT is given, must not grow
# beyond LIMIT bytes.
#   cmake -DPROGRAM=<exe> -DOBJDUMP=<objdump> [-DLIMIT=<bytes>] -P CheckProgram.cmake
cmake_policy(SET CMP0057 NEW)  # IN_LIST in script mode
set(system_dlls ADVAPI32.DLL COMCTL32.DLL COMDLG32.DLL GDI32.DLL KERNEL32.DLL MSVCRT.DLL OLE32.DLL
                OLEAUT32.DLL SHELL32.DLL USER32.DLL)

execute_process(COMMAND ${OBJDUMP} -p ${PROGRAM} OUTPUT_VARIABLE headers RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${OBJDUMP} cannot read ${PROGRAM}")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${headers}")
foreach(line ${imports})
  string(REPLACE "DLL Name: " "" dll "${line}")
  string(TOUPPER "${dll}" dll)
  if(NOT dll IN_LIST system_dlls)
    message(FATAL_ERROR "${PROGRAM} imports ${dll}, which is not part of Windows")
  endif()
endforeach()

if(LIMIT)
  file(SIZE ${PROGRAM} size)
  if(size GREATER LIMIT)
    message(FATAL_ERROR "${PROGRAM} is ${size} bytes, more than its limit of ${LIMIT}")
  endif()
endif()
