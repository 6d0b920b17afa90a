# Reads src/page-contract.txt, the one place that says what the player
# promises a demo page, into the variables the build and the program's code
# share:
#
#   VELMORIN_PAGE_CONTRACT   the file itself, which tools/check-demo is given
#   VELMORIN_SCHEME          the URL scheme the folder is served under ("app")
#   VELMORIN_START_PAGE      the page opened first ("index.html")
#   VELMORIN_EXIT_TITLE      the page title that ends the program
#   VELMORIN_FALLBACK_TYPE   the content type of a file the table does not name
#
# and writes the scheme's part of it into the generated header
# scheme/PageContract.h, below the include root VELMORIN_SCHEME_GENERATED_DIR.
# The file has one reader, tools/demo-check/page_contract.py, which the demo
# folder's check uses too, so the two cannot read it differently.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(VELMORIN_PAGE_CONTRACT "${CMAKE_CURRENT_LIST_DIR}/page-contract.txt")
set(velmorin_contract_reader "${CMAKE_CURRENT_LIST_DIR}/../tools/demo-check/page_contract.py")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    "${VELMORIN_PAGE_CONTRACT}" "${velmorin_contract_reader}")

set(velmorin_contract_facts "${CMAKE_BINARY_DIR}/page-contract.cmake")
execute_process(
    COMMAND "${Python3_EXECUTABLE}" "${velmorin_contract_reader}" "${VELMORIN_PAGE_CONTRACT}"
            "${velmorin_contract_facts}"
    RESULT_VARIABLE velmorin_contract_result)
if(NOT velmorin_contract_result EQUAL 0)
    message(FATAL_ERROR "${VELMORIN_PAGE_CONTRACT} cannot be read; see the line above.")
endif()
include("${velmorin_contract_facts}")

set(VELMORIN_SCHEME_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated-scheme")
configure_file("${CMAKE_CURRENT_LIST_DIR}/scheme/PageContract.h.in"
    "${VELMORIN_SCHEME_GENERATED_DIR}/scheme/PageContract.h" @ONLY)
