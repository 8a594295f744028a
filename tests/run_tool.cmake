# The harness's launch helper itself, on both platforms.
add_executable(echo_args tools/echo_args.cpp)
if(SANITIZE AND NOT WIN32)
  # Its crash must be a real one, not a sanitizer's report.
  target_compile_options(echo_args PRIVATE -fno-sanitize=all)
  target_link_options(echo_args PRIVATE -fno-sanitize=all)
endif()
if(WIN32)
  # Wine's prefix has no mingw-w64 run-time DLLs.
  target_link_options(echo_args PRIVATE -static)
endif()
add_suite(run_tool_test run_tool_test.cpp)
add_dependencies(run_tool_test echo_args)
target_compile_definitions(run_tool_test PRIVATE
  ECHO_ARGS_EXE="$<TARGET_FILE:echo_args>")
