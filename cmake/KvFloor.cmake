# The import floor: every program and DLL that goes onto the user's system must load on the oldest
# supported Windows. A shipped target opts in with kv_ship(target ...) next to its add_executable or
# add_library, which also links src/base/RuntimeFloor.cpp into it. The test imports.floor then reads
# the import table of each and compares it with tools/floor/imports-<architecture>.txt (see
# tools/floor/check-imports.sh).

function(kv_ship)
    set_property(GLOBAL APPEND PROPERTY KV_SHIPPED_TARGETS ${ARGN})
    if(MINGW)
        # The runtime's semaphores through CreateSemaphoreA (see the file).
        foreach(target IN LISTS ARGN)
            target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src/base/RuntimeFloor.cpp)
        endforeach()
    endif()
endfunction()

# Called once at the end of the top-level directory, when every folder has declared its targets.
function(kv_add_import_floor_test)
    set(list ${CMAKE_SOURCE_DIR}/tools/floor/imports-${KV_TARGET_ARCH}.txt)
    if(NOT WIN32 OR NOT EXISTS ${list} OR NOT CMAKE_OBJDUMP)
        return()
    endif()
    set(check ${CMAKE_SOURCE_DIR}/tools/floor/check-imports.sh ${CMAKE_OBJDUMP} ${list})
    get_property(targets GLOBAL PROPERTY KV_SHIPPED_TARGETS)
    set(files)
    foreach(target IN LISTS targets)
        list(APPEND files $<TARGET_FILE:${target}>)
    endforeach()
    if(files)
        add_test(NAME imports.floor COMMAND ${check} ${files})
    endif()
    # The check itself: a program importing a function of later systems is refused by name.
    if(TARGET FloorLateImport)
        add_test(NAME imports.floor.refuses COMMAND ${check} $<TARGET_FILE:FloorLateImport>)
        set_tests_properties(imports.floor.refuses PROPERTIES
            PASS_REGULAR_EXPRESSION "FloorLateImport[.]exe: kernel32[.]dll GetTickCount64 is not exported")
    endif()
endfunction()
