# One static library per source folder; every .cpp in the folder belongs to it,
# so adding a file needs no edit here.
function(kasa_library name dir)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.h)
  list(FILTER _src EXCLUDE REGEX "/main\\.cpp$")
  list(FILTER _src INCLUDE REGEX "\\.cpp$")
  if(NOT _src)
    # A folder not written yet still takes part in the link graph.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
    return()
  endif()
  file(GLOB _hdr CONFIGURE_DEPENDS ${dir}/*.h)
  add_library(${name} STATIC ${_src} ${_hdr})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# One test program per test folder: every *_test.cpp in it, plus the chosen main.
function(kasa_test_folder name dir main)
  file(GLOB _src CONFIGURE_DEPENDS ${dir}/*_test.cpp ${dir}/*.h ${dir}/support/*.cpp)
  if(NOT _src)
    return()
  endif()
  add_executable(${name} ${_src} ${main})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PRIVATE ${ARGN} kasa_testsupport GTest::gmock GTest::gtest)
  if(TARGET fiscal-sim)
    add_dependencies(${name} fiscal-sim)
  endif()
  gtest_discover_tests(${name}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LC_ALL=C.UTF-8;FISCAL_SIM=${CMAKE_BINARY_DIR}/bin/fiscal-sim;KASA_SOURCE_DIR=${PROJECT_SOURCE_DIR}"
    DISCOVERY_TIMEOUT 60)
endfunction()
