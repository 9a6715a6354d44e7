# The real sky: Tycho-2 stars read through CFITSIO, rendered frames, and the astrometry.net
# plate solver run as a child process. POSIX and CFITSIO only: the Windows build keeps the
# statistical solver and the small FITS writer of the simulator.
set(KOV_HAVE_SKY OFF)
if(NOT WIN32)
  find_package(PkgConfig QUIET)
  if(PkgConfig_FOUND)
    pkg_check_modules(CFITSIO QUIET IMPORTED_TARGET cfitsio)
  endif()
  if(NOT TARGET PkgConfig::CFITSIO)
    message(STATUS "CFITSIO not found (libcfitsio-dev): no real-sky frames, no astrometry.net solver")
  endif()
endif()

if(TARGET PkgConfig::CFITSIO)
  set(KOV_HAVE_SKY ON)
  # Child processes, generic and small; POSIX calls stay in src/linux.
  add_library(kovsky_child_process STATIC src/linux/child_process.cpp)
  target_include_directories(kovsky_child_process PUBLIC src)
  target_compile_options(kovsky_child_process PRIVATE ${KOV_WARNINGS})
  set_target_properties(kovsky_child_process PROPERTIES AUTOMOC OFF)

  file(GLOB KOV_SKY_SOURCES CONFIGURE_DEPENDS src/sky/*.cpp)
  add_library(kovsky_sky STATIC ${KOV_SKY_SOURCES})
  target_include_directories(kovsky_sky PUBLIC src)
  target_link_libraries(kovsky_sky PUBLIC PkgConfig::CFITSIO PRIVATE kovsky_child_process)
  target_compile_definitions(kovsky_sky PUBLIC KOV_HAVE_SKY=1)
  target_compile_options(kovsky_sky PRIVATE ${KOV_WARNINGS})
  set_target_properties(kovsky_sky PROPERTIES AUTOMOC OFF)

  if(KOV_BUILD_TESTS)
    find_package(GTest REQUIRED)
    include(GoogleTest)
    file(GLOB KOV_SKY_TESTS CONFIGURE_DEPENDS tests/sky/*.cpp)
    add_executable(kovsky_sky_tests ${KOV_SKY_TESTS})
    target_link_libraries(kovsky_sky_tests PRIVATE kovsky_sky kovsky_child_process
      GTest::gtest_main)
    target_include_directories(kovsky_sky_tests PRIVATE tests)
    target_compile_options(kovsky_sky_tests PRIVATE ${KOV_WARNINGS})
    # The few tests that run the real solver take seconds each; they skip where it is missing.
    gtest_discover_tests(kovsky_sky_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
  endif()

  if(KOV_BUILD_BENCH)
    # Renders and solves 20 fields with the built-in night's camera and prints the figures.
    add_executable(solve_bench bench/solve/solve_bench.cpp)
    target_link_libraries(solve_bench PRIVATE kovsky_sky)
    target_compile_options(solve_bench PRIVATE ${KOV_WARNINGS})
    set_target_properties(solve_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
  endif()
endif()

if(KOV_HAVE_SKY)
  # The simulated cameras render the real sky and the image link can solve it with astrometry.net.
  target_link_libraries(kovsky_sim PUBLIC kovsky_sky)
endif()

if(KOV_BUILD_BENCH AND NOT WIN32 AND KOV_HAVE_SKY)
  # A real-time START on the Linux path (served Gemini over UDP, real sky, astrometry.net) that
  # prints the wall time a point and how it divides, and checks the log against the in-process run.
  add_executable(served_run_bench bench/linux/served_run.cpp)
  target_link_libraries(served_run_bench PRIVATE kovsky_linux)
  target_include_directories(served_run_bench PRIVATE tests)
  target_compile_options(served_run_bench PRIVATE ${KOV_WARNINGS})
  set_target_properties(served_run_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/bench")
endif()
