# What the shipped executables are made of: imports, instructions and headers
# that their oldest Windows accepts, and their version resources.
if(WIN32)
  set(CHECK_EXECUTABLE ${CMAKE_CURRENT_SOURCE_DIR}/pe/check-executable)
  add_test(NAME kestrum_exe_runs_on_windows_98
           COMMAND ${CHECK_EXECUTABLE} $<TARGET_FILE:kestrum> win98 gui)
  add_test(NAME tollaver_exe_runs_on_windows_2000
           COMMAND ${CHECK_EXECUTABLE} $<TARGET_FILE:tollaver> win2000 console)
  add_suite(version_resource_test version_resource_test.cpp WINDOWS_ONLY
            LIBS version)
  target_compile_definitions(version_resource_test PRIVATE
    TOOLS_VERSION="${PROJECT_VERSION}"
    TOOLS_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    TOOLS_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    TOOLS_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    TOOLS_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
endif()
