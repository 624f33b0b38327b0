# Builds one help file with chmcmd:
#   cmake -DCHMCMD=chmcmd -DSOURCE=dir -DPROJECT=name.hhp -DSTAGE=dir -DOUTPUT=file -P build_chm.cmake
# chmcmd stores the topic of every [ALIAS] entry as the absolute path of the staged file,
# while the file itself goes into the help file under its path relative to the project. So
# the pages are added a second time under that absolute path, and the context ids resolve.
# chmcmd also leaves out context id 0; the viewer then shows the default topic, the read-me.
foreach(variable CHMCMD SOURCE PROJECT STAGE OUTPUT)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "build_chm.cmake needs -D${variable}=...")
    endif()
endforeach()

file(REMOVE_RECURSE ${STAGE})
file(MAKE_DIRECTORY ${STAGE})
file(GLOB pages RELATIVE ${SOURCE} ${SOURCE}/*.htm ${SOURCE}/*.css)
foreach(page IN LISTS pages)
    file(COPY ${SOURCE}/${page} DESTINATION ${STAGE})
endforeach()

file(READ ${SOURCE}/${PROJECT} project)
string(REGEX MATCH "^/" absolute_stage "${STAGE}")
if(absolute_stage)
    string(REGEX REPLACE "^/" "" mirror "${STAGE}")
    set(mirrored_files "")
    foreach(page IN LISTS pages)
        file(COPY ${SOURCE}/${page} DESTINATION ${STAGE}/${mirror})
        string(APPEND mirrored_files "${mirror}/${page}\n")
    endforeach()
    string(REPLACE "[FILES]\n" "[FILES]\n${mirrored_files}" project "${project}")
endif()
file(WRITE ${STAGE}/${PROJECT} "${project}")

execute_process(COMMAND ${CHMCMD} ${PROJECT}
    WORKING_DIRECTORY ${STAGE}
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
string(REGEX MATCH "Compiled file=([^\n]*)" compiled "${project}")
set(compiled ${STAGE}/${CMAKE_MATCH_1})
if(NOT result EQUAL 0 OR NOT EXISTS ${compiled})
    message(FATAL_ERROR "chmcmd failed for ${PROJECT}:\n${output}")
endif()
file(COPY_FILE ${compiled} ${OUTPUT})
