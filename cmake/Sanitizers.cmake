# The sanitizer build (scripts/test --sanitize) and the libFuzzer targets (scripts/fuzz).
#
# SCRAPWICK_SANITIZE compiles and links everything with AddressSanitizer and
# UndefinedBehaviorSanitizer. Undefined behaviour is fatal, so a finding fails the
# test that ran into it instead of scrolling past in its output.
# SCRAPWICK_FUZZ (clang only) adds fuzz/; it needs the sanitizers, which is why
# the fuzz targets share the sanitizer tree instead of costing a third build.

option(SCRAPWICK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(SCRAPWICK_FUZZ "Build the libFuzzer targets in fuzz/ (clang; needs SCRAPWICK_SANITIZE)" OFF)

if(SCRAPWICK_FUZZ AND NOT SCRAPWICK_SANITIZE)
  message(FATAL_ERROR "SCRAPWICK_FUZZ needs SCRAPWICK_SANITIZE=ON")
endif()
if(SCRAPWICK_FUZZ AND NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "SCRAPWICK_FUZZ needs clang (libFuzzer): configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

# What every test and every program a test starts runs with (the end-to-end tests
# pass their environment on to the app and its capture helper).
set(SCRAPWICK_SANITIZER_ENVIRONMENT "")
# Output that fails a test even when its own exit code is 0: a report of a child
# process (the app under test) that the end-to-end harness passed on.
set(SCRAPWICK_SANITIZER_FAILURE_PATTERNS "")

if(SCRAPWICK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
  set(suppressions ${PROJECT_SOURCE_DIR}/tests/sanitizers)
  set(SCRAPWICK_SANITIZER_ENVIRONMENT
    # allocator_may_return_null: a failed huge allocation returns null as glibc's
    # does, so the code that checks for it (QImage, the size guards) is what runs.
    "ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:allocator_may_return_null=1"
    "LSAN_OPTIONS=suppressions=${suppressions}/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1:report_error_type=1")
  set(SCRAPWICK_SANITIZER_FAILURE_PATTERNS "==[0-9]+==ERROR: ;runtime error: ")
endif()
