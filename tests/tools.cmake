# The tools' own suites.
add_suite(kestrum_single_test kestrum_single_test.cpp)
add_suite(kestrum_files_test kestrum_files_test.cpp)
add_suite(kestrum_list_test kestrum_list_test.cpp)
add_suite(tollaver_test tollaver_test.cpp)
add_suite(kestrum_faults_test kestrum_faults_test.cpp HOST_ONLY)
add_suite(kestrum_standin_test kestrum_standin_test.cpp HOST_ONLY)
add_suite(tollaver_standin_test tollaver_standin_test.cpp HOST_ONLY)
add_suite(standin_unnamed_machine_test standin_unnamed_machine_test.cpp HOST_ONLY)
