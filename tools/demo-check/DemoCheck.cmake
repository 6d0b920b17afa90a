# The demo folder's check (tools/check-demo): a page that relies on more than
# the player gives, such as an external style sheet or an .mjs module, fails
# quietly in the player, so the author hears of it when the folder is bundled.
# Including this file runs it once, at configure time, and gives the command
# to the step that copies the folder into the build tree, which runs it again
# whenever the folder changes. Errors always stop the build; warnings only
# when VELMORIN_DEMO_CHECK is "strict".
find_package(Python3 REQUIRED COMPONENTS Interpreter)

if(NOT VELMORIN_DEMO_CHECK MATCHES "^(warn|strict)$")
    message(FATAL_ERROR "VELMORIN_DEMO_CHECK is \"${VELMORIN_DEMO_CHECK}\": use warn or strict")
endif()

set(velmorin_demo_check_command "${Python3_EXECUTABLE}" "${CMAKE_SOURCE_DIR}/tools/check-demo")
if(VELMORIN_DEMO_CHECK STREQUAL "strict")
    list(APPEND velmorin_demo_check_command --strict)
endif()
# What the player draws without a GPU depends on VELMORIN_SOFTWARE_GL_PATH,
# and what it serves on the page contract the player is built from.
list(APPEND velmorin_demo_check_command "--software-gl-path=${VELMORIN_SOFTWARE_GL_PATH}"
    "--page-contract=${VELMORIN_PAGE_CONTRACT}" "${VELMORIN_DEMO_DIR}")
set(velmorin_demo_check_sources
    "${CMAKE_SOURCE_DIR}/tools/check-demo"
    "${CMAKE_SOURCE_DIR}/tools/demo-check/check_demo.py"
    "${VELMORIN_PAGE_CONTRACT}")

execute_process(COMMAND ${velmorin_demo_check_command} RESULT_VARIABLE velmorin_demo_check_result)
if(NOT velmorin_demo_check_result EQUAL 0)
    message(FATAL_ERROR "The demo folder ${VELMORIN_DEMO_DIR} does not pass its check "
        "(VELMORIN_DEMO_CHECK=${VELMORIN_DEMO_CHECK}); see the lines above.")
endif()
