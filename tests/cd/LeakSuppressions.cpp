// libcddb keeps the category text of each query answer it parses; the leak
// checker of the sanitizer build is told to look past it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libcddb.so\n";
}
