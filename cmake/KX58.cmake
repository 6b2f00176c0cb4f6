# Shared build settings and helpers for every layer.

set(KX58_WARNINGS -Wall -Wextra)

if(KX58_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# kx58_layer(NAME SOURCES ... DEPS ...): one static library per layer.
function(kx58_layer name)
  cmake_parse_arguments(L "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${L_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KX58_WARNINGS})
  target_link_libraries(${name} PUBLIC ${L_DEPS})
endfunction()

# kx58_program(NAME SOURCES ... DEPS ...)
function(kx58_program name)
  cmake_parse_arguments(P "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_options(${name} PRIVATE ${KX58_WARNINGS})
  target_link_libraries(${name} PRIVATE ${P_DEPS})
endfunction()

# kx58_test(NAME SOURCES ... DEPS ... [LABELS ...]): a GoogleTest program run by ctest.
function(kx58_test name)
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  target_compile_options(${name} PRIVATE ${KX58_WARNINGS})
  target_link_libraries(${name} PRIVATE ${T_DEPS} kx58_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}")
endfunction()

# Copies data/ beside the programs on every build.
function(kx58_copy_data)
  if(EXISTS ${CMAKE_SOURCE_DIR}/data)
    add_custom_target(kx58_data ALL
      COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/data ${CMAKE_BINARY_DIR}/bin
      COMMENT "Copying data beside the programs")
  endif()
endfunction()
