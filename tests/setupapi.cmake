# The SetupAPI the tools call: the same cases on the stand-in and under Wine,
# and the stand-in's own (its folders, its trace).
add_suite(setupapi_test setupapi_test.cpp)
add_suite(setupapi_standin_test setupapi_standin_test.cpp HOST_ONLY)
