// What the sanitizers need to know about the libraries the umockdev test
// bed brings along, which are not built with them. Each function is read
// only by its own sanitizer; options given in the environment still win.

// umockdev's preload comes in through LD_PRELOAD, ahead of AddressSanitizer's
// runtime; it only forwards file calls, so the order does not matter here.
extern "C" const char* __asan_default_options() { return "verify_asan_link_order=0"; }

// GLib and umockdev keep allocations for the life of the process.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libumockdev-preload.so.0\n"
         "leak:libumockdev.so.0\n"
         "leak:libglib-2.0.so.0\n"
         "leak:libgio-2.0.so.0\n"
         "leak:libgobject-2.0.so.0\n";
}

// Races inside umockdev's preload and the GLib thread that serves its
// sockets, and libudev's lazily seeded hash keys (every thread's first
// libudev call writes the same global). None of them touch our data.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libumockdev-preload.so.0\n"
         "race:libumockdev-preload.so.0\n"
         "race:libumockdev.so.0\n"
         "race:libglib-2.0.so.0\n"
         "race:libgio-2.0.so.0\n"
         "race:libgobject-2.0.so.0\n"
         "race:libudev.so.1\n";
}
