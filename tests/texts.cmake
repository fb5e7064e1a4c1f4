# The program's texts as the tests expect them, from tests/texts.hpp: text_NAME for each, with
# \n (and \") left as they stand there, as the session scripts read them.
file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/texts.hpp definitions REGEX "^constexpr std::string_view ")
foreach(definition IN LISTS definitions)
  if(definition MATCHES "^constexpr std::string_view ([A-Za-z0-9]+) = \"(.*)\";$")
    set(text_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  endif()
endforeach()
