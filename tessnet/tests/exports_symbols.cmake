# Checks that LIBRARY defines exactly the sixteen exported functions.
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${out}")
set(found)
foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
    list(APPEND found ${name})
endforeach()
list(SORT found)
set(expected AddFriend Confirm ConnectServer DelFile DelFriend DisconnectServer DownLoad
    DownLoadIni FreeFtpDll InitFtpDll ListFile ModifyFriend ModifyUser RegisterUser SendData
    UploadFile)
if(NOT found STREQUAL expected)
    message(FATAL_ERROR "exported symbols differ.\nexpected: ${expected}\nfound: ${found}")
endif()
