# sv_add_folder_library(<name> [DEPS <targets...>])
# Builds the static library of the calling folder from every source in it.
# Sources are globbed so that parallel work on one folder needs no edits here.
function(sv_add_folder_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB _sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
        ${CMAKE_CURRENT_SOURCE_DIR}/*.h
        ${CMAKE_CURRENT_SOURCE_DIR}/*.ui)
    if(NOT _sources)
        # A folder whose code has not arrived yet still gives a linkable target.
        set(_stub ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
        file(WRITE ${_stub} "// empty\n")
        set(_sources ${_stub})
    endif()
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_compile_definitions(${name} PRIVATE QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII
        QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
    target_link_libraries(${name} PUBLIC
        Qt5::Core Qt5::Gui Qt5::Widgets Qt5::Concurrent Qt5::PrintSupport
        Qt5::Network Qt5::Xml Qt5::Sql ${ARG_DEPS})
endfunction()

# sv_add_tests(<library>)
# One test executable per tests/<folder>/tst_*.cpp, linked with the folder's
# library and the compiled-in resources, run headless with a fixed locale and
# time zone, and with the update check turned off (an empty server address).
# A test function still running after two minutes is taken for a hang: the
# test library's watchdog ends the program there with its stack, before the
# program's own limit; the slowest take seconds, under the sanitizers too.
# In the sanitizer build each also marks the platform plugin's screens as
# objects meant to live (tests/common/sanitizerstart.cpp).
function(sv_add_tests library)
    file(GLOB _tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(_src ${_tests})
        get_filename_component(_name ${_src} NAME_WE)
        add_executable(${_name} ${_src})
        target_link_libraries(${_name} PRIVATE ${library} sv_resources Qt5::Test)
        target_include_directories(${_name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
        target_compile_definitions(${_name} PRIVATE
            TESTDATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
        add_test(NAME ${_name} COMMAND ${_name})
        set_tests_properties(${_name} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C;TZ=UTC;TARVOLEN_UPDATE_URL=;QTEST_FUNCTION_TIMEOUT=120000"
            TIMEOUT 300)
        if(SV_SANITIZE)
            target_sources(${_name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/sanitizerstart.cpp)
            target_link_libraries(${_name} PRIVATE Qt5::Gui)
        endif()
    endforeach()
endfunction()
