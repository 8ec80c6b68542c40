# CMake generated Testfile for 
# Source directory: /work/main/tests/formats
# Build directory: /work/main/build/tests/formats
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build/tests/formats/varnok_formats_tests[1]_include.cmake")
