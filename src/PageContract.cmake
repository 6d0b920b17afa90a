# Reads src/page-contract.txt, the one place that says what the player
# promises a demo page, into the variables the build and the program's code
# share:
#
#   VELMORIN_PAGE_CONTRACT   the file itself, which tools/check-demo is given
#   VELMORIN_START_PAGE      the page opened first ("index.html")
#   VELMORIN_EXIT_TITLE      the page title that ends the program
#   VELMORIN_FALLBACK_TYPE   the content type of a file the table does not name
#
# and writes the scheme's part of it into the generated header
# scheme/PageContract.h, below the include root VELMORIN_SCHEME_GENERATED_DIR.
set(VELMORIN_PAGE_CONTRACT "${CMAKE_CURRENT_LIST_DIR}/page-contract.txt")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${VELMORIN_PAGE_CONTRACT}")

# A value goes into C++ string literals and CMake lists as it stands, so it
# may hold none of the characters that would need escaping there.
set(velmorin_contract_value "[^ \t\";\\\\]+")
set(velmorin_type_rows "")
unset(VELMORIN_START_PAGE)
unset(VELMORIN_EXIT_TITLE)
unset(VELMORIN_FALLBACK_TYPE)
file(STRINGS "${VELMORIN_PAGE_CONTRACT}" velmorin_contract_lines)
foreach(line IN LISTS velmorin_contract_lines)
    if(line MATCHES "^[ \t]*(#.*)?$")
        continue()
    elseif(line MATCHES "^start-page (${velmorin_contract_value})$")
        set(VELMORIN_START_PAGE "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^exit-title (${velmorin_contract_value})$")
        set(VELMORIN_EXIT_TITLE "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^fallback-type (${velmorin_contract_value})$")
        set(VELMORIN_FALLBACK_TYPE "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^type ([A-Za-z0-9]+) (${velmorin_contract_value})$")
        string(APPEND velmorin_type_rows "    {\"${CMAKE_MATCH_1}\", \"${CMAKE_MATCH_2}\"},\n")
    else()
        message(FATAL_ERROR "${VELMORIN_PAGE_CONTRACT}: cannot read the line \"${line}\"")
    endif()
endforeach()
foreach(fact VELMORIN_START_PAGE VELMORIN_EXIT_TITLE VELMORIN_FALLBACK_TYPE)
    if(NOT DEFINED ${fact})
        message(FATAL_ERROR "${VELMORIN_PAGE_CONTRACT} does not give ${fact}")
    endif()
endforeach()

set(VELMORIN_SCHEME_GENERATED_DIR "${CMAKE_BINARY_DIR}/generated-scheme")
configure_file("${CMAKE_CURRENT_LIST_DIR}/scheme/PageContract.h.in"
    "${VELMORIN_SCHEME_GENERATED_DIR}/scheme/PageContract.h" @ONLY)
