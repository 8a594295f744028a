add_suite(standin_test standin_test.cpp HOST_ONLY)
