// Sanitizer settings the window test programs carry themselves (linked in
// the sanitizer build only), so that every way of running them applies the
// same allowances for the toolkit and the browser engine:
// - the engine's sized deletes do not match their allocations, a report that
//   cannot be limited to one library, so that one check is off here;
// - the suppression files name the third-party libraries whose own findings
//   are suppressed.
// Options given in ASAN_OPTIONS / LSAN_OPTIONS are read after these.
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0:suppressions=" QUILLFEN_ASAN_SUPPRESSIONS;
}

extern "C" const char* __lsan_default_options() { return "suppressions=" QUILLFEN_LSAN_SUPPRESSIONS; }
