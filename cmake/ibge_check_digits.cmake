# Build step: the official check digits of the IBGE municipality codes, from
# resources/data/br-municipios.txt, as a C++ table the program is built with.
# Run as: cmake -DIN=br-municipios.txt -DOUT=ibge_check_digits.inc -P ibge_check_digits.cmake
file(STRINGS "${IN}" lines ENCODING UTF-8)
set(body "")
foreach(line IN LISTS lines)
  if(line MATCHES "^([0-9][0-9]);([0-9][0-9][0-9][0-9]);([0-9]);")
    string(APPEND body "{${CMAKE_MATCH_1}${CMAKE_MATCH_2}, ${CMAKE_MATCH_3}},\n")
  endif()
endforeach()
file(WRITE "${OUT}.new" "// Generated from br-municipios.txt: {state code and municipality code, check digit}.\n${body}")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUT}.new")
