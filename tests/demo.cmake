# A helper of scripts/demo: makes and lists devices in a Wine prefix.
if(WIN32)
  add_executable(make_devices tools/make_devices.cpp)
  target_link_libraries(make_devices PRIVATE test_support)
endif()
