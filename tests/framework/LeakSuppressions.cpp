// fontconfig keeps a few bytes from parsing its configuration files that it never frees; the
// leak checker of sanitizer builds is told so, for captions and hints drawn with the system font.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
