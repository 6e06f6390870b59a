# Text encodings. The double-byte tables (".UCOD" files) and the C tables compiled into the
# library are generated at build time from the platform's iconv converters, libxml2's XML
# character classes and Python's Unicode database; they are build outputs, never sources.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_package(LibXml2 REQUIRED)

set(QV_ENC_SRC ${CMAKE_CURRENT_LIST_DIR})
set(QV_ENC_OUT ${CMAKE_CURRENT_BINARY_DIR}/encodings)
set(QV_ENC_UCOD
  ${QV_ENC_OUT}/unicode/JISX0208.ShiftJIS.UCOD
  ${QV_ENC_OUT}/unicode/KSC5601-1992.UCOD
  ${QV_ENC_OUT}/unicode/BIG5.UCOD
  ${QV_ENC_OUT}/unicode/GB2312-80.EUC.UCOD)

add_executable(qv_gentables ${QV_ENC_SRC}/gen/gentables.cc)
target_link_libraries(qv_gentables PRIVATE LibXml2::LibXml2)
set_target_properties(qv_gentables PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${QV_ENC_OUT})

add_custom_command(
  OUTPUT ${QV_ENC_OUT}/kana.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QV_ENC_OUT}
  COMMAND Python3::Interpreter ${QV_ENC_SRC}/gen/kana.py ${QV_ENC_OUT}/kana.txt
  DEPENDS ${QV_ENC_SRC}/gen/kana.py
  COMMENT "Katakana widening table")
add_custom_command(
  OUTPUT ${QV_ENC_OUT}/enc_tables.cc ${QV_ENC_UCOD}
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
          $<TARGET_FILE:qv_gentables> ${QV_ENC_OUT}/kana.txt ${QV_ENC_OUT}
  DEPENDS qv_gentables ${QV_ENC_OUT}/kana.txt
  COMMENT "Encoding tables from the platform's converters")

file(GLOB qv_enc_sources CONFIGURE_DEPENDS ${QV_ENC_SRC}/*.cc)
list(APPEND QV_BASE_SOURCES ${qv_enc_sources} ${QV_ENC_OUT}/enc_tables.cc)
# Where the build leaves the ".UCOD" files (the directory F_FdeInitUnicode expects).
set(QV_ENC_DATA_DIR ${QV_ENC_OUT} CACHE INTERNAL "directory holding unicode/*.UCOD")
