# The lint tests (ctest -L lint), in the plain build only (the sanitizer
# builds compile the same sources):
#   lint_layers  no Qt include outside the user interface, and no include of a
#                layer further down (scripts/check-layers.sh)
#   lint_tidy    clang-tidy with .clang-tidy over every source the build compiles
#   lint_format  every .cpp and .h file as .clang-format writes it
#   lint_translations  every text of translations/*.ts translated, with its
#                placeholders and underlined letter, and none of the sources'
#                texts missing from them (scripts/check-translations.sh)
# A missing clang-tidy or clang-format skips its test (scripts/install-deps.sh
# installs both).
# The tree is formatted; lint_format keeps it so (bash scripts/format.sh
# rewrites what differs). OFF would disable it, e.g. with another clang-format.
set(BREVANT_LINT_FORMAT ON)

if(BREVANT_SANITIZE)
  return()
endif()
add_test(NAME lint_layers COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-layers.sh)
add_test(NAME lint_tidy COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/tidy.sh ${PROJECT_BINARY_DIR})
add_test(NAME lint_format COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/format.sh --check)
add_test(NAME lint_translations COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/check-translations.sh
  $<$<TARGET_EXISTS:Qt6::lupdate>:$<TARGET_FILE:Qt6::lupdate>>)
set_tests_properties(lint_layers lint_tidy lint_format lint_translations PROPERTIES LABELS lint SKIP_RETURN_CODE 77)
set_tests_properties(lint_translations PROPERTIES TIMEOUT 180)
# About 330 s of processor time: under 3 min on two idle cores. The bound
# leaves room for a machine busy with several builds beside the tests (at a
# load of 12 on two cores it took 8 min).
set_tests_properties(lint_tidy PROPERTIES TIMEOUT 1500)
if(NOT BREVANT_LINT_FORMAT)
  set_tests_properties(lint_format PROPERTIES DISABLED TRUE)
endif()
