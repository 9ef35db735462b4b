// Leaks of system libraries that the leak checker of sanitizer builds is to ignore; linked
// into every test program. fontconfig keeps a few bytes from parsing its configuration files
// (captions and hints are drawn with the system font) and never frees them.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
