// In sanitizer builds: leaks inside system libraries that our programs use
// but do not build. libsmf keeps the partly built song when it refuses a
// malformed file, just before the renderer reports the error and exits;
// Qt's D-Bus connection and fontconfig's caches, and libjack's client
// state, are left to the process's end. Those are the libraries' leaks, not
// ours, and must not fail the run: what one of these libraries allocates is
// not reported, whoever asked for it. Leaks of our own allocations still are.
#if defined(__SANITIZE_ADDRESS__)
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsmf.so\n"
           "leak:libdbus-1.so\n"
           "leak:libfontconfig.so\n"
           "leak:libjack.so\n";
}
extern "C" const char* __asan_default_options() { return "print_suppressions=0"; }
#endif
