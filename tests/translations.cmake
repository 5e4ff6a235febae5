# SPDX-License-Identifier: MIT
# Fails when a text of ours has no translation, or a translation no text any more: the texts are extracted
# anew from a copy of the sources into a copy of each translation, never into the tree itself.
#   cmake -DLUPDATE=<lupdate> -DSOURCE=<project> -DWORK=<scratch folder> -P translations.cmake
cmake_minimum_required(VERSION 3.25)
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SOURCE}/src" "${SOURCE}/translations" DESTINATION "${WORK}")
file(GLOB translations "${WORK}/translations/*.ts")
if(NOT translations)
    message(FATAL_ERROR "no translation in ${SOURCE}/translations")
endif()
execute_process(COMMAND "${LUPDATE}" -locations none -tr-function-alias tr+=q7tr -extensions cpp,h src
                        -ts ${translations}
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE failed OUTPUT_QUIET ERROR_QUIET)
if(failed)
    message(FATAL_ERROR "lupdate failed")
endif()
set(faults "")
foreach(ts IN LISTS translations)
    file(READ "${ts}" text)
    get_filename_component(name "${ts}" NAME)
    string(REGEX MATCHALL "<source>[^<]*</source>\n *<translation type=\"unfinished\"" untranslated "${text}")
    string(REGEX MATCHALL "<source>[^<]*</source>\n *<translation type=\"(vanished|obsolete)\"" gone "${text}")
    foreach(entry IN LISTS untranslated)
        string(REGEX REPLACE "\n.*" "" entry "${entry}")
        string(APPEND faults "\n  ${name}: no translation for ${entry}")
    endforeach()
    foreach(entry IN LISTS gone)
        string(REGEX REPLACE "\n.*" "" entry "${entry}")
        string(APPEND faults "\n  ${name}: a translation of a text there is no more: ${entry}")
    endforeach()
endforeach()
if(faults)
    message(FATAL_ERROR "translations incomplete:${faults}\nRun cmake --build BUILD --target update_translations and "
                        "translate in Qt Linguist (linguist translations/q7_LANG.ts).")
endif()
message(STATUS "every text has its translation")
