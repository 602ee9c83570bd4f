# Assembles the installation medium; run by the target `medium` (see CMakeLists.txt).
string(REPLACE "|" ";" FILES "${FILES}")
string(REPLACE "|" ";" CAB_FILES "${CAB_FILES}")
# An answer file the administrator put into the medium stays.
if(EXISTS "${OUT}/Setup.ini")
  file(READ "${OUT}/Setup.ini" answers)
endif()
file(REMOVE_RECURSE "${OUT}" "${STAGE}")
file(MAKE_DIRECTORY "${OUT}" "${STAGE}/KORVALE")
if(DEFINED answers)
  file(WRITE "${OUT}/Setup.ini" "${answers}")
endif()

file(COPY ${FILES} DESTINATION "${OUT}")
file(COPY "${INF}" "${SRC}/license.txt" "${SRC}/ReadMe.txt" "${SRC}/LiesMich.txt" "${SRC}/Setup.ini.sample"
     DESTINATION "${OUT}")
file(COPY "${SRC}/help" DESTINATION "${OUT}")

# The cabinet keeps the web folder's entries as KORVALE\name.
file(COPY ${CAB_FILES} DESTINATION "${STAGE}")
file(COPY "${SRC}/web/" DESTINATION "${STAGE}/KORVALE")
set(entries "")
foreach(file IN LISTS CAB_FILES)
  get_filename_component(name "${file}" NAME)
  list(APPEND entries "${name}")
endforeach()
file(GLOB web RELATIVE "${STAGE}" "${STAGE}/KORVALE/*")
list(SORT web)
list(APPEND entries ${web})
execute_process(COMMAND "${GCAB}" -c -z "${OUT}/Korvale.cab" ${entries}
                WORKING_DIRECTORY "${STAGE}" RESULT_VARIABLE made)
if(NOT made EQUAL 0)
  message(FATAL_ERROR "gcab could not make ${OUT}/Korvale.cab")
endif()
