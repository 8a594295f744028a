# What the shipped executables are made of: imports, instructions, headers and
# version resources that their oldest Windows accepts. These checks read the
# 32-bit files and run nothing: they run on every machine, also where no
# 32-bit Wine can start (then with WINE_SUITE off, as the only tests).
if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(CHECK_EXECUTABLE ${CMAKE_CURRENT_SOURCE_DIR}/pe/check-executable)
  add_test(NAME kestrum_exe_runs_on_windows_98
           COMMAND ${CHECK_EXECUTABLE} $<TARGET_FILE:kestrum> win98 gui
                   ${PROJECT_VERSION}
                   "Program for removing device under Windows 98//98SE/ME")
  add_test(NAME tollaver_exe_runs_on_windows_2000
           COMMAND ${CHECK_EXECUTABLE} $<TARGET_FILE:tollaver> win2000 console
                   ${PROJECT_VERSION}
                   "Tollaver Program for Windows 2000/XP Drivers")
endif()
if(WIN32 AND WINE_SUITE)
  # The version resources as Windows reads them, in each build.
  add_suite(version_resource_test version_resource_test.cpp WINDOWS_ONLY
            LIBS version)
  target_compile_definitions(version_resource_test PRIVATE
    TOOLS_VERSION="${PROJECT_VERSION}"
    TOOLS_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    TOOLS_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    TOOLS_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    TOOLS_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
  # Under Wine each tool is shown its own Windows by file name.
  add_executable(show_version tools/show_version.cpp)
  # Wine's prefix has no mingw-w64 run-time DLLs.
  target_link_options(show_version PRIVATE -static)
  add_suite(wine_versions_test wine_versions_test.cpp WINDOWS_ONLY)
  add_dependencies(wine_versions_test show_version)
  target_compile_definitions(wine_versions_test PRIVATE
    SHOW_VERSION_EXE="$<TARGET_FILE:show_version>")
endif()
