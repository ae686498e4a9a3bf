// In sanitizer builds: libsmf keeps the partly built song when it refuses a
// malformed file, just before this program reports the error and exits.
// That is the library's leak, not ours, and must not fail the run.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() { return "leak:libsmf.so\n"; }
extern "C" const char* __asan_default_options() { return "print_suppressions=0"; }
#endif
