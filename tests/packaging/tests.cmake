# The installed program and its Debian package, tested from the outside (python3 scripts): the
# build installed into a temporary prefix and started with a temporary home; the package built once.
add_test(NAME installed_program
  COMMAND python3 ${TALLYRA_TESTS_DIR}/packaging/installed_test.py ${CMAKE_BINARY_DIR} ${CMAKE_COMMAND})
set_tests_properties(installed_program PROPERTIES TIMEOUT 600)
add_test(NAME debian_package
  COMMAND python3 ${TALLYRA_TESTS_DIR}/packaging/package_test.py ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND})
set_tests_properties(debian_package PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77)
