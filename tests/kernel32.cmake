add_suite(kernel32_test kernel32_test.cpp)
