# The fuzz build (TALVO_LIBFUZZER): each target linked with libFuzzer, compiled with only the units
# under test and the framework modules they read with, so that a two-core machine builds it in a
# few minutes. scripts/fuzz.sh builds this tree, replays the seeds and fuzzes every target.
#
# Every <Name>Fuzz.cpp in this folder needs one line at the end of this file:
#     talvo_fuzz_target(<Name>Fuzz [SOURCES <files under src/>...] [LIBRARIES <targets>...]
#                       [PACKAGES <pkg-config modules>...] [DICTIONARY <file in dictionaries/>])
# LIBRARIES takes talvo_juce_core, or talvo_juce_data_structures (which holds juce_core too).

find_package(PkgConfig REQUIRED)

function(talvo_fuzz_target name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "DICTIONARY" "SOURCES;LIBRARIES;PACKAGES")
    list(TRANSFORM arg_SOURCES PREPEND "${PROJECT_SOURCE_DIR}/src/")

    set(target_file "${CMAKE_CURRENT_SOURCE_DIR}/${name}.cpp")
    add_executable(${name} "${target_file}" ${arg_SOURCES})
    # libFuzzer declares the entry point itself; the targets need no header of their own for it.
    set_source_files_properties("${target_file}" PROPERTIES COMPILE_OPTIONS -Wno-missing-prototypes)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/src" "${CMAKE_CURRENT_SOURCE_DIR}/..")
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES} juce::juce_recommended_warning_flags)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}")

    foreach(package IN LISTS arg_PACKAGES)
        pkg_check_modules(talvo_fuzz_${package} REQUIRED IMPORTED_TARGET ${package})
        target_link_libraries(${name} PRIVATE PkgConfig::talvo_fuzz_${package})
    endforeach()

    # The script finds each target's dictionary beside it.
    if(arg_DICTIONARY)
        configure_file("${CMAKE_CURRENT_SOURCE_DIR}/dictionaries/${arg_DICTIONARY}" "${CMAKE_BINARY_DIR}/${name}.dict" COPYONLY)
    endif()

    set_property(DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" APPEND PROPERTY talvo_fuzz_targets ${name})
endfunction()

# A target without its line would be left out of the fuzzing without a word. Checked once every
# line below has been read.
function(talvo_check_fuzz_targets)
    file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*Fuzz.cpp")
    get_property(declared DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" PROPERTY talvo_fuzz_targets)
    foreach(source IN LISTS sources)
        get_filename_component(name "${source}" NAME_WE)
        if(NOT name IN_LIST declared)
            message(FATAL_ERROR "${name}.cpp has no talvo_fuzz_target line at the end of ${CMAKE_CURRENT_SOURCE_DIR}/LibFuzzer.cmake: "
                                "add one naming the files under src/ and the libraries it reads with, e.g.\n"
                                "talvo_fuzz_target(${name} SOURCES <folder>/<Unit>.cpp LIBRARIES talvo_juce_core)")
        endif()
    endforeach()

    # What scripts/fuzz.sh runs, one name a line.
    list(JOIN declared "\n" names)
    file(WRITE "${CMAKE_BINARY_DIR}/fuzz-targets.txt" "${names}\n")
endfunction()
cmake_language(DEFER CALL talvo_check_fuzz_targets)

talvo_fuzz_target(SysExParserFuzz
    SOURCES device/ProtocolParser.cpp device/SysExProtocol.cpp
    DICTIONARY sysex.dict)
talvo_fuzz_target(SettingsReaderFuzz
    SOURCES storage/PropertiesDocument.cpp storage/GuardedFile.cpp storage/FolderOwner.cpp storage/StoredProperties.cpp
            storage/SettingsFile.cpp
    LIBRARIES talvo_juce_core
    PACKAGES expat
    DICTIONARY xml.dict)
talvo_fuzz_target(SnapshotReaderFuzz
    SOURCES storage/PropertiesDocument.cpp storage/GuardedFile.cpp storage/FolderOwner.cpp storage/StoredProperties.cpp
            storage/SettingsFile.cpp storage/SnapshotFile.cpp
    LIBRARIES talvo_juce_core
    PACKAGES expat
    DICTIONARY xml.dict)
talvo_fuzz_target(HandOverFrameFuzz
    SOURCES panel/HandOverFrame.cpp
    LIBRARIES talvo_juce_core)
