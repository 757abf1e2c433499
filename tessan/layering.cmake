# The client's floors, run by ctest as tessan_layering (cmake -DCLIENT=<tessan> -DLIBRARY=<tessnet>
# -P layering.cmake). Outside tests, which drive whole windows:
#   - look/ includes nothing of the client; core/ includes no feature folder and not app/;
#   - account/ and messaging/ include nothing of each other, and neither includes app/.
# Everywhere: no client file includes one of the library's own headers (only tessnet/tessnet.h
# and the shared protocol headers). And outside tests, connections are opened and closed only in
# core/library/connections.cpp, which records who owns each.
cmake_policy(SET CMP0057 NEW)
file(GLOB engine RELATIVE ${LIBRARY} ${LIBRARY}/*.h)
file(GLOB_RECURSE sources RELATIVE ${CLIENT} ${CLIENT}/*.h ${CLIENT}/*.cpp)
set(forbidden_look "^(core|messaging|account|app)/")
set(forbidden_core "^(messaging|account|app)/")
set(forbidden_account "^(messaging|app)/")
set(forbidden_messaging "^(account|app)/")
set(faults "")
foreach(source IN LISTS sources)
    string(REGEX MATCH "^[a-z]+" floor "${source}")
    set(forbidden "${forbidden_${floor}}")
    if(source MATCHES "/tests/")
        set(forbidden "")
    endif()
    file(STRINGS ${CLIENT}/${source} includes REGEX "^#include \"")
    if(forbidden AND NOT source MATCHES "^core/library/")
        file(STRINGS ${CLIENT}/${source} opens
             REGEX "(Lib\\(\\)|library_?)[.](ConnectServer|ConnectPlain|DisconnectServer|RegisterUser)\\(")
        foreach(line IN LISTS opens)
            list(APPEND faults "${source}: opens or closes a connection itself: ${line}")
        endforeach()
    endif()
    foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
        if((forbidden AND header MATCHES "${forbidden}") OR header IN_LIST engine)
            list(APPEND faults "${source}: ${header}")
        endif()
    endforeach()
endforeach()
if(faults)
    list(JOIN faults "\n  " text)
    message(FATAL_ERROR "the client's floors are crossed:\n  ${text}")
endif()
