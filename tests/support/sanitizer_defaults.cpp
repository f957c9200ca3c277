// Defaults for the sanitizers in test binaries: allocations that the
// platform's libraries make once per process (fonts, the display connection,
// style plugins) are not the package's leaks.
extern "C" {

const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libQt6Core.so\n"
           "leak:libQt6Gui.so\n"
           "leak:libQt6Widgets.so\n"
           "leak:libdbus-1.so\n"
           "leak:libglib-2.0.so\n"
           "leak:libQt6XcbQpa.so\n"
           "leak:libxcb\n"
           "leak:libX11.so\n";
}

const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }

}  // extern "C"
