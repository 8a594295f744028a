# Helpers of scripts/demo and scripts/bench, on both platforms: make_devices
# makes and lists devices; enumerate_devices is the bare scan Kestrum's is
# timed against.
add_executable(make_devices tools/make_devices.cpp)
target_link_libraries(make_devices PRIVATE test_support)
add_executable(enumerate_devices tools/enumerate_devices.cpp)
target_include_directories(enumerate_devices PRIVATE
                           ${CMAKE_SOURCE_DIR}/Tools/platform)
if(WIN32)
  target_link_libraries(enumerate_devices PRIVATE setupapi)
  # Wine's prefix has no mingw-w64 run-time DLLs.
  target_link_options(enumerate_devices PRIVATE -static)
else()
  target_link_libraries(enumerate_devices PRIVATE standin)
endif()
