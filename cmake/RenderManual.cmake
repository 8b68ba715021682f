# Renders one page of the user manual: cmake -DCMARK=... -DINPUT=page.md
# -DTEMPLATE=template.html -DOUTPUT=page.html [-DANCHORS=a,b] -P RenderManual.cmake
# Fails (and so fails the build) when cmark fails or an anchor the program opens
# (ANCHORS) is missing from the page.
execute_process(COMMAND ${CMARK} --unsafe ${INPUT}
    OUTPUT_VARIABLE MANUAL_BODY ERROR_VARIABLE errors RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmark could not render ${INPUT}: ${result} ${errors}")
endif()
string(REPLACE "," ";" anchors "${ANCHORS}")
foreach(anchor ${anchors})
    string(FIND "${MANUAL_BODY}" "id=\"${anchor}\"" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "${INPUT} has no anchor \"${anchor}\"")
    endif()
endforeach()
# The pages sit beside their pictures: ../screenshots/x.png -> screenshots/x.png,
# and links between pages lead to the rendered pages.
string(REPLACE "src=\"../screenshots/" "src=\"screenshots/" MANUAL_BODY "${MANUAL_BODY}")
string(REGEX REPLACE "href=\"([A-Za-z0-9_-]+)\\.md" "href=\"\\1.html" MANUAL_BODY "${MANUAL_BODY}")
string(REGEX MATCH "<h1>([^<]*)</h1>" heading "${MANUAL_BODY}")
set(MANUAL_TITLE "${CMAKE_MATCH_1}")
if(NOT MANUAL_TITLE)
    set(MANUAL_TITLE "Foldcraft Help")
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
